#include "storage/database.h"

#include <sqlite3.h>

#include <atomic>
#include <cctype>
#include <initializer_list>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "storage/postgres.h"
#include "storage/postgres_dialect.h"
#include "storage/statement_cache.h"
#include "util/numbers.h"

namespace cz {

namespace detail {
void StatementDeleter::operator()(sqlite3_stmt* statement) const {
  if (cache) {
    cache->give(statement);
  } else {
    sqlite3_finalize(statement);
  }
}
}  // namespace detail

namespace {

constexpr size_t kMaxErrorBytes = 199;

// Cuts UTF-8 text to at most `bytes` bytes without splitting a character.
std::string cutUtf8(std::string text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

// Each thread's last errors, by connection serial. An entry exists only while that thread's last
// operation on that connection failed, and goes with the thread, so a thread never reads a text
// another thread left.
thread_local std::unordered_map<std::uint64_t, std::string> t_lastErrors;
// Each thread's count of rows its last execute() changed, by connection serial.
thread_local std::unordered_map<std::uint64_t, std::int64_t> t_rowsChanged;

std::atomic<std::uint64_t> g_nextSerial{1};

// Whether the statement's text starts with one of the words, ignoring case and leading blanks.
bool startsWithWord(const std::string& sql, std::initializer_list<std::string_view> words) {
  size_t at = 0;
  while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at]))) ++at;
  if (at == sql.size()) return false;
  const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(sql[at])));
  for (const std::string_view word : words) {
    if (word.front() != first) continue;
    if (sql.size() - at < word.size()) continue;
    bool same = true;
    for (size_t i = 0; same && i < word.size(); ++i) {
      same = std::tolower(static_cast<unsigned char>(sql[at + i])) == word[i];
    }
    if (same) return true;
  }
  return false;
}

// A statement that changes the schema (or what names mean): the statements kept before it are
// dropped, so one naming a table or column that has gone fails when it is prepared, as it would
// without the cache (a kept one would be prepared again by SQLite and fail only when stepped).
bool changesSchema(const std::string& sql) {
  return startsWithWord(sql, {"create", "drop", "alter", "attach", "detach"});
}

// Statements run once or now and then, not worth a place among the kept ones.
bool keptAfterUse(const std::string& sql) {
  return !changesSchema(sql) && !startsWithWord(sql, {"pragma", "vacuum", "reindex", "analyze"});
}

// The server's text of a statement. The program sends the same few hundred texts over and over
// (values are bound), so each is translated once.
std::string serverStatement(const std::string& sql) {
  static std::mutex mutex;
  static std::unordered_map<std::string, std::string> translated;
  std::lock_guard lock(mutex);
  const auto found = translated.find(sql);
  if (found != translated.end()) return found->second;
  // Texts made with values in them (rare) would grow the table without end.
  if (translated.size() >= 4096) translated.clear();
  return translated.emplace(sql, postgresStatement(sql)).first->second;
}

}  // namespace

Database::Database() : m_serial(g_nextSerial++) {}

Database::~Database() {
  close();
  t_lastErrors.erase(m_serial);
  t_rowsChanged.erase(m_serial);
}

bool Database::open(const std::string& path) {
  return openFile(path, false);
}

bool Database::openReadOnly(const std::string& path) {
  return openFile(path, true);
}

bool Database::openFile(const std::string& path, bool readOnly) {
  close();
  sqlite3* db = nullptr;
  const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                    SQLITE_OPEN_FULLMUTEX;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    failOpen(error);
    return false;
  }
  // Touch the file now, so that a file that cannot be read or written fails here and not at the
  // first statement.
  m_db = db;
  m_statements = std::make_shared<StatementCache>(m_db);
  if (sqlite3_exec(m_db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr) !=
      SQLITE_OK) {
    const std::string error = sqlite3_errmsg(m_db);
    close();
    failOpen(error);
    return false;
  }
  // Write-ahead log: a commit appends to data.db-wal and syncs it once, where the rollback
  // journal takes several syncs and a file deletion; with synchronous left at FULL the commit is
  // as durable. A file that cannot switch (a read-only directory) keeps its rollback journal.
  if (!readOnly) sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  // Another program on the same file (a second till, a copy being taken) may hold the write
  // lock for a moment: wait for it rather than fail the sale at once.
  sqlite3_busy_timeout(m_db, 5000);
  {
    std::lock_guard lock(m_openErrorMutex);
    m_openError.clear();
  }
  setLastError({});
  return true;
}

