#pragma once

#include <string>

namespace cz {

class Database;
class Dialogs;
class OperationLog;
struct AppContext;

inline constexpr const char* kWelcomeText = "初始环境完毕，欢迎使用，技术支持";

// Creates every table and the admin account in one transaction, then logs "成功创建数据库". On
// failure the file is left without tables, the engine's error is shown titled by the failed step
// and false is returned.
bool createSchema(Database& db, OperationLog& log, Dialogs& dialogs);

// Opens the shop's data as the settings file's section [数据库] says: 类型 PostgreSQL connects to
// the server named by 连接 (a libpq connection string; passwords come from ~/.pgpass or a service
// file), SQLite or none opens the SQLite file `filePath`. False with the reason in lastError();
// false without opening anything for any other 类型 (readDatabaseChoice names it).
bool openDatabase(Database& db, const std::string& settingsPath, const std::string& filePath);

// Prepares the process once the login window exists: data directory, the hidden log window,
// data.db (with every table and the admin account when it holds no tables yet), the latest log
// entries and the welcome entry. Failures are shown through `dialogs` and start-up goes on.
// Returns the account name typed last (empty when none is remembered).
std::string runBootstrap(AppContext& app, Dialogs& dialogs);

}  // namespace cz
