#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace cz {

// The backups' own connections to database files, apart from the program's Database: a copy or a
// check runs on a worker thread with a connection of its own.

// One connection of its own to a database file, closed when it goes.
class SqliteFile {
 public:
  SqliteFile() = default;
  ~SqliteFile() { close(); }
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;

  // Opens an existing file (read-write where the file allows it, read-only otherwise) or, with
  // `create`, makes it. Returns the engine's code.
  int open(const std::string& path, bool create) {
    return openWith(path, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0));
  }
  // Opens with the engine's own flags (read-only, URI names).
  int openWith(const std::string& path, int flags) {
    close();
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
      m_openError = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
      m_openErrno = m_db ? sqlite3_system_errno(m_db) : 0;
      close();
    }
    return rc;
  }
  int close() {
    int rc = SQLITE_OK;
    if (m_db) rc = sqlite3_close(m_db);
    if (rc == SQLITE_BUSY) sqlite3_close_v2(m_db);
    m_db = nullptr;
    return rc;
  }
  sqlite3* get() const { return m_db; }
  const std::string& openError() const { return m_openError; }
  int openErrno() const { return m_openErrno; }

  // Runs statements; the engine's code.
  int exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

  // The first column of every row of one statement; the engine's code in `rc`.
  std::vector<std::string> column(const char* sql, int& rc) {
    std::vector<std::string> values;
    sqlite3_stmt* statement = nullptr;
    rc = sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
    if (rc != SQLITE_OK) return values;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(statement, 0);
      values.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
    sqlite3_finalize(statement);
    return values;
  }

 private:
  sqlite3* m_db = nullptr;
  std::string m_openError;
  int m_openErrno = 0;
};

// Why an engine call failed, in words for the user, with the engine's own text after it.
std::string reasonText(int rc, int systemErrno, const std::string& engineText);
std::string reasonOf(sqlite3* db, int rc);

// How many of the shop's tables the file holds: 0 for an empty file, a file of some other program
// or one that cannot be read. `rc` gets the engine's code of the read.
int shopTableCount(SqliteFile& db, int& rc);
int shopTableCount(const std::string& path);

}  // namespace cz
