#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
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

// How long a connection waits for the server. A till bounds every wait, so a cut cable or a
// frozen switch ends in a message rather than a frozen till; a bulk copy waits as long as it takes.
enum class ServerWaits { Bounded, Unbounded };

// The connection's keywords and values: the given string's (a key=value list or a URI), and where
// it gives none, with `Bounded`: a connect timeout, TCP keepalives and a TCP user timeout on the
// till's side, and for the till's session on the server an idle-in-transaction timeout and a lock
// timeout (through `options`). False with the parser's message for a string that does not parse.
bool serverConnectionParameters(const std::string& connectionString, ServerWaits waits,
                                std::vector<std::pair<std::string, std::string>>& parameters,
                                std::string& error);

// For a CREATE TABLE: a statement that lets every role that may use the shop's 库存 table use the
// new table (and its number sequence) the same way, so a shop whose tills log in as different
// roles can use tables a later start makes. It never fails: without a grant option it grants
// nothing. Empty for other statements.
std::string postgresTableSharing(const std::string& sql);

// Opens the PostgreSQL client library (libpq), which a till on a data file never loads; false
// with the reason when it cannot be opened.
bool loadServerClient(std::string& error);

// How many connections threads other than the opener's may hold at once.
constexpr int kWorkerConnections = 2;

// How long a till waits for the server's answer to a statement before it gives the connection up.
constexpr int kServerAnswerSeconds = 8;

// Connections to one PostgreSQL server: one per thread, opened at the thread's first use, since a
// libpq connection serves one thread at a time, and closed when the thread ends. The thread that
// made this object always gets its connection; the others (background loads) share
// kWorkerConnections more, a thread waiting for one to be freed when they are in use. A connection the server dropped is reset at the
// thread's next statement outside a transaction; within a transaction every statement fails until
// the rollback, so a transaction is never stored in part and never retried blindly.
//
// Every wait for the server polls the connection's socket with a deadline (`Bounded`): a server
// that does not answer within kServerAnswerSeconds is given up like a dropped connection.
class PostgresConnections {
 public:
  explicit PostgresConnections(std::string connectionString,
                               ServerWaits waits = ServerWaits::Bounded);
  ~PostgresConnections();
  PostgresConnections(const PostgresConnections&) = delete;
  PostgresConnections& operator=(const PostgresConnections&) = delete;

  // Connects the calling thread now; false with the server's message when that fails.
  bool connect(std::string& error);
  // Runs one statement (already in the server's form) with its values; false with the server's
  // message. An insert's `returning` value becomes the thread's last inserted row number.
  // `later`: inside a transaction the statement may wait to go with the thread's next one (in one
  // round trip); it then succeeds at once, and a failure of it fails that next operation with its
  // message. For statements whose outcome the caller does not act on, such as log entries.
  bool execute(const std::string& sql, const std::vector<std::string>& params, std::string& error,
               bool later = false);
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

  // Statements prepared on the calling thread's connection.
  size_t preparedStatements();

  // Called with true on `thread` once a server call of that thread has waited half a second, and
  // with false when that call ends; never on another thread. Empty: none.
  void setWaitHook(std::function<void(bool waiting)> hook, std::thread::id thread);

 private:
  struct Connection {
    pg_conn* conn = nullptr;
    bool inTransaction = false;
    // The connection broke inside the transaction: its statements fail with this until rollback.
    std::string lostTransaction;
    std::int64_t lastInsertRowId = 0;
    // Counted among the workers' connections.
    bool counted = false;
    // Statements of the transaction waiting to go with the next one.
    std::vector<std::pair<std::string, std::vector<std::string>>> pending;
    // A waiting statement failed: the transaction's statements fail with this until rollback.
    std::string failed;
    std::int64_t rowsChanged = 0;
    // Named prepared statements on this connection, by text (a new connection has none).
    std::unordered_map<std::string, std::string> prepared;
    std::uint64_t preparedCount = 0;
  };
  // The connections by thread; shared with the threads' exits, which close theirs.
  struct Registry;
  struct Statement {
    const std::string& sql;
    const std::vector<std::string>& params;
  };
  // What the server answered to statements sent together.
  struct Reply {
    // The last statement's result when every statement succeeded.
    pg_result* last = nullptr;
    // A statement failed with the server's own error.
    bool refused = false;
    // The connection went (dropped, or no answer in time) before every answer came.
    bool lost = false;
  };
  struct Call;
  // The calling thread's connection, connected (or reset after a drop) when needed; nullptr with
  // the error text when the server cannot be reached.
  Connection* threadConnection(std::string& error);
  // Sends the statements, several in one pipeline, and reads every answer within the wait bound.
  Reply exchange(Connection& c, const std::vector<Statement>& statements, std::string& error);
  // Sends the waiting statements, and `sql` after them when given, in one round trip.
  Reply sendWithPending(Connection& c, const std::string* sql,
                        const std::vector<std::string>* params, std::string& error);
  pg_result* run(Connection& c, const std::string& sql, const std::vector<std::string>& params,
                 std::string& error);
  // The next result of the connection, waiting for it within the call's bound; nullptr also when
  // the bound passed (`timedOut`).
  pg_result* nextResult(Connection& c, Call& call, bool& timedOut);
  // Waits until the socket can be read (or written, with `write`); false when the bound passed.
  bool waitSocket(Connection& c, bool write, Call& call);
  // Closes a connection that went, so the thread's next use connects anew.
  void drop(Connection& c);
  // The calling thread's entry; nullptr when it has none yet and `create` is false.
  Connection* threadEntry(bool create);
  // The message of a failed statement; a dropped connection also ends its transaction.
  static void failure(Connection& c, pg_result* result, std::string& error);

  const std::string m_connectionString;
  const ServerWaits m_waits;
  std::vector<std::pair<std::string, std::string>> m_parameters;
  std::string m_parameterError;
  std::shared_ptr<Registry> m_registry;
  std::mutex m_mutex;
  std::function<void(bool)> m_waitHook;
  std::thread::id m_waitHookThread;
};

}  // namespace cz
