#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace cz {

class CopyRows;
class PostgresConnections;
class PostgresRows;
class StatementCache;

// Values bound to the `?` placeholders of a statement, in order. Every value is bound as text,
// so it gets the column's affinity exactly as a quoted literal would, and a quote inside a value
// is just a character.
using SqlParams = std::vector<std::string>;

struct ColumnDef {
  std::string name;
  std::string type;
};

// The PostgreSQL type of a column declared `sqliteType` in SQLite: a flag (INTEGER columns that
// hold 真/假) and text stay text, numbers become double precision, INTEGER PRIMARY KEY an
// identity key.
std::string serverColumnType(const std::string& table, const ColumnDef& column);

namespace detail {
// Gives a statement back to its connection's cache of prepared statements (or finalizes it).
struct StatementDeleter {
  std::shared_ptr<StatementCache> cache;
  void operator()(sqlite3_stmt* statement) const;
};
}  // namespace detail
using Statement = std::unique_ptr<sqlite3_stmt, detail::StatementDeleter>;

// The one SQLite connection of the process, opened in serialized mode so that worker threads
// may share it. Operations return success; on failure lastError() holds the engine's message.
//
// The last error belongs to the thread that ran the operation, and each operation (open,
// execute, begin/commit/rollback, prepare, a record set's open, goFirst and next) sets it: to
// its own failure's text, or to empty text when it succeeds. So a message shown after a failure
// is that failure's own text, never one left over from an earlier failure, and a worker-thread
// load that fails never replaces the text the UI thread is about to show.
class Database {
 public:
  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens the file, creating it when missing. False on failure (the connection stays closed and
  // every later operation fails with the open's error text).
  bool open(const std::string& path);
  // Opens an existing file only for reading: nothing is written to it, not even the switch to
  // the write-ahead log. False when it is missing or cannot be read.
  bool openReadOnly(const std::string& path);
  // Connects to a PostgreSQL server instead (a libpq connection string). Each thread that uses
  // the database gets a connection of its own. False with the server's message on failure.
  // A till bounds its waits for the server (see ServerWaits); a bulk copy passes `false`.
  bool openServer(const std::string& connectionString, bool boundedWaits = true);
  bool isOpen() const { return m_db != nullptr || m_server != nullptr; }
  // True when the data lives on a PostgreSQL server.
  bool onServer() const { return m_server != nullptr; }
  void close();

  // Runs one statement with its bound values; true when it ran to completion.
  bool execute(const std::string& sql, const SqlParams& params = {});

  // The engine's message for the calling thread's last operation when it failed, at most 199
  // bytes; empty when that operation succeeded. "not an error" reads as empty.
  std::string lastError() const;

  // BEGIN, COMMIT and ROLLBACK. Between a begin() and its commit() or rollback(), a statement
  // that finds the transaction already rolled back by the engine fails with the error that ended
  // it, and so does the commit; rollback() then succeeds without running.
  bool begin();
  bool commit();
  bool rollback();

  // Within a transaction: makes the writers of every till that use this shop's data take turns
  // until the transaction ends, so a check made now still holds at the commit. Call it before the
  // transaction reads anything. On a file it takes the write lock (waiting up to 5 s for another
  // program's commit); on the server it is a transaction-scoped advisory lock.
  bool lockWriters();

  // CREATE TABLE name (col type, col type, …). On the server the types are the server's
  // equivalents (see serverColumnType) and a table without an INTEGER PRIMARY KEY gets a `rowid`
  // identity column, so rows are addressed by rowid on both.
  // With `ifMissing` an existing table of that name is left as it is.
  bool createTable(const std::string& name, const std::vector<ColumnDef>& columns,
                   bool ifMissing = false);

  // The statement with its values filled in, for log texts that quote a statement. Empty when the
  // statement does not prepare.
  std::string expandedSql(const std::string& sql, const SqlParams& params);

  // Number of tables in the file; −1 when the schema cannot be read.
  int tableCount();
  // Whether a table of that name exists; false also when the schema cannot be read.
  bool hasTable(const std::string& name);

  std::int64_t lastInsertRowId() const;
  // Rows that the calling thread's last successful execute() inserted, updated or deleted; 0
  // after a statement that changes no rows.
  std::int64_t rowsChanged() const;

  // Bulk loading on the server (COPY … FROM STDIN): beginCopy names the table and the columns,
  // copyRows sends rows, endCopy waits until the server has stored every row sent (or says why
  // not). cancelCopy gives up a started copy; the rows sent are dropped and the transaction
  // fails. On a SQLite file each of them fails.
  bool beginCopy(const std::string& table, const std::vector<std::string>& columns);
  bool copyRows(const CopyRows& rows);
  bool endCopy();
  void cancelCopy(const std::string& reason);

  // Prepares a statement and binds its values; nullptr on failure (lastError set). A statement of
  // the same text prepared before and no longer in use is reused (see StatementCache).
  Statement prepare(const std::string& sql, const SqlParams& params);
  // Prepared statements kept for reuse: on a file, idle ones; on the server, those of the calling
  // thread's connection.
  size_t preparedStatements();
  // Called on the calling thread with true once one of its server calls has waited half a second,
  // and with false when that call ends, so a window can show that it waits. Only server calls
  // wait that long; a file never calls it. Kept across open() and close().
  void setWaitHook(std::function<void(bool waiting)> hook);

  // Records the current error of the connection as the calling thread's last error.
  void captureError();
  // Sets the calling thread's last error; empty text clears it.
  void setLastError(const std::string& message);

 private:
  friend class RecordSet;
  bool openFile(const std::string& path, bool readOnly);
  // Records why open() failed, as the last error and for the operations that follow.
  void failOpen(const std::string& error);
  // begin() opened a transaction that the engine has since rolled back.
  bool transactionLost() const;

  sqlite3* m_db = nullptr;
  std::shared_ptr<StatementCache> m_statements;
  std::unique_ptr<PostgresConnections> m_server;
  std::function<void(bool)> m_waitHook;
  std::thread::id m_waitHookThread;
  // Set by begin(), cleared by commit() and rollback().
  std::atomic<bool> m_inTransaction{false};
  std::string m_lostTransactionError;
  // Tells this connection's entry in each thread's own table of last errors from another's;
  // never reused, unlike an address.
  const std::uint64_t m_serial;
  mutable std::mutex m_openErrorMutex;
  // Why the last open() failed: every operation on the closed connection fails with it.
  std::string m_openError;
};

// Rows for Database::copyRows, kept in the server's COPY text form as they are added.
class CopyRows {
 public:
  // Adds a field to the current row; a missing value is NULL.
  void add(std::string_view value);
  void addNull();
  // Ends the current row.
  void endRow();
  size_t rowCount() const { return m_rows; }
  size_t bytes() const { return m_text.size(); }
  const std::string& text() const { return m_text; }
  void clear();

