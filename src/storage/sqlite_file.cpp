#include "storage/sqlite_file.h"

#include "storage/schema.h"
#include "util/file_system.h"

namespace cz {

// Why an engine call failed, in words for the user, with the engine's own text after it.
std::string reasonText(int rc, int systemErrno, const std::string& engineText) {
  std::string reason;
  switch (rc & 0xff) {
    case SQLITE_FULL:
      reason = "磁盘空间不足";
      break;
    case SQLITE_READONLY:
      reason = "只读，不能写入";
      break;
    case SQLITE_CANTOPEN:
      reason = systemErrno ? fileErrorText(systemErrno) : "无法打开或创建文件";
      break;
    case SQLITE_IOERR:
      reason = systemErrno ? fileErrorText(systemErrno) : "读写出错";
      break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      reason = "没有访问权限";
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      reason = "文件已损坏或不是数据库";
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      reason = "数据库正被占用";
      break;
    default:
      return engineText.empty() ? sqlite3_errstr(rc) : engineText;
  }
  if (!engineText.empty()) reason += "（" + engineText + "）";
  return reason;
}

std::string reasonOf(sqlite3* db, int rc) {
  return reasonText(rc, db ? sqlite3_system_errno(db) : 0, db ? sqlite3_errmsg(db) : "");
}

int shopTableCount(SqliteFile& db, int& rc) {
  std::string sql = "select count(*) from sqlite_master where type='table' and name in (";
  const std::vector<TableDef>& tables = schemaTables();
  for (size_t i = 0; i < tables.size(); ++i) sql += (i ? ",'" : "'") + tables[i].name + "'";
  sql += ")";
  const std::vector<std::string> count = db.column(sql.c_str(), rc);
  if (rc != SQLITE_OK || count.empty()) return 0;
  return std::stoi(count.front());
}

int shopTableCount(const std::string& path) {
  SqliteFile db;
  if (db.openWith(path, SQLITE_OPEN_READONLY) != SQLITE_OK) return 0;
  sqlite3_busy_timeout(db.get(), 2000);
  int rc = SQLITE_OK;
  return shopTableCount(db, rc);
}

}  // namespace cz
