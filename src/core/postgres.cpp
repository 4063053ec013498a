#include "core/postgres.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/database.h"

namespace cz {

namespace {

// Type numbers of the server's floating and decimal types (pg_type.oid).
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;
constexpr Oid kBool = 16;

}  // namespace

std::string sqliteNumberText(const std::string& serverText) {
  char* end = nullptr;
  const double value = std::strtod(serverText.c_str(), &end);
  if (end == serverText.c_str() || *end != '\0' || !std::isfinite(value)) return serverText;
  if (value == std::floor(value) && std::fabs(value) < 9.2e18) {
    return std::to_string(static_cast<long long>(value));
  }
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text = buffer;
  // SQLite always shows a real number's point: 1.0e+20.
  if (text.find('.') == std::string::npos) {
    const size_t exponent = text.find('e');
    text.insert(exponent == std::string::npos ? text.size() : exponent, ".0");
  }
  return text;
}

void appendCopyField(std::string& out, std::string_view value) {
  for (const char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
}

PostgresRows::PostgresRows(pg_result* result) : m_result(result) {
  const int columns = PQnfields(m_result);
  for (int c = 0; c < columns; ++c) {
    const Oid type = PQftype(m_result, c);
    m_kinds.push_back(type == kFloat4 || type == kFloat8 || type == kNumeric ? Kind::Number
                      : type == kBool                                        ? Kind::Truth
                                                                             : Kind::Text);
  }
}

PostgresRows::~PostgresRows() {
  PQclear(m_result);
}

int PostgresRows::rowCount() const {
  return PQntuples(m_result);
}

int PostgresRows::columnCount() const {
  return PQnfields(m_result);
}

std::string PostgresRows::columnName(int index0) const {
  const char* name = PQfname(m_result, index0);
  return name ? name : "";
}

std::string PostgresRows::value(int row, int index0) const {
  if (PQgetisnull(m_result, row, index0)) return {};
  std::string text(PQgetvalue(m_result, row, index0),
                   static_cast<size_t>(PQgetlength(m_result, row, index0)));
  switch (m_kinds[static_cast<size_t>(index0)]) {
    case Kind::Number:
      return sqliteNumberText(text);
    case Kind::Truth:
      // A comparison selected as a column: SQLite gives 1 or 0.
      return text == "t" ? "1" : "0";
    case Kind::Text:
      break;
  }
  return text;
}

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

}  // namespace

PostgresConnections::PostgresConnections(std::string connectionString)
    : m_connectionString(std::move(connectionString)) {}

PostgresConnections::~PostgresConnections() {
  for (auto& [thread, connection] : m_connections) {
    if (connection->conn) PQfinish(connection->conn);
  }
}

bool PostgresConnections::connect(std::string& error) {
  return threadConnection(error) != nullptr;
}

PostgresConnections::Connection* PostgresConnections::threadConnection(std::string& error) {
  Connection* c;
  {
    std::lock_guard lock(m_mutex);
    auto& slot = m_connections[std::this_thread::get_id()];
    if (!slot) slot = std::make_unique<Connection>();
    c = slot.get();
  }
  if (c->conn && PQstatus(c->conn) == CONNECTION_OK) return c;
  if (c->inTransaction) {
    // The transaction went with the connection: nothing more of it may run.
    error = c->lostTransaction;
    return nullptr;
  }
  if (c->conn) {
    PQreset(c->conn);
  } else {
    c->conn = PQconnectdb(m_connectionString.c_str());
  }
  if (PQstatus(c->conn) != CONNECTION_OK) {
    error = "无法连接数据库服务器：" + firstLine(PQerrorMessage(c->conn));
    PQfinish(c->conn);
    c->conn = nullptr;
    return nullptr;
  }
  // Notices (an index that exists already) are not the program's business.
  PQsetNoticeProcessor(
      c->conn, [](void*, const char*) {}, nullptr);
  PGresult* settings = PQexec(c->conn, "set client_encoding to 'UTF8'");
  PQclear(settings);
  return c;
}

pg_result* PostgresConnections::run(Connection& c, const std::string& sql,
                                    const std::vector<std::string>& params, std::string& error) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const std::string& p : params) values.push_back(p.c_str());
  PGresult* result = PQexecParams(c.conn, sql.c_str(), static_cast<int>(params.size()), nullptr,
                                  values.data(), nullptr, nullptr, 0);
  const ExecStatusType status = PQresultStatus(result);
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
    error.clear();
    return result;
  }
  failure(c, result, error);
  PQclear(result);
  return nullptr;
}

