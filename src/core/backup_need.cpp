#include <string>
#include <vector>

#include "core/backup_need.h"
#include "core/bootstrap.h"
#include "core/operation_log.h"
#include "storage/backup_copies.h"
#include "storage/sqlite_file.h"

namespace cz {

namespace {

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// An entry the program writes by itself being used, with nothing stored.
bool onlyUse(const std::string& type, const std::string& text) {
  if (type != std::to_string(LogType::System)) return false;
  return text.rfind(kWelcomeText, 0) == 0 || endsWith(text, "]成功登录了系统") ||
         endsWith(text, "]退出系统");
}

// The newest log entry's rowid; -1 when it cannot be read.
long long newestEntry(SqliteFile& db) {
  int rc = SQLITE_OK;
  const std::vector<std::string> newest = db.column("select ifnull(max(rowid), 0) from 日志", rc);
  if (rc != SQLITE_OK || newest.empty()) return -1;
  return std::stoll(newest.front());
}

}  // namespace

bool storedSince(const std::string& databasePath, const std::string& copyPath) {
  SqliteFile copy;
  if (copy.openWith(copyPath, SQLITE_OPEN_READONLY) != SQLITE_OK) return true;
  const long long copied = newestEntry(copy);
  copy.close();
  SqliteFile db;
  if (copied < 0 || db.openWith(databasePath, SQLITE_OPEN_READWRITE) != SQLITE_OK) return true;
  sqlite3_busy_timeout(db.get(), 2000);
  // A log cleared or another file put in place since: its newest entry is older than the copy's.
  if (newestEntry(db) < copied) return true;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db.get(), "select 类型, 日志 from 日志 where rowid > ? order by rowid", -1,
                         &statement, nullptr) != SQLITE_OK) {
    return true;
  }
  sqlite3_bind_int64(statement, 1, copied);
  bool stored = false;
  int rc = SQLITE_OK;
  while (!stored && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
    const auto text = [&](int column) {
      const auto* value = sqlite3_column_text(statement, column);
      return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
    };
    stored = !onlyUse(text(0), text(1));
  }
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) stored = true;
  sqlite3_finalize(statement);
  return stored;
}

}  // namespace cz
