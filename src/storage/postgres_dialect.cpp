#include "storage/postgres_dialect.h"

#include <algorithm>
#include <cctype>
#include <regex>

#include "storage/schema.h"

namespace cz {

namespace {

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

// The server wants a name for each subquery in a from clause; SQLite does not.
std::string aliasSubqueries(const std::string& code) {
  static const std::regex from(R"(\bfrom\s*\(\s*select\b)", std::regex::icase);
  std::string out = code;
  int named = 0;
  for (size_t searchFrom = 0;;) {
    std::smatch match;
    const std::string rest = out.substr(searchFrom);
    if (!std::regex_search(rest, match, from)) break;
    const size_t open =
        searchFrom + static_cast<size_t>(match.position(0)) + match.str(0).find('(');
    int depth = 0;
    size_t close = std::string::npos;
    for (size_t i = open; i < out.size(); ++i) {
      if (out[i] == '(') ++depth;
      if (out[i] == ')' && --depth == 0) {
        close = i;
        break;
      }
    }
    if (close == std::string::npos) break;
    size_t next = close + 1;
    while (next < out.size() && std::isspace(static_cast<unsigned char>(out[next]))) ++next;
    std::string word = wordAt(out, next);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const char* const clauses[] = {"",      "where", "order", "group", "limit",
                                          "union", "join",  "left",  "inner", "cross"};
    if (std::find(std::begin(clauses), std::end(clauses), word) != std::end(clauses)) {
      const std::string alias = " as cz_sub" + std::to_string(++named);
      out.insert(close + 1, alias);
      close += alias.size();
    }
    searchFrom = open + 1;
  }
  return out;
}

// Rewrites the code between quoted literals.
std::string rewriteCode(const std::string& code, const std::string& whole, size_t codeStart) {
  std::string out = code;
  // SQLite's LIKE has no escape character, the server's takes a backslash unless told otherwise.
  static const std::regex likeValue(R"(([^\s(]+)\s+like\s+(\$\d+))", std::regex::icase);
  out = std::regex_replace(out, likeValue, "$1::text ilike $2 escape ''");
  static const std::regex like(R"(([^\s(]+)\s+like\s)", std::regex::icase);
  out = std::regex_replace(out, like, "$1::text ilike ");
  // `order by +x` keeps SQLite off the index of x; the server knows no unary plus for text.
  static const std::regex unaryPlus(R"((\bby\s+|,\s*)\+)", std::regex::icase);
  out = std::regex_replace(out, unaryPlus, "$1");
  out = aliasSubqueries(out);
  // The blanks of the member indexes: space, tab, line breaks and the full-width space.
  static const std::string blanks = "char(32,9,10,13,12288)";
  for (size_t at; (at = out.find(blanks)) != std::string::npos;) {
    out.replace(at, blanks.size(), "' \t\n\r\xE3\x80\x80'");
  }
  static const std::regex ifnull(R"((^|[^A-Za-z_])ifnull\()", std::regex::icase);
  out = std::regex_replace(out, ifnull, "$1coalesce(");
  // instr(text, part): the server's strpos, which wants both as text.
  static const std::regex instr(R"((^|[^A-Za-z_])instr\(([^,()]+),([^,()]+)\))", std::regex::icase);
  out = std::regex_replace(out, instr, "$1strpos(($2)::text,($3)::text)");
  // A value trimmed needs its type named: btrim takes text or bytes.
  static const std::regex trimValue(R"((^|[^A-Za-z_])trim\((\$\d+),)");
  out = std::regex_replace(out, trimValue, "$1btrim($2::text,");
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

// SQLite keeps an empty text in a number column as it is; the server's number columns cannot
// hold it, so a value given to a number column reads an empty text as NULL (read back as empty
// text all the same).
std::string emptyNumbersAsNull(const std::string& sql) {
  static const std::regex update(R"(^\s*update\s+([^\s(]+)\s+set\s)", std::regex::icase);
  static const std::regex insert(
      R"(^\s*insert\s+into\s+([^\s(]+)\s*(\(([^)]*)\))?\s*values\s*\(([^)]*)\))",
      std::regex::icase);
  static const std::string asNumber = "nullif(?,'')::double precision";
  std::smatch match;
  if (std::regex_search(sql, match, update)) {
    const TableDef* def = knownTable(match[1].str());
    if (!def) return sql;
    std::string out = sql;
    for (const ColumnDef& column : def->columns) {
      if (serverColumnType(def->name, column) != "double precision") continue;
      const std::regex assigned("([\\s,])" + column.name + "\\s*=\\s*\\?");
      out = std::regex_replace(out, assigned, "$1" + column.name + "=" + asNumber);
    }
    return out;
  }
  if (std::regex_search(sql, match, insert)) {
    const TableDef* def = knownTable(match[1].str());
    if (!def) return sql;
    const auto split = [](const std::string& list) {
      std::vector<std::string> items;
      size_t start = 0;
      for (size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1) {
        items.push_back(list.substr(start, comma - start));
      }
      items.push_back(list.substr(start));
      return items;
    };
    const auto trimmed = [](std::string item) {
      std::erase_if(item, [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
      return item;
    };
    // Without a column list the values are the table's columns in order.
    std::vector<std::string> columns;
    if (match[2].matched) {
      for (const std::string& column : split(match[3].str())) columns.push_back(trimmed(column));
    } else {
      for (const ColumnDef& column : def->columns) columns.push_back(column.name);
    }
    std::vector<std::string> values = split(match[4].str());
    if (columns.size() != values.size()) return sql;
    // A literal holding a comma or a bracket is not cut apart: such a list is left as it is.
    for (const std::string& value : values) {
      if (std::count(value.begin(), value.end(), '\'') % 2 != 0) return sql;
    }
    bool changed = false;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (trimmed(values[i]) != "?") continue;
      for (const ColumnDef& column : def->columns) {
        if (column.name == columns[i] &&
            serverColumnType(def->name, column) == "double precision") {
          values[i] = asNumber;
          changed = true;
        }
      }
    }
    if (!changed) return sql;
    std::string list;
    for (const std::string& value : values) list += (list.empty() ? "" : ",") + value;
    return sql.substr(0, static_cast<size_t>(match.position(4))) + list +
           sql.substr(static_cast<size_t>(match.position(4) + match.length(4)));
  }
  return sql;
}

// The number of a ?NNN placeholder (digits from `begin` to `end`), at most a million, so an
// absurd number fails as an unknown value rather than overflowing.
int placeholderNumber(const std::string& sql, size_t begin, size_t end) {
  int number = 0;
  for (size_t i = begin; i < end && number <= 1000000; ++i) number = number * 10 + (sql[i] - '0');
  return std::min(number, 1000001);
}

}  // namespace

std::string postgresStatement(const std::string& statement) {
  // The number of orders comes from the count the triggers keep (see keepOrderCounts).
  for (const char* table : {"销售", "进货"}) {
    if (statement == std::string("select count(*) from ") + table) {
      return std::string("select coalesce((select 行数 from 行数 where 表名='") + table +
             "'), (select count(*) from " + table + "))";
    }
  }
  const std::string sql = emptyNumbersAsNull(statement);
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
      // ?NNN names its value by number; a bare ? takes the next after the largest so far.
      size_t digits = i + 1;
      while (digits < sql.size() && std::isdigit(static_cast<unsigned char>(sql[digits]))) ++digits;
      if (digits > i + 1) {
        const int number = placeholderNumber(sql, i + 1, digits);
        placeholder = std::max(placeholder, number);
        code += "$" + std::to_string(number);
        i = digits - 1;
      } else {
        code += "$" + std::to_string(++placeholder);
      }
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
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'') inLiteral = !inLiteral;
    if (c != '?' || inLiteral) {
      out += c;
      continue;
    }
    size_t digits = i + 1;
    while (digits < sql.size() && std::isdigit(static_cast<unsigned char>(sql[digits]))) ++digits;
    size_t index = next;
    if (digits > i + 1) {
      index = static_cast<size_t>(placeholderNumber(sql, i + 1, digits)) - 1;
      next = std::max(next, index + 1);
    } else {
      ++next;
    }
    if (index >= params.size()) {
      out += sql.substr(i, digits - i);
    } else {
      out += '\'';
      for (const char v : params[index]) {
        out += v;
        if (v == '\'') out += '\'';
      }
      out += '\'';
    }
    i = digits - 1;
  }
  return out;
}

}  // namespace cz