bool Database::openServer(const std::string& connectionString, bool boundedWaits) {
  close();
  std::string loadError;
  if (!loadServerClient(loadError)) {
    failOpen(loadError);
    return false;
  }
  auto server = std::make_unique<PostgresConnections>(
      connectionString, boundedWaits ? ServerWaits::Bounded : ServerWaits::Unbounded);
  if (m_waitHook) server->setWaitHook(m_waitHook, m_waitHookThread);
  std::string error;
  if (!server->connect(error)) {
    failOpen(error);
    return false;
  }
  m_server = std::move(server);
  {
    std::lock_guard lock(m_openErrorMutex);
    m_openError.clear();
  }
  setLastError({});
  return true;
}

void Database::setWaitHook(std::function<void(bool waiting)> hook) {
  m_waitHook = std::move(hook);
  m_waitHookThread = std::this_thread::get_id();
  if (m_server) m_server->setWaitHook(m_waitHook, m_waitHookThread);
}

void Database::failOpen(const std::string& error) {
  setLastError(error);
  std::lock_guard lock(m_openErrorMutex);
  m_openError = error;
}

void Database::close() {
  // Statements still in use (a record set kept past the close) are finalized when they are
  // given back; sqlite3_close_v2 closes the connection after the last of them.
  if (m_statements) m_statements->close();
  m_statements.reset();
  if (m_db) sqlite3_close_v2(m_db);
  m_db = nullptr;
  m_server.reset();
  m_inTransaction = false;
}

void Database::setLastError(const std::string& message) {
  if (message.empty() || message == "not an error") {
    if (!t_lastErrors.empty()) t_lastErrors.erase(m_serial);
    return;
  }
  t_lastErrors[m_serial] = cutUtf8(message, kMaxErrorBytes);
}

void Database::captureError() {
  setLastError(m_db ? sqlite3_errmsg(m_db) : "database is not open");
}

std::string Database::lastError() const {
  const auto found = t_lastErrors.find(m_serial);
  return found == t_lastErrors.end() ? std::string() : found->second;
}

Statement Database::prepare(const std::string& sql, const SqlParams& params) {
  if (m_server) {
    setLastError("此操作只适用于 SQLite 数据文件");
    return nullptr;
  }
  if (!m_db) {
    std::string error;
    {
      std::lock_guard lock(m_openErrorMutex);
      error = m_openError.empty() ? "database is not open" : m_openError;
    }
    setLastError(error);
    return nullptr;
  }
  if (changesSchema(sql)) m_statements->clear();
  const bool keep = keptAfterUse(sql);
  sqlite3_stmt* raw = keep ? m_statements->take(sql) : nullptr;
  // Hold the connection's lock so that the error text read belongs to this call.
  sqlite3_mutex* mutex = sqlite3_db_mutex(m_db);
  sqlite3_mutex_enter(mutex);
  if (!raw) {
    const int rc =
        sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
    if (rc != SQLITE_OK || !raw) {
      if (rc == SQLITE_OK) {
        setLastError("empty statement");
      } else {
        captureError();
      }
      sqlite3_finalize(raw);
      sqlite3_mutex_leave(mutex);
      return nullptr;
    }
  }
  Statement statement(raw, detail::StatementDeleter{keep ? m_statements : nullptr});
  for (size_t i = 0; i < params.size(); ++i) {
    const std::string& value = params[i];
    if (sqlite3_bind_text(statement.get(), static_cast<int>(i) + 1, value.data(),
                          static_cast<int>(value.size()), SQLITE_TRANSIENT) != SQLITE_OK) {
      captureError();
      sqlite3_mutex_leave(mutex);
      return nullptr;
    }
  }
  sqlite3_mutex_leave(mutex);
  setLastError({});
  return statement;
}

size_t Database::preparedStatements() {
  if (m_server) return m_server->preparedStatements();
  return m_statements ? m_statements->size() : 0;
}

