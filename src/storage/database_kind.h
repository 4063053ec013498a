#pragma once

#include <string>

namespace cz {

// Where the shop's data lives, as the settings file's [数据库] 类型 says.
enum class DatabaseKind { File, Server, Invalid };

struct DatabaseChoice {
  DatabaseKind kind = DatabaseKind::File;
  // 连接: the libpq connection string of a server shop.
  std::string connection;
  // For an Invalid 类型, the message that names it.
  std::string error;
};

// Reads [数据库]. 类型 is matched ignoring case and blanks: empty or SQLite is the file data.db,
// PostgreSQL the server named by 连接. Anything else is Invalid: the program must not open, let
// alone create, a file a misspelt server setting would otherwise put the till's sales in.
DatabaseChoice readDatabaseChoice(const std::string& settingsPath);

}  // namespace cz
