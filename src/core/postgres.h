#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

namespace cz {

// A number of a double precision column as SQLite prints the same number stored in a NUMERIC
// column: a whole number without a fraction ("3"), any other with at most 15 significant digits
// ("0.3", not "0.30000000000000004").
std::string sqliteNumberText(const std::string& serverText);

// Appends a value as a field of COPY's text format: backslash, tab and line breaks escaped.
void appendCopyField(std::string& out, std::string_view value);

// The rows of one query on the server, fetched whole.
class PostgresRows {
 public:
  explicit PostgresRows(pg_result* result);
  ~PostgresRows();
  PostgresRows(const PostgresRows&) = delete;
  PostgresRows& operator=(const PostgresRows&) = delete;

  int rowCount() const;
  int columnCount() const;
  std::string columnName(int index0) const;
  // The value as text, numbers formatted as SQLite would; NULL reads as empty.
  std::string value(int row, int index0) const;

 private:
  pg_result* m_result;
  enum class Kind { Text, Number, Truth };
  std::vector<Kind> m_kinds;
};

// Connections to one PostgreSQL server: one per thread, opened at the thread's first use, since a
// libpq connection serves one thread at a time. A connection the server dropped is reset at the
// thread's next statement outside a transaction; within a transaction every statement fails until
// the rollback, so a transaction is never stored in part and never retried blindly.
class PostgresConnections {
 public:
  explicit PostgresConnections(std::string connectionString);
  ~PostgresConnections();
  PostgresConnections(const PostgresConnections&) = delete;
  PostgresConnections& operator=(const PostgresConnections&) = delete;

  // Connects the calling thread now; false with the server's message when that fails.
  bool connect(std::string& error);
  // Runs one statement (already in the server's form) with its values; false with the server's
  // message. An insert's `returning` value becomes the thread's last inserted row number.
  bool execute(const std::string& sql, const std::vector<std::string>& params, std::string& error);
  std::unique_ptr<PostgresRows> query(const std::string& sql,
                                      const std::vector<std::string>& params, std::string& error);
  bool begin(std::string& error);
  bool commit(std::string& error);
  bool rollback(std::string& error);
  std::int64_t lastInsertRowId();
  // Rows the calling thread's last execute() inserted, updated or deleted.
  std::int64_t rowsChanged();

  // COPY … FROM STDIN on the calling thread's connection: beginCopy starts it, putCopyData sends
  // rows in COPY's text format, endCopy ends it and waits for the server's verdict on every row
  // sent. With `abortReason` the server drops the rows instead and endCopy fails with it.
  bool beginCopy(const std::string& sql, std::string& error);
  bool putCopyData(const std::string& data, std::string& error);
  bool endCopy(const char* abortReason, std::string& error);

 private:
  struct Connection {
    pg_conn* conn = nullptr;
    bool inTransaction = false;
    // The connection broke inside the transaction: its statements fail with this until rollback.
    std::string lostTransaction;
    std::int64_t lastInsertRowId = 0;
    std::int64_t rowsChanged = 0;
  };
  // The calling thread's connection, connected (or reset after a drop) when needed; nullptr with
  // the error text when the server cannot be reached.
  Connection* threadConnection(std::string& error);
  pg_result* run(Connection& c, const std::string& sql, const std::vector<std::string>& params,
                 std::string& error);
  // The message of a failed statement; a dropped connection also ends its transaction.
  static void failure(Connection& c, pg_result* result, std::string& error);

  const std::string m_connectionString;
  std::mutex m_mutex;
  std::unordered_map<std::thread::id, std::unique_ptr<Connection>> m_connections;
};

}  // namespace cz
