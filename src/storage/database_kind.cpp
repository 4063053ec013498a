#include "storage/database_kind.h"

#include "util/ini_file.h"

namespace cz {

namespace {

// The text without blanks (ASCII white space and the full-width space), ASCII letters in lower
// case.
std::string folded(const std::string& text) {
  static const std::string kWideSpace = "\u3000";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, kWideSpace.size(), kWideSpace) == 0) {
      i += kWideSpace.size() - 1;
      continue;
    }
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') continue;
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

}  // namespace

DatabaseChoice readDatabaseChoice(const std::string& settingsPath) {
  const IniFile settings(settingsPath);
  const std::string type = settings.read("数据库", "类型");
  const std::string key = folded(type);
  DatabaseChoice choice;
  if (key.empty() || key == "sqlite") return choice;
  if (key == "postgresql") {
    choice.kind = DatabaseKind::Server;
    choice.connection = settings.read("数据库", "连接");
    return choice;
  }
  choice.kind = DatabaseKind::Invalid;
  choice.error = "数据库类型[" + type + "]无效，请填写 SQLite 或 PostgreSQL";
  return choice;
}

}  // namespace cz
