#include "storage/postgres.h"

#include <libpq-fe.h>

#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "storage/database.h"

namespace cz {

namespace {

// The first line of libpq's text, without the "ERROR:  " the server puts before it.
std::string firstLine(const char* message) {
  std::string text = message ? message : "";
  const size_t lineEnd = text.find('\n');
  if (lineEnd != std::string::npos) text.resize(lineEnd);
  if (text.rfind("ERROR:  ", 0) == 0) text.erase(0, 8);
  if (text.rfind("FATAL:  ", 0) == 0) text.erase(0, 8);
  return text;
}

constexpr const char* kDropped = "与数据库服务器的连接已断开：";

// At most this many named statements per connection; texts past them run unnamed.
constexpr size_t kPreparedCapacity = 256;

// Whether the statement is worth preparing under a name: not one that changes the schema or runs
// a block, which run once.
bool preparable(const std::string& sql) {
  size_t at = 0;
  while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at]))) ++at;
  for (const std::string_view word : {"create", "drop", "alter", "do ", "grant", "copy", "vacuum",
                                      "analyze", "reindex", "cluster", "checkpoint", "set ",
                                      "reset ", "discard", "deallocate"}) {
    if (sql.size() - at < word.size()) continue;
    bool same = true;
    for (size_t i = 0; same && i < word.size(); ++i) {
      same = std::tolower(static_cast<unsigned char>(sql[at + i])) == word[i];
    }
    if (same) return false;
  }
  return true;
}

}  // namespace

// One call's wait for the server: when it began, and whether the wait hook was told.
struct PostgresConnections::Call {
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  // How long the call may wait; zero: as long as it takes.
  std::chrono::seconds bound{0};
  bool shown = false;
  std::function<void(bool)> hook;
  ~Call() {
    if (shown && hook) hook(false);
  }
};

struct PostgresConnections::Registry {
  std::mutex mutex;
  std::condition_variable freed;
  std::unordered_map<std::thread::id, std::unique_ptr<Connection>> connections;
  std::thread::id opener = std::this_thread::get_id();
  int workers = 0;

  // Ends the connection's place among the workers' (with the registry's mutex held).
  void uncount(Connection& c) {
    if (!c.counted) return;
    c.counted = false;
    --workers;
    freed.notify_all();
  }
  // The calling thread ends: its connection goes with it.
  void release() {
    std::lock_guard lock(mutex);
    const auto found = connections.find(std::this_thread::get_id());
    if (found == connections.end()) return;
    if (found->second->conn) PQfinish(found->second->conn);
    uncount(*found->second);
    connections.erase(found);
  }
};

namespace {

// What the calling thread does when it ends: closes its connections to every server.
struct ThreadEnd {
  std::vector<std::function<void()>> actions;
  ~ThreadEnd() {
    for (const auto& action : actions) action();
  }
};
thread_local ThreadEnd t_threadEnd;

}  // namespace

PostgresConnections::PostgresConnections(std::string connectionString, ServerWaits waits)
    : m_connectionString(std::move(connectionString)),
      m_waits(waits),
      m_registry(std::make_shared<Registry>()) {
  if (!serverConnectionParameters(m_connectionString, m_waits, m_parameters, m_parameterError)) {
    m_parameters.clear();
  }
}

PostgresConnections::~PostgresConnections() {
  std::lock_guard lock(m_registry->mutex);
  for (auto& [thread, connection] : m_registry->connections) {
    if (connection->conn) PQfinish(connection->conn);
    connection->conn = nullptr;
  }
  m_registry->connections.clear();
}

PostgresConnections::Connection* PostgresConnections::threadEntry(bool create) {
  std::lock_guard lock(m_registry->mutex);
  const auto id = std::this_thread::get_id();
  const auto found = m_registry->connections.find(id);
  if (found != m_registry->connections.end()) return found->second.get();
  if (!create) return nullptr;
  auto& slot = m_registry->connections[id];
  slot = std::make_unique<Connection>();
  t_threadEnd.actions.push_back([registry = std::weak_ptr<Registry>(m_registry)] {
    if (const auto kept = registry.lock()) kept->release();
  });
  return slot.get();
}

