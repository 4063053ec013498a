#include "reports/report_export.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "util/numbers.h"

namespace cz {

namespace {

bool endsWithIgnoringCase(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(ending.begin(), ending.end(), text.end() - static_cast<long>(ending.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

// A plain decimal number, signed or not: "-3", "12.5".
bool isPlainNumber(const std::string& text) {
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  bool digit = false;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      digit = true;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

// A spreadsheet opening the file reads a cell that starts with = + - @ (or a tab or line break
// before them) as a formula: a goods named "=HYPERLINK(…)" would run as one. Such a text gets a
// leading apostrophe and shows as the text it is; negative amounts stay numbers.
std::string guardedCell(const std::string& text) {
  if (text.empty() || std::string("=+-@\t\r").find(text[0]) == std::string::npos) return text;
  if (isPlainNumber(text)) return text;
  return "'" + text;
}

std::string csvField(const std::string& cell) {
  const std::string text = guardedCell(cell);
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void appendCsvRow(std::string& out, const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i) out += ',';
    out += csvField(cells[i]);
  }
  out += "\r\n";
}

void removeQuietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

bool writeCsv(const std::string& path, const std::vector<ReportTable>& tables,
              std::string& error) {
  const std::string text = csvText(tables);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (file) file.close();
  if (!file) {
    removeQuietly(path);
    error = "无法写入文件：" + path;
    return false;
  }
  return true;
}

bool writeXlsx(const std::string& path, const std::vector<ReportTable>& tables,
               std::string& error) {
  lxw_workbook* workbook = workbook_new(path.c_str());
  if (!workbook) {
    error = "无法写入文件：" + path;
    return false;
  }
  lxw_format* bold = workbook_add_format(workbook);
  format_set_bold(bold);
  for (const ReportTable& table : tables) {
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, table.title.c_str());
    if (!sheet) continue;
    for (std::size_t c = 0; c < table.headers.size(); ++c) {
      worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), table.headers[c].c_str(), bold);
      worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                           static_cast<int>(c) < table.textColumns ? 16 : 12, nullptr);
    }
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
      const auto row = static_cast<lxw_row_t>(r + 1);
      const bool totals = r + 1 == table.rows.size();
      for (std::size_t c = 0; c < table.rows[r].size(); ++c) {
        const std::string& cell = table.rows[r][c];
        const auto column = static_cast<lxw_col_t>(c);
        if (static_cast<int>(c) < table.textColumns) {
          worksheet_write_string(sheet, row, column, cell.c_str(), totals ? bold : nullptr);
        } else {
          worksheet_write_number(sheet, row, column, readNumber(cell), totals ? bold : nullptr);
        }
      }
    }
  }
  const lxw_error result = workbook_close(workbook);
  if (result != LXW_NO_ERROR) {
    removeQuietly(path);
    error = "无法写入文件：" + path + "（" + lxw_strerror(result) + "）";
    return false;
  }
  return true;
}

}  // namespace

ExportFormat exportFormatOf(const std::string& path) {
  if (endsWithIgnoringCase(path, ".csv")) return ExportFormat::Csv;
  if (endsWithIgnoringCase(path, ".xlsx")) return ExportFormat::Xlsx;
  return ExportFormat::None;
}

std::string csvText(const std::vector<ReportTable>& tables) {
  std::string out = "\xEF\xBB\xBF";
  for (std::size_t t = 0; t < tables.size(); ++t) {
    if (t) out += "\r\n";
    appendCsvRow(out, tables[t].headers);
    for (const auto& row : tables[t].rows) appendCsvRow(out, row);
  }
  return out;
}

bool writeReportFile(const std::string& path, const std::vector<ReportTable>& tables,
                     std::string& error) {
  switch (exportFormatOf(path)) {
    case ExportFormat::Csv:
      return writeCsv(path, tables, error);
    case ExportFormat::Xlsx:
      return writeXlsx(path, tables, error);
    case ExportFormat::None:
      break;
  }
  error = "文件名须以 .csv 或 .xlsx 结尾：" + path;
  return false;
}

}  // namespace cz
