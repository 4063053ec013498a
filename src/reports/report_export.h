#pragma once

#include <string>
#include <vector>

#include "reports/report_tables.h"

namespace cz {

enum class ExportFormat { None, Csv, Xlsx };

// The format a file name asks for by its ending (.csv or .xlsx, any case); None for others.
ExportFormat exportFormatOf(const std::string& path);

// The tables as CSV text: UTF-8 with a byte-order mark (so spreadsheet programs show the
// Chinese), lines ending in CR LF, fields quoted where they hold a comma, a quote or a line
// break; several tables one after the other with a blank line between.
std::string csvText(const std::vector<ReportTable>& tables);

// Writes the tables to `path` in the format its ending names: CSV as above, or an XLSX workbook
// with one sheet per table (named by its title, numbers as numbers). False with the reason in
// `error` when the ending is neither or the file cannot be written; a file that failed halfway is
// removed.
bool writeReportFile(const std::string& path, const std::vector<ReportTable>& tables,
                     std::string& error);

}  // namespace cz