bool Database::execute(const std::string& sql, const SqlParams& params) {
  if (m_server) {
    std::string error;
    // Inside a transaction these go to the server with the next statement, saving a round trip
    // each; a failure of one fails that next statement with its message. A log entry's outcome
    // is not acted on; the stock a sale takes is read back by the checkout's check of the stock
    // left after its last line, whose failure the checkout shows as the update's.
    const bool later = sql.rfind("insert into 日志(", 0) == 0 ||
                       sql.rfind("update 库存 set 当前库存=当前库存-? where 条码=?", 0) == 0;
    const bool ok = m_server->execute(serverStatement(sql), params, error, later);
    t_rowsChanged[m_serial] = ok ? m_server->rowsChanged() : 0;
    if (ok) {
      const std::string follow = postgresSequenceFollowUp(sql);
      if (!follow.empty()) m_server->execute(follow, {}, error);
      const std::string sharing = postgresTableSharing(sql);
      if (!sharing.empty()) m_server->execute(sharing, {}, error);
    }
    setLastError(ok ? std::string() : error);
    return ok;
  }
  Statement statement = prepare(sql, params);
  if (!statement) return false;
  sqlite3_mutex* mutex = sqlite3_db_mutex(m_db);
  sqlite3_mutex_enter(mutex);
  if (transactionLost()) {
    // The engine gave up the transaction begin() opened (a full disk or an I/O error can do
    // that). Run alone, this statement would commit by itself: refuse it, so nothing of the
    // transaction is stored in pieces, and report what ended the transaction.
    setLastError(m_lostTransactionError);
    sqlite3_mutex_leave(mutex);
    return false;
  }
  // The difference of the connection's running total, read under its lock: sqlite3_changes keeps
  // the count of an earlier insert across a select.
  const sqlite3_int64 changedBefore = sqlite3_total_changes64(m_db);
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
  }
  const bool ok = rc == SQLITE_DONE;
  t_rowsChanged[m_serial] = ok ? sqlite3_total_changes64(m_db) - changedBefore : 0;
  if (!ok) {
    captureError();
    if (transactionLost()) m_lostTransactionError = lastError();
  }
  sqlite3_mutex_leave(mutex);
  return ok;
}

bool Database::transactionLost() const {
  return m_inTransaction && sqlite3_get_autocommit(m_db);
}

bool Database::begin() {
  if (m_server) {
    std::string error;
    const bool ok = m_server->begin(error);
    setLastError(error);
    return ok;
  }
  if (!execute("BEGIN")) return false;
  m_lostTransactionError = "transaction rolled back";
  m_inTransaction = true;
  return true;
}
bool Database::commit() {
  if (m_server) {
    std::string error;
    const bool ok = m_server->commit(error);
    setLastError(error);
    return ok;
  }
  if (!execute("COMMIT")) return false;
  m_inTransaction = false;
  return true;
}
bool Database::rollback() {
  if (m_server) {
    std::string error;
    const bool ok = m_server->rollback(error);
    setLastError(error);
    return ok;
  }
  if (!m_db) return execute("ROLLBACK");
  // A transaction the engine has already rolled back leaves nothing to undo.
  const bool lost = transactionLost();
  m_inTransaction = false;
  if (!lost) return execute("ROLLBACK");
  setLastError({});
  return true;
}

bool Database::lockWriters() {
  if (m_server) return execute("select pg_advisory_xact_lock(7274001)");
  // A file has one writer at a time. Its transaction takes the write lock now, before it reads:
  // one that read first and then waited for another program's commit would find what it read
  // out of date, and fail.
  if (!m_inTransaction || transactionLost()) return true;
  m_inTransaction = false;
  if (!execute("COMMIT") || !execute("BEGIN IMMEDIATE")) return false;
  m_inTransaction = true;
  return true;
}

std::string serverColumnType(const std::string& table, const ColumnDef& column) {
  const std::string& type = column.type;
  if (type == "INTEGER PRIMARY KEY") return "bigint generated by default as identity primary key";
  if (type == "NUMERIC") return "double precision";
  if (type == "TEXT PRIMARY KEY") return "text primary key";
  if (type == "INTEGER") {
    // The permission flags and 参与积分 hold 真/假.
    return table == "账号" || column.name == "参与积分" ? "text" : "double precision";
  }
  return "text";
}

bool Database::createTable(const std::string& name, const std::vector<ColumnDef>& columns,
                           bool ifMissing) {
  std::string list;
  bool hasKey = false;
  bool numbered = false;
  for (const ColumnDef& column : columns) {
    if (!list.empty()) list += ", ";
    list += column.name + " " + (m_server ? serverColumnType(name, column) : column.type);
    numbered = numbered || column.type == "INTEGER PRIMARY KEY";
    hasKey = hasKey || numbered || column.type == "TEXT PRIMARY KEY";
  }
  // The server numbers the rows of a table without a number of its own, as SQLite's rowid does.
  if (m_server && !numbered) {
    list += hasKey ? ", rowid bigint generated by default as identity"
                   : ", rowid bigint generated by default as identity primary key";
  }
  return execute(std::string("CREATE TABLE ") + (ifMissing ? "IF NOT EXISTS " : "") + name + " (" +
                 list + ")");
}

std::string Database::expandedSql(const std::string& sql, const SqlParams& params) {
  if (m_server) return expandedStatement(sql, params);
  Statement statement = prepare(sql, params);
  if (!statement) return {};
  char* expanded = sqlite3_expanded_sql(statement.get());
  std::string text = expanded ? expanded : sql;
  sqlite3_free(expanded);
  return text;
}