void PostgresConnections::setWaitHook(std::function<void(bool waiting)> hook,
                                      std::thread::id thread) {
  std::lock_guard lock(m_mutex);
  m_waitHook = std::move(hook);
  m_waitHookThread = thread;
}

bool PostgresConnections::connect(std::string& error) {
  return threadConnection(error) != nullptr;
}

PostgresConnections::Connection* PostgresConnections::threadConnection(std::string& error) {
  Connection* c = threadEntry(true);
  if (c->conn && PQstatus(c->conn) == CONNECTION_OK) return c;
  if (c->inTransaction) {
    // The transaction went with the connection: nothing more of it may run.
    error = c->lostTransaction.empty() ? std::string(kDropped) : c->lostTransaction;
    return nullptr;
  }
  if (c->conn) drop(*c);
  if (!m_parameterError.empty()) {
    error = "无法连接数据库服务器：" + m_parameterError;
    return nullptr;
  }
  if (std::this_thread::get_id() != m_registry->opener) {
    // A background load waits for another to end rather than open one connection more.
    std::unique_lock lock(m_registry->mutex);
    const bool free =
        m_registry->freed.wait_for(lock, std::chrono::seconds(kServerAnswerSeconds),
                                   [&] { return m_registry->workers < kWorkerConnections; });
    if (!free) {
      error = "无法连接数据库服务器：其他读取仍在进行，请稍后再试";
      return nullptr;
    }
    ++m_registry->workers;
    c->counted = true;
  }
  std::vector<const char*> keys;
  std::vector<const char*> values;
  for (const auto& [key, value] : m_parameters) {
    keys.push_back(key.c_str());
    values.push_back(value.c_str());
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  // Connected step by step, so the wait is bounded by the connect timeout and shown like any
  // other wait for the server.
  c->conn = PQconnectStartParams(keys.data(), values.data(), 0);
  if (!c->conn) {
    error = "无法连接数据库服务器：out of memory";
    return nullptr;
  }
  Call call;
  for (const auto& [key, value] : m_parameters) {
    if (key == "connect_timeout")
      call.bound = std::chrono::seconds(std::max(0, std::atoi(value.c_str())));
  }
  // libpq's own floor for a connect timeout.
  if (call.bound.count() == 1) call.bound = std::chrono::seconds(2);
  PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
  bool timedOut = false;
  while (PQstatus(c->conn) != CONNECTION_BAD && polling != PGRES_POLLING_OK &&
         polling != PGRES_POLLING_FAILED) {
    if (!waitSocket(*c, polling == PGRES_POLLING_WRITING, call)) {
      timedOut = true;
      break;
    }
    polling = PQconnectPoll(c->conn);
  }
  if (timedOut || PQstatus(c->conn) != CONNECTION_OK) {
    error = "无法连接数据库服务器：" +
            (timedOut ? "服务器在 " + std::to_string(call.bound.count()) + " 秒内没有回应"
                      : firstLine(PQerrorMessage(c->conn)));
    drop(*c);
    return nullptr;
  }
  // Notices (an index that exists already) are not the program's business.
  PQsetNoticeProcessor(
      c->conn, [](void*, const char*) {}, nullptr);
  return c;
}

void PostgresConnections::drop(Connection& c) {
  if (c.conn) PQfinish(c.conn);
  c.conn = nullptr;
  // The next connection starts without prepared statements.
  c.prepared.clear();
  std::lock_guard lock(m_registry->mutex);
  m_registry->uncount(c);
}

bool PostgresConnections::waitSocket(Connection& c, bool write, Call& call) {
  using std::chrono::milliseconds;
  const int socket = PQsocket(c.conn);
  if (socket < 0) return true;  // libpq reports what became of it
  const auto never = std::chrono::steady_clock::time_point::max();
  const auto deadline = call.bound.count() > 0 ? call.start + call.bound : never;
  const auto showAt = call.start + milliseconds(500);
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (!call.shown && now >= showAt) {
      call.shown = true;
      {
        std::lock_guard lock(m_mutex);
        if (m_waitHook && m_waitHookThread == std::this_thread::get_id()) call.hook = m_waitHook;
      }
      if (call.hook) call.hook(true);
      continue;
    }
    const auto until = std::min(deadline, call.shown ? never : showAt);
    int timeout = -1;
    if (until != never) {
      timeout = static_cast<int>(
          std::max<long long>(0, std::chrono::ceil<milliseconds>(until - now).count()));
    }
    pollfd watched{socket, static_cast<short>(POLLIN | (write ? POLLOUT : 0)), 0};
    const int ready = ::poll(&watched, 1, timeout);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

pg_result* PostgresConnections::nextResult(Connection& c, Call& call, bool& timedOut) {
  while (PQisBusy(c.conn)) {
    if (!waitSocket(c, false, call)) {
      timedOut = true;
      return nullptr;
    }
    if (!PQconsumeInput(c.conn)) break;  // the connection went: PQgetResult says so
  }
  return PQgetResult(c.conn);
}

PostgresConnections::Reply PostgresConnections::exchange(Connection& c,
                                                         const std::vector<Statement>& statements,
                                                         std::string& error) {
  Reply reply;
  Call call;
  if (m_waits == ServerWaits::Bounded) call.bound = std::chrono::seconds(kServerAnswerSeconds);
  error.clear();
  // What is sent: each statement by its name when this connection has prepared it, else a
  // preparation under a new name followed by the run of that name (a statement past the
  // connection's capacity runs unnamed). The server so parses and plans a text once per connection.
  struct Command {
    size_t statement;
    // The name a preparation gives the statement; empty for a run.
    std::string preparing;
  };
  std::vector<Command> commands;
  std::vector<std::string> names(statements.size());
  // Texts this call prepares: a text sent several times (the log entries of a checkout) is
  // prepared once, before its first run.
  std::unordered_map<std::string_view, std::string> preparing;
  for (size_t i = 0; i < statements.size(); ++i) {
    const std::string& sql = statements[i].sql;
    const auto found = c.prepared.find(sql);
    const auto batch = preparing.find(sql);
    if (found != c.prepared.end()) {
      names[i] = found->second;
    } else if (batch != preparing.end()) {
      names[i] = batch->second;
    } else if (c.prepared.size() + preparing.size() < kPreparedCapacity && preparable(sql)) {
      names[i] = "cz" + std::to_string(++c.preparedCount);
      preparing.emplace(sql, names[i]);
      commands.push_back({i, names[i]});
    }
    commands.push_back({i, {}});
  }
  const bool pipeline = commands.size() > 1;
  bool sent = !pipeline || PQenterPipelineMode(c.conn);
  for (size_t k = 0; sent && k < commands.size(); ++k) {
    const size_t i = commands[k].statement;
    if (!commands[k].preparing.empty()) {
      sent = PQsendPrepare(c.conn, commands[k].preparing.c_str(), statements[i].sql.c_str(), 0,
                           nullptr) == 1;
      continue;
    }
    std::vector<const char*> values;
    values.reserve(statements[i].params.size());
    for (const std::string& p : statements[i].params) values.push_back(p.c_str());
    const int count = static_cast<int>(values.size());
    sent = names[i].empty()
               ? PQsendQueryParams(c.conn, statements[i].sql.c_str(), count, nullptr,
                                   values.data(), nullptr, nullptr, 0) == 1
               : PQsendQueryPrepared(c.conn, names[i].c_str(), count, values.data(), nullptr,
                                     nullptr, 0) == 1;
  }
  if (sent && pipeline) sent = PQpipelineSync(c.conn) == 1;
  bool timedOut = false;
  if (sent) {
    int flushed;
    while ((flushed = PQflush(c.conn)) == 1) {
      if (!waitSocket(c, true, call)) {
        timedOut = true;
        break;
      }
      if (!PQconsumeInput(c.conn)) break;
    }
    sent = flushed == 0;
  }
  if (!sent && !timedOut) {
    failure(c, nullptr, error);
    reply.lost = PQstatus(c.conn) != CONNECTION_OK;
    if (reply.lost) drop(c);
    return reply;
  }
  // Every command's results end with a null one; a pipeline's with its sync.
  for (size_t k = 0; !timedOut && k < commands.size(); ++k) {
    const size_t i = commands[k].statement;
    const bool preparing = !commands[k].preparing.empty();
    while (PGresult* result = nextResult(c, call, timedOut)) {
      const ExecStatusType status = PQresultStatus(result);
      if (status == PGRES_COMMAND_OK && preparing) {
        c.prepared.emplace(statements[i].sql, commands[k].preparing);
      } else if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        if (i + 1 == statements.size() && !reply.refused) {
          PQclear(reply.last);
          reply.last = result;
          continue;
        }
        if (PQntuples(result) == 1 && PQnfields(result) == 1 && !PQgetisnull(result, 0, 0)) {
          c.lastInsertRowId = std::strtoll(PQgetvalue(result, 0, 0), nullptr, 10);
        }
      } else if (status != PGRES_PIPELINE_ABORTED && !reply.refused) {
        failure(c, result, error);
        reply.refused = PQstatus(c.conn) == CONNECTION_OK ||
                        PQresultErrorField(result, PG_DIAG_SQLSTATE) != nullptr;
        if (!reply.refused) reply.lost = true;
        // A prepared statement whose result columns changed with the schema ("cached plan must
        // not change result type"): prepare every text anew under new names from now on.
        const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
        if (state && std::string_view(state) == "0A000") c.prepared.clear();
      }
      PQclear(result);
    }
    if (PQstatus(c.conn) != CONNECTION_OK) break;
  }
  if (!timedOut && pipeline && PQstatus(c.conn) == CONNECTION_OK) {
    if (PGresult* sync = nextResult(c, call, timedOut)) PQclear(sync);
    if (!timedOut) PQexitPipelineMode(c.conn);
  }
  if (timedOut) {
    error = std::string(kDropped) + "服务器在 " + std::to_string(kServerAnswerSeconds) +
            " 秒内没有回应";
    if (c.inTransaction) c.lostTransaction = error;
    reply.lost = true;
  } else if (PQstatus(c.conn) != CONNECTION_OK) {
    if (!reply.refused && error.empty()) failure(c, nullptr, error);
    if (error.rfind(kDropped, 0) != 0) error = kDropped + error;
    if (c.inTransaction) c.lostTransaction = error;
    reply.lost = true;
  }
  if (reply.lost) drop(c);
  if (reply.refused || reply.lost) {
    PQclear(reply.last);
    reply.last = nullptr;
  }
  return reply;
}

pg_result* PostgresConnections::run(Connection& c, const std::string& sql,
                                    const std::vector<std::string>& params, std::string& error) {
  return exchange(c, {Statement{sql, params}}, error).last;
}

void PostgresConnections::failure(Connection& c, pg_result* result, std::string& error) {
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  error = primary ? std::string(primary) : firstLine(PQerrorMessage(c.conn));
  // The server's own words for a refusal are English and technical: say first what happened.
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  if (state && std::string_view(state) == "42501") error = "数据库服务器拒绝了操作：" + error;
  if (PQstatus(c.conn) != CONNECTION_OK) {
    error = kDropped + error;
    if (c.inTransaction) c.lostTransaction = error;
  }
}

PostgresConnections::Reply PostgresConnections::sendWithPending(
    Connection& c, const std::string* sql, const std::vector<std::string>* params,
    std::string& error) {
  std::vector<Statement> statements;
  statements.reserve(c.pending.size() + 1);
  for (const auto& [pendingSql, pendingParams] : c.pending) {
    statements.push_back(Statement{pendingSql, pendingParams});
  }
  if (sql) statements.push_back(Statement{*sql, *params});
  const Reply reply = exchange(c, statements, error);
  c.pending.clear();
  if (reply.refused && c.inTransaction) c.failed = error;
  return reply;
}

bool PostgresConnections::execute(const std::string& sql, const std::vector<std::string>& params,
                                  std::string& error, bool later) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  if (c->inTransaction && !c->failed.empty()) {
    error = c->failed;
    return false;
  }
  if (later && c->inTransaction) {
    c->pending.emplace_back(sql, params);
    c->rowsChanged = 0;
    error.clear();
    return true;
  }
  c->rowsChanged = 0;
  PGresult* result = sendWithPending(*c, &sql, &params, error).last;
  if (!result) return false;
  // The count of an insert, update or delete; a select's count is of rows read, not changed.
  const std::string_view tag = PQcmdStatus(result);
  if (tag.starts_with("INSERT") || tag.starts_with("UPDATE") || tag.starts_with("DELETE")) {
    c->rowsChanged = std::strtoll(PQcmdTuples(result), nullptr, 10);
  }
  if (PQntuples(result) == 1 && PQnfields(result) == 1 && !PQgetisnull(result, 0, 0)) {
    c->lastInsertRowId = std::strtoll(PQgetvalue(result, 0, 0), nullptr, 10);
  }
  PQclear(result);
  return true;
}

