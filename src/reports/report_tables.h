#pragma once

#include <string>
#include <vector>

#include "reports/sales_report.h"

namespace cz {

// The pages of the 销售统计 window, in tab order.
enum class ReportPage { Days = 0, Goods = 1, Clerks = 2, Hours = 3 };
inline constexpr int kReportPageCount = 4;

// A page's table as shown and exported: the header row, the data rows and last the totals row
// ("合计"). The first `textColumns` columns hold text, the others numbers.
struct ReportTable {
  std::string title;  // the page's name, also the sheet's
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> rows;
  int textColumns = 1;
};

// A page's chart: bars (one per label) or a pie.
struct ReportChart {
  std::string title;
  bool pie = false;
  std::vector<std::string> labels;
  std::vector<double> values;
};

// The page's name: "按日", "按商品", "按收银员", "按小时".
std::string pageTitle(ReportPage page);

// The table of a page. The goods table has the 毛利 column only `withMargin` (查看底价).
ReportTable reportTable(const SalesReport& report, ReportPage page, bool withMargin);

// The chart beside a page's table: 总实收 by day, the ten goods with the largest 实收, 总实收 by
// hour, and on the cashiers' page the payment methods as a pie.
ReportChart reportChart(const SalesReport& report, ReportPage page);

}  // namespace cz
