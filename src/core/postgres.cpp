#include "core/postgres.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "core/schema.h"

namespace cz {

namespace {

// Type numbers of the server's floating and decimal types (pg_type.oid).
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

const TableDef* knownTable(const std::string& name) {
  for (const auto* tables : {&schemaTables(), &tillTables()}) {
    for (const TableDef& table : *tables) {
      if (table.name == name) return &table;
    }
  }
  return nullptr;
}

// The column that numbers a table's rows: its INTEGER PRIMARY KEY, else `rowid`.
std::string rowNumberColumn(const TableDef& table) {
  for (const ColumnDef& column : table.columns) {
    if (column.type == "INTEGER PRIMARY KEY") return column.name;
  }
  return "rowid";
}

bool isWordByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || std::isalnum(u) || c == '_';
}

// The word (identifier) that starts at `at`.
std::string wordAt(const std::string& text, size_t at) {
  size_t end = at;
  while (end < text.size() && isWordByte(text[end])) ++end;
  return text.substr(at, end - at);
}

// Rewrites the code between quoted literals.
std::string rewriteCode(const std::string& code, const std::string& whole, size_t codeStart) {
  std::string out = code;
  static const std::regex like(R"(([^\s(]+)\s+like\s)", std::regex::icase);
  out = std::regex_replace(out, like, "$1::text ilike ");
  // The blanks of the member indexes: space, tab, line breaks and the full-width space.
  static const std::string blanks = "char(32,9,10,13,12288)";
  for (size_t at; (at = out.find(blanks)) != std::string::npos;) {
    out.replace(at, blanks.size(), "' \t\n\r\xE3\x80\x80'");
  }
  static const std::regex ifnull(R"((^|[^A-Za-z_])ifnull\()", std::regex::icase);
  out = std::regex_replace(out, ifnull, "$1coalesce(");
  static const std::regex trim(R"((^|[^A-Za-z_])trim\()");
  out = std::regex_replace(out, trim, "$1btrim(");
  // `*` of a known table: its columns, in the order SQLite lists them.
  for (size_t at = 0; (at = out.find('*', at)) != std::string::npos; ++at) {
    if (at > 0 && out[at - 1] == '(') continue;  // count(*)
    const size_t fromCode = out.find(" from ", at);
    std::string table;
    if (fromCode != std::string::npos) {
      table = wordAt(out, fromCode + 6);
    } else {
      // The from clause lies beyond a quoted literal: look in the whole statement.
      const size_t fromWhole = whole.find(" from ", codeStart);
      if (fromWhole != std::string::npos) table = wordAt(whole, fromWhole + 6);
    }
    const TableDef* def = knownTable(table);
    if (!def) continue;
    std::string list;
    for (const ColumnDef& column : def->columns) {
      if (!list.empty()) list += ",";
      list += column.name;
    }
    out.replace(at, 1, list);
    at += list.size() - 1;
  }
  return out;
}

}  // namespace

std::string postgresStatement(const std::string& sql) {
  std::string out;
  std::string code;
  int placeholder = 0;
  size_t codeStart = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'') {
      out += rewriteCode(code, sql, codeStart);
      code.clear();
      size_t end = i + 1;
      while (end < sql.size()) {
        if (sql[end] == '\'') {
          if (end + 1 < sql.size() && sql[end + 1] == '\'') {
            end += 2;
            continue;
          }
          break;
        }
        ++end;
      }
      out += sql.substr(i, end + 1 - i);
      i = end;
      codeStart = end + 1;
    } else if (c == '?') {
      code += "$" + std::to_string(++placeholder);
    } else {
      code += c;
    }
  }
  out += rewriteCode(code, sql, codeStart);
  // An insert into a known table hands back the new row's number.
  static const std::regex insert(R"(^\s*insert\s+into\s+([^\s(]+))", std::regex::icase);
  std::smatch match;
  if (std::regex_search(out, match, insert)) {
    if (const TableDef* def = knownTable(match[1].str())) {
      out += " returning " + rowNumberColumn(*def);
    }
  }
  return out;
}

std::string postgresSequenceFollowUp(const std::string& sql) {
  static const std::regex insert(R"(^\s*insert\s+into\s+([^\s(]+)\s*\(([^)]*)\))",
                                 std::regex::icase);
  std::smatch match;
  if (!std::regex_search(sql, match, insert)) return {};
  const std::string table = match[1].str();
  const TableDef* def = knownTable(table);
  if (!def) return {};
  const std::string key = rowNumberColumn(*def);
  std::string columns = "," + match[2].str() + ",";
  std::erase(columns, ' ');
  if (columns.find("," + key + ",") == std::string::npos) return {};
  return "select setval(pg_get_serial_sequence('" + table + "','" + key + "'),(select max(" + key +
         ") from " + table + "))";
}

std::string expandedStatement(const std::string& sql, const std::vector<std::string>& params) {
  std::string out;
  size_t next = 0;
  bool inLiteral = false;
  for (const char c : sql) {
    if (c == '\'') inLiteral = !inLiteral;
    if (c == '?' && !inLiteral && next < params.size()) {
      out += '\'';
      for (const char v : params[next]) {
        out += v;
        if (v == '\'') out += '\'';
      }
      out += '\'';
      ++next;
    } else {
      out += c;
    }
  }
  return out;
}

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
    m_floatColumns.push_back(type == kFloat4 || type == kFloat8 || type == kNumeric);
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
  return m_floatColumns[static_cast<size_t>(index0)] ? sqliteNumberText(text) : text;
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
  PGresult* result = run(*c, sql, params, error);
  if (!result) return false;
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

std::int64_t PostgresConnections::lastInsertRowId() {
  std::lock_guard lock(m_mutex);
  auto found = m_connections.find(std::this_thread::get_id());
  return found == m_connections.end() ? 0 : found->second->lastInsertRowId;
}

}  // namespace cz