std::unique_ptr<PostgresRows> PostgresConnections::query(const std::string& sql,
                                                         const std::vector<std::string>& params,
                                                         std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return nullptr;
  if (c->inTransaction && !c->failed.empty()) {
    error = c->failed;
    return nullptr;
  }
  PGresult* result = sendWithPending(*c, &sql, &params, error).last;
  if (!result) return nullptr;
  return std::make_unique<PostgresRows>(result);
}

bool PostgresConnections::begin(std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  // The server only warns of a BEGIN within a transaction and goes on in the outer one; SQLite
  // refuses it, and so does this, so the inner work is never committed with the outer.
  if (c->inTransaction || PQtransactionStatus(c->conn) != PQTRANS_IDLE) {
    error = "there is already a transaction in progress";
    return false;
  }
  // It goes with the transaction's first statement.
  c->pending.emplace_back("BEGIN", std::vector<std::string>());
  c->inTransaction = true;
  c->lostTransaction.clear();
  c->failed.clear();
  error.clear();
  return true;
}

bool PostgresConnections::commit(std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  if (!c->failed.empty()) {
    error = c->failed;
    return false;
  }
  const std::string sql = "COMMIT";
  const std::vector<std::string> none;
  const Reply reply = sendWithPending(*c, &sql, &none, error);
  if (!reply.last) {
    if (reply.lost && !reply.refused) {
      // The commit was sent, its answer never came: the server may have stored it or not.
      error = "与数据库服务器的连接在提交时断开，无法确定是否已保存，请在记录中查看后再操作：" +
              error.substr(error.rfind(kDropped, 0) == 0 ? std::string(kDropped).size() : 0);
      c->lostTransaction = error;
    }
    return false;
  }
  // A COMMIT of a transaction the server had already aborted answers ROLLBACK.
  const std::string tag = PQcmdStatus(reply.last);
  PQclear(reply.last);
  if (tag == "ROLLBACK") {
    error = "事务已回滚";
    c->inTransaction = false;
    return false;
  }
  c->inTransaction = false;
  return true;
}

