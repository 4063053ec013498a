// How the server's values read as SQLite's: numbers printed as SQLite prints them, comparisons as
// 1/0, and the fields of a COPY.
#include <libpq-fe.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "storage/postgres.h"

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

}  // namespace cz