int Database::tableCount() {
  RecordSet tables(*this);
  const char* sql = m_server ? "select count(*) from information_schema.tables "
                               "where table_schema=current_schema() and table_type='BASE TABLE'"
                             : "select count(*) from sqlite_master where type='table'";
  if (!tables.open(sql) || !tables.next()) {
    return -1;
  }
  return static_cast<int>(readInteger(tables.field(1)));
}

bool Database::hasTable(const std::string& name) {
  RecordSet tables(*this);
  const char* sql = m_server ? "select count(*) from information_schema.tables "
                               "where table_schema=current_schema() and table_type='BASE TABLE' "
                               "and table_name=?"
                             : "select count(*) from sqlite_master where type='table' and name=?";
  return tables.open(sql, {name}) && tables.next() && tables.field(1) == "1";
}

std::int64_t Database::lastInsertRowId() const {
  if (m_server) return m_server->lastInsertRowId();
  return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

std::int64_t Database::rowsChanged() const {
  const auto found = t_rowsChanged.find(m_serial);
  return found == t_rowsChanged.end() ? 0 : found->second;
}

RecordSet::RecordSet(Database& db) : m_db(db) {}
RecordSet::~RecordSet() = default;

bool RecordSet::open(const std::string& sql, const SqlParams& params) {
  close();
  if (m_db.m_server) {
    std::string error;
    m_rows = m_db.m_server->query(serverStatement(sql), params, error);
    m_db.setLastError(error);
    if (!m_rows) return false;
    for (int i = 0; i < m_rows->columnCount(); ++i) m_columns.emplace(m_rows->columnName(i), i);
    return true;
  }
  m_statement = m_db.prepare(sql, params);
  if (!m_statement) return false;
  const int count = sqlite3_column_count(m_statement.get());
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(m_statement.get(), i);
    if (name) m_columns.emplace(name, i);  // the first column of a name wins
  }
  return true;
}

int RecordSet::goFirst() {
  m_rowCount = 0;
  m_onRow = false;
  if (m_rows) {
    m_row = -1;
    m_rowCount = m_rows->rowCount();
    m_db.setLastError({});
    return m_rowCount;
  }
  if (!m_statement) return 0;
  // Holding the connection's lock keeps another thread's failure from replacing the engine's
  // message before it is read.
  sqlite3_mutex* mutex = sqlite3_db_mutex(sqlite3_db_handle(m_statement.get()));
  sqlite3_mutex_enter(mutex);
  int rc;
  while ((rc = sqlite3_step(m_statement.get())) == SQLITE_ROW) ++m_rowCount;
  if (rc == SQLITE_DONE) {
    m_db.setLastError({});
  } else {
    m_db.captureError();
  }
  sqlite3_reset(m_statement.get());
  sqlite3_mutex_leave(mutex);
  return m_rowCount;
}

bool RecordSet::next() {
  if (m_rows) {
    if (m_row < m_rows->rowCount()) ++m_row;
    m_onRow = m_row < m_rows->rowCount();
    m_db.setLastError({});
    return m_onRow;
  }
  if (!m_statement) return false;
  sqlite3_mutex* mutex = sqlite3_db_mutex(sqlite3_db_handle(m_statement.get()));
  sqlite3_mutex_enter(mutex);
  const int rc = sqlite3_step(m_statement.get());
  m_onRow = rc == SQLITE_ROW;
  if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
    m_db.setLastError({});
  } else {
    m_db.captureError();
  }
  sqlite3_mutex_leave(mutex);
  return m_onRow;
}

int RecordSet::columnCount() const {
  if (m_rows) return m_rows->columnCount();
  return m_statement ? sqlite3_column_count(m_statement.get()) : 0;
}

std::string RecordSet::field(int index1) const {
  if (m_rows) {
    if (!m_onRow || index1 < 1 || index1 > m_rows->columnCount()) return {};
    return m_rows->value(m_row, index1 - 1);
  }
  if (!m_onRow || index1 < 1 || index1 > sqlite3_column_count(m_statement.get())) return {};
  const auto* text = sqlite3_column_text(m_statement.get(), index1 - 1);
  if (!text) return {};
  const int bytes = sqlite3_column_bytes(m_statement.get(), index1 - 1);
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes));
}

std::string RecordSet::field(const std::string& name) const {
  const auto found = m_columns.find(name);
  return found == m_columns.end() ? std::string() : field(found->second + 1);
}

void RecordSet::close() {
  m_statement.reset();
  m_rows.reset();
  m_row = -1;
  m_columns.clear();
  m_rowCount = 0;
  m_onRow = false;
}

}  // namespace cz