bool PostgresConnections::rollback(std::string& error) {
  Connection* c = threadEntry(false);
  if (!c) return true;
  c->failed.clear();
  // Nothing of the transaction reached the server yet: nothing to undo there.
  const bool nothingSent = !c->pending.empty() && c->pending.front().first == "BEGIN";
  c->pending.clear();
  if (nothingSent) {
    c->inTransaction = false;
    c->lostTransaction.clear();
    error.clear();
    return true;
  }
  const bool wasLost =
      !c->conn || !c->lostTransaction.empty() || PQstatus(c->conn) != CONNECTION_OK;
  c->inTransaction = false;
  c->lostTransaction.clear();
  if (wasLost) {
    // The server rolled it back when the connection went; the next statement reconnects.
    error.clear();
    return true;
  }
  PGresult* result = run(*c, "ROLLBACK", {}, error);
  if (!result) return false;
  PQclear(result);
  return true;
}

size_t PostgresConnections::preparedStatements() {
  Connection* c = threadEntry(false);
  return c ? c->prepared.size() : 0;
}

std::int64_t PostgresConnections::rowsChanged() {
  Connection* c = threadEntry(false);
  return c ? c->rowsChanged : 0;
}

std::int64_t PostgresConnections::lastInsertRowId() {
  Connection* c = threadEntry(false);
  if (!c) return 0;
  if (!c->pending.empty() && c->conn) {
    std::string error;
    const Reply reply = sendWithPending(*c, nullptr, nullptr, error);
    PQclear(reply.last);
  }
  return c->lastInsertRowId;
}

}  // namespace cz
