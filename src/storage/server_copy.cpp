#include "storage/server_copy.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "storage/database.h"
#include "storage/postgres.h"
#include "storage/schema.h"

namespace cz {

namespace {

// A batch goes to the server at this many rows or bytes, whichever comes first; the progress line
// moves on with each batch.
constexpr size_t kBatchRows = 10000;
constexpr size_t kBatchBytes = 4u << 20;
// Rows per query when the server's rows are read back for the check.
constexpr int kCheckRows = 20000;
// Numbers of double precision beyond this lose their last digits.
constexpr std::int64_t kExactDoubleLimit = std::int64_t{1} << 53;

// FNV-1a over each field's length and bytes, so ("ab","") and ("a","b") differ.
class Checksum {
 public:
  void add(std::string_view text) {
    const std::uint64_t size = text.size();
    for (int i = 0; i < 8; ++i) mix(static_cast<unsigned char>(size >> (8 * i)));
    for (const char c : text) mix(static_cast<unsigned char>(c));
  }
  std::uint64_t value() const { return m_hash; }

 private:
  void mix(unsigned char byte) {
    m_hash ^= byte;
    m_hash *= 1099511628211ull;
  }
  std::uint64_t m_hash = 14695981039346656037ull;
};

// One table of the file and how it goes over.
struct TablePlan {
  const TableDef* def = nullptr;
  // The column that numbers its rows on the server: its INTEGER PRIMARY KEY, else `rowid`.
  std::string key;
  bool keyed = false;
  // Per column of def: whether the file has it, whether the server keeps it as a number.
  std::vector<bool> inFile;
  std::vector<bool> numeric;
  std::int64_t fileRows = 0;
  std::int64_t copiedRows = 0;
  std::uint64_t fileChecksum = 0;
};

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : "、") + name;
  return text;
}

// The offset of the first byte that is no part of UTF-8 text the server accepts (a NUL, a
// broken or overlong sequence, a surrogate); npos when there is none.
size_t badUtf8At(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if (c == 0) return i;
      ++i;
      continue;
    }
    size_t length;
    std::uint32_t point;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      point = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      point = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      point = c & 0x07;
    } else {
      return i;
    }
    if (i + length > s.size()) return i;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(s[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      point = (point << 6) | (next & 0x3F);
    }
    if ((length == 3 && point < 0x800) || (length == 4 && (point < 0x10000 || point > 0x10FFFF)) ||
        (point >= 0xD800 && point <= 0xDFFF)) {
      return i;
    }
    i += length;
  }
  return std::string_view::npos;
}

// A value quoted for a message: at most 40 characters.
std::string quoted(std::string_view text) {
  size_t end = 0;
  for (int characters = 0; end < text.size() && characters < 40; ++characters) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return "“" + std::string(text.substr(0, end)) + (end < text.size() ? "…" : "") + "”";
}

std::string rowName(const TablePlan& plan, std::int64_t rowid) {
  return "表 " + plan.def->name + " " + (plan.keyed ? plan.key : std::string("rowid")) + " " +
         std::to_string(rowid) + " 的 ";
}

// Adds one value of the file to the batch in the form the server stores; false with the reason
// when the server cannot hold it as it reads here.
bool addValue(sqlite3_stmt* row, int index0, bool numeric, CopyRows& rows, std::string& problem) {
  const int type = sqlite3_column_type(row, index0);
  if (type == SQLITE_NULL) {
    rows.addNull();
    return true;
  }
  if (numeric && type == SQLITE_INTEGER) {
    const sqlite3_int64 value = sqlite3_column_int64(row, index0);
    if (value > kExactDoubleLimit || value < -kExactDoubleLimit) {
      problem = std::to_string(value) + " 超出服务器数字列能准确存放的范围";
      return false;
    }
    rows.add(std::to_string(value));
    return true;
  }
  if (numeric && type == SQLITE_FLOAT) {
    const double value = sqlite3_column_double(row, index0);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, index0));
    const std::string fileText = text ? text : "";
    if (!std::isfinite(value)) {
      problem = fileText + " 不是服务器能存放的数字";
      return false;
    }
    char exact[32];
    std::snprintf(exact, sizeof exact, "%.17g", value);
    const std::string serverText = sqliteNumberText(exact);
    if (serverText != fileText) {
      problem = fileText + " 在服务器上会读作 " + serverText;
      return false;
    }
    rows.add(exact);
    return true;
  }
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(row, index0));
  const std::string_view text(bytes ? bytes : "",
                              static_cast<size_t>(sqlite3_column_bytes(row, index0)));
  if (numeric) {
    // Empty text reads as empty, as NULL does; any other text has no place in a number column.
    if (text.empty()) {
      rows.addNull();
      return true;
    }
    problem = quoted(text) + " 不是数字，服务器上这一列只能存数字";
    return false;
  }
  if (const size_t bad = badUtf8At(text); bad != std::string_view::npos) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[bad]));
    problem = std::string("含有服务器不能存放的字节 ") + byte + "（第 " + std::to_string(bad + 1) +
              " 个字节，文字不是 UTF-8 或含有 NUL）";
    return false;
  }
  rows.add(text);
  return true;
}