 private:
  std::string m_text;
  bool m_rowStarted = false;
  size_t m_rows = 0;
};

// Commits on commit(); rolls back when it goes out of scope uncommitted.
class Transaction {
 public:
  explicit Transaction(Database& db) : m_db(db), m_active(db.begin()) {}
  ~Transaction() {
    if (m_active) m_db.rollback();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool started() const { return m_active; }
  bool commit() {
    if (!m_active) return false;
    m_active = !m_db.commit();
    return !m_active;
  }
  // Rolls back now (keeping the error text of the failed step that led here).
  void rollback() {
    if (!m_active) return;
    m_active = false;
    const std::string error = m_db.lastError();
    m_db.rollback();
    m_db.setLastError(error);
  }

 private:
  Database& m_db;
  bool m_active;
};

// The rows of one query, read as text.
class RecordSet {
 public:
  explicit RecordSet(Database& db);
  ~RecordSet();
  RecordSet(const RecordSet&) = delete;
  RecordSet& operator=(const RecordSet&) = delete;

  // Prepares the query with its bound values; false when it does not prepare.
  bool open(const std::string& sql, const SqlParams& params = {});
  // Counts the rows by stepping through the whole result, then rewinds; returns the count.
  // Meant for small results: large tables are counted with count(*).
  int goFirst();
  int rowCount() const { return m_rowCount; }
  // Number of columns of the result; 0 when not open.
  int columnCount() const;
  // Steps to the next row; true while a row is available.
  bool next();
  // The column's value as text: NULL, an index out of range or an unknown name read as empty.
  std::string field(int index1) const;
  std::string field(const std::string& name) const;
  void close();

 private:
  Database& m_db;
  Statement m_statement;
  // The server's rows, fetched whole, and the current one (−1 before the first).
  std::unique_ptr<PostgresRows> m_rows;
  int m_row = -1;
  std::unordered_map<std::string, int> m_columns;
  int m_rowCount = 0;
  bool m_onRow = false;
};

}  // namespace cz
