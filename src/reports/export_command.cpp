#include "reports/export_command.h"

#include <filesystem>
#include <system_error>

#include "reports/report_export.h"
#include "reports/report_tables.h"
#include "reports/sales_report.h"
#include "storage/database.h"
#include "storage/database_kind.h"
#include "util/numbers.h"

namespace cz {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage = "用法：chenzhou-pos --export-sales 开始日期 结束日期 文件（日期如 "
                               "2026-11-01，文件以 .csv 或 .xlsx 结尾）";

}  // namespace

int runExportSalesCommand(const std::string& dataDir, const std::vector<std::string>& arguments,
                          std::ostream& out) {
  if (arguments.size() != 3) {
    out << kUsage << "\n";
    return 2;
  }
  const auto first = parseDayText(arguments[0]);
  const auto last = parseDayText(arguments[1]);
  const std::string& file = arguments[2];
  if (!first || !last) {
    out << "日期须写成 YYYY-MM-DD：" << (first ? arguments[1] : arguments[0]) << "\n" << kUsage << "\n";
    return 2;
  }
  if (dayNumber(*last) < dayNumber(*first)) {
    out << "结束日期不能早于开始日期\n";
    return 2;
  }
  if (exportFormatOf(file) == ExportFormat::None) {
    out << "文件须以 .csv 或 .xlsx 结尾：" << file << "\n";
    return 2;
  }

  const DatabaseChoice choice = readDatabaseChoice((fs::path(dataDir) / "配置.ini").string());
  Database db;
  if (choice.kind == DatabaseKind::Invalid) {
    out << choice.error << "\n";
    return 1;
  }
  if (choice.kind == DatabaseKind::Server) {
    if (!db.openServer(choice.connection)) {
      out << "连接数据库服务器失败：" << db.lastError() << "\n";
      return 1;
    }
  } else {
    const std::string path = (fs::path(dataDir) / "data.db").string();
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
      out << "找不到数据库：" << path << "\n";
      return 1;
    }
    // Read only: a report never writes, not even the switch to the write-ahead log.
    if (!db.openReadOnly(path)) {
      out << "打开数据库失败：" << db.lastError() << "\n";
      return 1;
    }
  }

  SalesReport report;
  if (readSalesReport(db, *first, *last, report) != ReportResult::Done) {
    out << "读取销售数据失败：" << db.lastError() << "\n";
    return 1;
  }
  std::string error;
  if (!writeReportFile(file,
                       {reportTable(report, ReportPage::Days, false),
                        reportTable(report, ReportPage::Goods, false)},
                       error)) {
    out << error << "\n";
    return 1;
  }
  out << "已导出 " << dayText(*first) << " 至 " << dayText(*last) << " 的 "
      << integerText(report.total.orders) << " 单到：" << file << "\n";
  return 0;
}

}  // namespace cz