// The field's text as the program reads it: NULL as empty text.
std::string_view fileText(sqlite3_stmt* row, int index0) {
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(row, index0));
  return {bytes ? bytes : "", static_cast<size_t>(sqlite3_column_bytes(row, index0))};
}

class Copier {
 public:
  Copier(Database& source, Database& target, std::ostream& out, const ServerCopyOptions& options)
      : m_source(source), m_target(target), m_out(out), m_options(options) {}

  std::string run() {
    std::string problem = plan();
    if (!problem.empty()) return problem;
    // One read transaction on the file, so every table comes from the same moment.
    if (!m_source.begin()) return "读取 data.db 失败：" + m_source.lastError();
    problem = copyAll();
    m_source.rollback();
    return problem;
  }

 private:
  // Which tables go over and how; the reason when the file is no shop of this program's.
  std::string plan() {
    std::vector<std::string> missing;
    for (const auto* tables : {&schemaTables(), &tillTables()}) {
      for (const TableDef& def : *tables) {
        if (!m_source.hasTable(def.name)) {
          if (tables == &schemaTables()) missing.push_back(def.name);
          continue;
        }
        TablePlan plan;
        plan.def = &def;
        plan.key = "rowid";
        std::vector<std::string> fileColumns;
        RecordSet info(m_source);
        if (!info.open("select name from pragma_table_info(?)", {def.name})) {
          return "读取 data.db 失败：" + m_source.lastError();
        }
        while (info.next()) fileColumns.push_back(info.field(1));
        for (const ColumnDef& column : def.columns) {
          bool found = false;
          for (const std::string& name : fileColumns) found = found || name == column.name;
          plan.inFile.push_back(found);
          const std::string type = serverColumnType(def.name, column);
          plan.numeric.push_back(type == "double precision");
          if (column.type == "INTEGER PRIMARY KEY") {
            plan.key = column.name;
            plan.keyed = true;
          }
        }
        std::vector<std::string> unknown;
        for (const std::string& name : fileColumns) {
          bool known = false;
          for (const ColumnDef& column : def.columns) known = known || name == column.name;
          if (!known) unknown.push_back(name);
        }
        if (!unknown.empty()) {
          return "data.db 的表 " + def.name + " 有本程序不认识的列（" + joined(unknown) +
                 "），复制过去会丢失它们";
        }
        m_plans.push_back(std::move(plan));
      }
    }
    if (!missing.empty()) {
      return "data.db 缺少数据表（" + joined(missing) + "），不是完整的收银数据";
    }
    return {};
  }