void PostgresConnections::failure(Connection& c, pg_result* result, std::string& error) {
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  error = primary ? std::string(primary) : firstLine(PQerrorMessage(c.conn));
  if (PQstatus(c.conn) != CONNECTION_OK) {
    error = kDropped + error;
    if (c.inTransaction) c.lostTransaction = error;
  }
}

bool PostgresConnections::beginCopy(const std::string& sql, std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  PGresult* result = PQexec(c->conn, sql.c_str());
  const bool started = PQresultStatus(result) == PGRES_COPY_IN;
  if (!started) failure(*c, result, error);
  PQclear(result);
  return started;
}

bool PostgresConnections::putCopyData(const std::string& data, std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  // In pieces of at most a megabyte, so libpq's buffer stays small.
  constexpr size_t kPiece = 1 << 20;
  for (size_t at = 0; at < data.size(); at += kPiece) {
    const int size = static_cast<int>(std::min(kPiece, data.size() - at));
    if (PQputCopyData(c->conn, data.data() + at, size) != 1) {
      failure(*c, nullptr, error);
      return false;
    }
  }
  return true;
}

bool PostgresConnections::endCopy(const char* abortReason, std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  bool ok = PQputCopyEnd(c->conn, abortReason) == 1;
  if (!ok) failure(*c, nullptr, error);
  // The outcome of the COPY, then nothing.
  while (PGresult* result = PQgetResult(c->conn)) {
    if (ok && PQresultStatus(result) != PGRES_COMMAND_OK) {
      ok = false;
      failure(*c, result, error);
    }
    PQclear(result);
  }
  if (ok && abortReason) {
    ok = false;
    error = abortReason;
  }
  if (ok) error.clear();
  return ok;
}

bool PostgresConnections::execute(const std::string& sql, const std::vector<std::string>& params,
                                  std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  c->rowsChanged = 0;
  PGresult* result = run(*c, sql, params, error);
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
  PGresult* result = run(*c, sql, params, error);
  if (!result) return nullptr;
  return std::make_unique<PostgresRows>(result);
}

bool PostgresConnections::begin(std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  // The server only warns of a BEGIN within a transaction and goes on in the outer one; SQLite
  // refuses it, and so does this, so the inner work is never committed with the outer.
  if (PQtransactionStatus(c->conn) != PQTRANS_IDLE) {
    error = "there is already a transaction in progress";
    return false;
  }
  if (!execute("BEGIN", {}, error)) return false;
  c->inTransaction = true;
  c->lostTransaction.clear();
  return true;
}

bool PostgresConnections::commit(std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  PGresult* result = run(*c, "COMMIT", {}, error);
  if (!result) {
    if (PQstatus(c->conn) != CONNECTION_OK) {
      // The commit was sent, its answer never came: the server may have stored it or not.
      error = "与数据库服务器的连接在提交时断开，无法确定是否已保存，请在记录中查看后再操作：" +
              firstLine(PQerrorMessage(c->conn));
      c->lostTransaction = error;
    }
    return false;
  }
  // A COMMIT of a transaction the server had already aborted answers ROLLBACK.
  const std::string tag = PQcmdStatus(result);
  PQclear(result);
  if (tag == "ROLLBACK") {
    error = "事务已回滚";
    c->inTransaction = false;
    return false;
  }
  c->inTransaction = false;
  return true;
}

bool PostgresConnections::rollback(std::string& error) {
  Connection* c;
  {
    std::lock_guard lock(m_mutex);
    auto found = m_connections.find(std::this_thread::get_id());
    c = found == m_connections.end() ? nullptr : found->second.get();
  }
  if (!c || !c->conn) return true;
  const bool wasLost = !c->lostTransaction.empty() || PQstatus(c->conn) != CONNECTION_OK;
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

std::int64_t PostgresConnections::rowsChanged() {
  std::lock_guard lock(m_mutex);
  auto found = m_connections.find(std::this_thread::get_id());
  return found == m_connections.end() ? 0 : found->second->rowsChanged;
}

std::int64_t PostgresConnections::lastInsertRowId() {
  std::lock_guard lock(m_mutex);
  auto found = m_connections.find(std::this_thread::get_id());
  return found == m_connections.end() ? 0 : found->second->lastInsertRowId;
}

}  // namespace cz