  std::string copyAll() {
    for (TablePlan& plan : m_plans) {
      RecordSet count(m_source);
      if (!count.open("select count(*) from " + plan.def->name) || !count.next()) {
        return "读取 data.db 的表 " + plan.def->name + " 失败：" + m_source.lastError();
      }
      plan.fileRows = std::stoll(count.field(1));
    }

    Transaction transaction(m_target);
    if (!transaction.started()) return "数据库服务器：" + m_target.lastError();
    if (!m_target.lockWriters()) return "数据库服务器：" + m_target.lastError();
    std::vector<std::string> present;
    for (const auto* tables : {&schemaTables(), &tillTables()}) {
      for (const TableDef& def : *tables) {
        if (m_target.hasTable(def.name)) present.push_back(def.name);
      }
    }
    if (!m_target.lastError().empty()) return "数据库服务器：" + m_target.lastError();
    if (!present.empty()) {
      return "目标数据库里已经有收银的数据表（" + joined(present) +
             "），只能复制到空的数据库；没有做任何改动";
    }

    for (TablePlan& plan : m_plans) {
      if (!m_target.createTable(plan.def->name, plan.def->columns)) {
        return "在服务器上创建表 " + plan.def->name + " 失败：" + m_target.lastError();
      }
      if (std::string problem = copyTable(plan); !problem.empty()) return problem;
    }
    // The lookup indexes (and the till's tables an old file lacks), as at the first start.
    ensureIndexes(m_target);
    if (!m_target.execute("select 1")) {
      return "在服务器上创建索引失败：" + m_target.lastError();
    }
    for (const TablePlan& plan : m_plans) {
      const std::string& table = plan.def->name;
      const std::string sql = "select setval(pg_get_serial_sequence('" + table + "','" + plan.key +
                              "'),greatest(coalesce(max(" + plan.key + "),0)+1,1),false) from " +
                              table;
      if (!m_target.execute(sql)) {
        return "在服务器上设定表 " + table + " 的编号失败：" + m_target.lastError();
      }
    }

    if (m_options.beforeCheck) m_options.beforeCheck(m_target);
    std::int64_t total = 0;
    for (const TablePlan& plan : m_plans) {
      if (std::string problem = checkTable(plan); !problem.empty()) return problem;
      total += plan.copiedRows;
    }
    if (!transaction.commit()) return "数据库服务器没有保存复制：" + m_target.lastError();
    m_out << "核对无误：" << m_plans.size() << " 张表，共 " << total
          << " 行，行数与校验和都和 data.db 一致\n";
    return {};
  }

  void showProgress(const char* stage, const TablePlan& plan, std::int64_t done) {
    if (!m_options.progress) return;
    *m_options.progress << '\r' << stage << ' ' << plan.def->name << "：" << done << '/'
                        << plan.fileRows << std::flush;
    m_progressShown = true;
  }

  // The final line of a step: the progress line is cleared first.
  std::ostream& finalLine() {
    if (m_progressShown) *m_options.progress << "\r\033[K" << std::flush;
    m_progressShown = false;
    return m_out;
  }

  std::string copyTable(TablePlan& plan) {
    const TableDef& def = *plan.def;
    std::string select = "select rowid";
    std::vector<std::string> columns;
    for (size_t i = 0; i < def.columns.size(); ++i) {
      const std::string& name = def.columns[i].name;
      columns.push_back(name);
      select += ",";
      select += plan.keyed && name == plan.key ? "rowid" : plan.inFile[i] ? name : "NULL";
    }
    if (!plan.keyed) columns.push_back("rowid");
    select += " from " + def.name + " order by rowid";
    Statement rows = m_source.prepare(select, {});
    if (!rows) return "读取 data.db 的表 " + def.name + " 失败：" + m_source.lastError();
    if (!m_target.beginCopy(def.name, columns)) {
      return "复制表 " + def.name + " 失败：" + m_target.lastError();
    }
    CopyRows batch;
    Checksum checksum;
    const int fields = static_cast<int>(def.columns.size());
    showProgress("复制", plan, 0);
    int rc;
    while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
      const std::int64_t rowid = sqlite3_column_int64(rows.get(), 0);
      checksum.add(fileText(rows.get(), 0));
      for (int i = 1; i <= fields; ++i) {
        std::string problem;
        if (!addValue(rows.get(), i, plan.numeric[static_cast<size_t>(i - 1)], batch, problem)) {
          m_target.cancelCopy("复制停止");
          return rowName(plan, rowid) + def.columns[static_cast<size_t>(i - 1)].name + "：" +
                 problem + "。请先改正这个值再复制";
        }
        checksum.add(fileText(rows.get(), i));
      }
      if (!plan.keyed) batch.add(std::to_string(rowid));
      batch.endRow();
      ++plan.copiedRows;
      if (batch.rowCount() >= kBatchRows || batch.bytes() >= kBatchBytes) {
        if (!m_target.copyRows(batch)) {
          const std::string error = m_target.lastError();
          m_target.cancelCopy("复制停止");
          return "复制表 " + def.name + " 失败：" + error;
        }
        batch.clear();
        showProgress("复制", plan, plan.copiedRows);
      }
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      m_source.captureError();
      const std::string error = m_source.lastError();
      m_target.cancelCopy("复制停止");
      return "读取 data.db 的表 " + def.name + " 失败：" + error;
    }
    if (!m_target.copyRows(batch)) {
      const std::string error = m_target.lastError();
      m_target.cancelCopy("复制停止");
      return "复制表 " + def.name + " 失败：" + error;
    }
    // The server's verdict on every row of the table.
    if (!m_target.endCopy()) return "复制表 " + def.name + " 失败：" + m_target.lastError();
    plan.fileChecksum = checksum.value();
    finalLine() << "复制 " << def.name << "：" << plan.copiedRows << " 行\n";
    return {};
  }

  // Reads the table back from the server in rowid order, through the same back end the program
  // uses there, and compares it with what was read from the file.
  std::string checkTable(const TablePlan& plan) {
    const TableDef& def = *plan.def;
    std::string columns = plan.key;
    for (const ColumnDef& column : def.columns) columns += "," + column.name;
    const std::string first =
        "select " + columns + " from " + def.name + " order by " + plan.key + " limit ";
    const std::string after = "select " + columns + " from " + def.name + " where " + plan.key +
                              ">? order by " + plan.key + " limit ";
    Checksum checksum;
    std::int64_t rows = 0;
    std::string last;
    showProgress("核对", plan, 0);
    for (bool more = true; more;) {
      RecordSet set(m_target);
      const bool opened = rows == 0 ? set.open(first + std::to_string(kCheckRows))
                                    : set.open(after + std::to_string(kCheckRows), {last});
      if (!opened) return "在服务器上读回表 " + def.name + " 失败：" + m_target.lastError();
      int got = 0;
      while (set.next()) {
        ++got;
        for (int i = 1; i <= set.columnCount(); ++i) checksum.add(set.field(i));
        last = set.field(1);
      }
      rows += got;
      more = got == kCheckRows;
      showProgress("核对", plan, rows);
    }
    if (rows != plan.copiedRows || plan.copiedRows != plan.fileRows) {
      return "核对不一致：表 " + def.name + " 在 data.db 里有 " + std::to_string(plan.fileRows) +
             " 行，服务器上有 " + std::to_string(rows) + " 行";
    }
    if (checksum.value() != plan.fileChecksum) {
      return "核对不一致：表 " + def.name + " 在服务器上的内容和 data.db 里的不同";
    }
    finalLine() << "核对 " << def.name << "：" << rows << " 行一致\n";
    return {};
  }

  Database& m_source;
  Database& m_target;
  std::ostream& m_out;
  const ServerCopyOptions& m_options;
  std::vector<TablePlan> m_plans;
  bool m_progressShown = false;
};

}  // namespace

std::string copyShopToServer(Database& source, Database& target, std::ostream& out,
                             const ServerCopyOptions& options) {
  if (!target.onServer()) return "目标不是数据库服务器";
  return Copier(source, target, out, options).run();
}

int runCopyToServerCommand(const std::string& dataDir, const std::string& connection,
                           std::ostream& out, std::ostream* progress) {
  const std::string path = (std::filesystem::path(dataDir) / "data.db").string();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    out << "找不到数据库：" << path << "\n";
    return 1;
  }
  // A reader of a file in write-ahead-log mode makes data.db-wal and data.db-shm beside it and,
  // reading only, cannot remove them when it goes; the program's own close would have. Those it
  // made are removed afterwards while the log is still empty (nobody wrote meanwhile).
  const bool hadLog = std::filesystem::exists(path + "-wal", error) ||
                      std::filesystem::exists(path + "-shm", error);
  std::string problem;
  {
    Database source;
    if (!source.openReadOnly(path)) {
      out << "无法打开数据库：" << path << "，原因：" << source.lastError() << "\n";
      return 1;
    }
    Database target;
    if (!target.openServer(connection, false)) {
      out << target.lastError() << "\n";
      return 1;
    }
    out << "从 " << path << " 复制到数据库服务器\n";
    ServerCopyOptions options;
    options.progress = progress;
    problem = copyShopToServer(source, target, out, options);
  }
  if (!hadLog && std::filesystem::file_size(path + "-wal", error) == 0 && !error) {
    std::filesystem::remove(path + "-wal", error);
    std::filesystem::remove(path + "-shm", error);
  }
  if (!problem.empty()) {
    out << "复制失败：" << problem << "\n服务器上没有留下这次复制的任何内容。\n";
    return 1;
  }
  out << "复制完成。各台收银机的 配置.ini 里设 [数据库] 类型=PostgreSQL 和 连接=… 后即可使用。\n";
  return 0;
}

}  // namespace cz
