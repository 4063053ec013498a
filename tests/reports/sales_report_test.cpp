#include "reports/sales_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/shift_report.h"
#include "history/order_list.h"
#include "reports/export_command.h"
#include "reports/report_export.h"
#include "reports/report_tables.h"
#include "reports/sales_report_presenter.h"
#include "support/report_fixture.h"
#include "support/test_app.h"
#include "util/json_document.h"
#include "util/numbers.h"
#include "util/timestamp.h"

namespace cz {
namespace {

using test::TempDir;
using test::TestApp;

const ReportDay kFirst{2026, 12, 1};
const ReportDay kLast{2026, 12, 3};

std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class SalesReportTest : public ::testing::Test {
 protected:
  SalesReportTest() : app(dir.path()) {
    test::startAndLogIn(app);
    app.clock.set({2026, 12, 3, 18, 0, 0});
    test::storeReportFixture(app.db);
  }

  SalesReport read(const ReportDay& first = kFirst, const ReportDay& last = kLast) {
    SalesReport report;
    EXPECT_EQ(readSalesReport(app.db, first, last, report), ReportResult::Done)
        << app.db.lastError();
    return report;
  }

  TempDir dir;
  TestApp app;
};

TEST_F(SalesReportTest, DaysSumTheRangeFromItsFirstToItsLastSecond) {
  const ReportTable days = reportTable(read(), ReportPage::Days, true);
  const std::vector<std::string> headers = {"日期",     "订单数",   "总应收",   "总实收",
                                            "优惠金额", "退货金额", "现金支付", "微信支付",
                                            "支付宝支付", "其他支付"};
  EXPECT_EQ(days.headers, headers);
  const std::vector<std::vector<std::string>> rows = {
      {"2026-12-01", "2", "25.5", "23.5", "2", "-10", "18", "5.5", "0", "0"},
      {"2026-12-02", "1", "30.3", "30.3", "0", "0", "0", "0", "30.3", "0"},
      {"2026-12-03", "1", "12.2", "12.2", "0", "0", "0", "0", "0", "12.2"},
      {"合计", "4", "68", "66", "2", "-10", "18", "5.5", "30.3", "12.2"},
  };
  EXPECT_EQ(days.rows, rows);
}

TEST_F(SalesReportTest, EveryDayAndTheWholeRangeAgreeWithTheShiftFiguresToTheCent) {
  const SalesReport report = read();
  const auto shift = [this](const ReportDay& a, const ReportDay& b) {
    ShiftFigures figures;
    EXPECT_TRUE(readShiftFigures(app.db, timestampText({a.year, a.month, a.day, 0, 0, 0}),
                                 timestampText({b.year, b.month, b.day, 23, 59, 59}), figures));
    return figures;
  };
  const auto same = [](const SalesSums& sums, const ShiftFigures& f) {
    EXPECT_EQ(sums.orders, f.orders);
    EXPECT_EQ(tidyMoney(sums.due), f.due);
    EXPECT_EQ(tidyMoney(sums.received), f.received);
    EXPECT_EQ(tidyMoney(sums.discount()), f.discount);
    EXPECT_EQ(tidyMoney(sums.returnAmount), f.returnAmount);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(tidyMoney(sums.byPayment[i]), f.byPayment[i]);
  };
  for (int day = 0; day < 3; ++day) {
    const ReportDay d{2026, 12, 1 + day};
    same(report.days[static_cast<std::size_t>(day)], shift(d, d));
  }
  same(report.total, shift(kFirst, kLast));
}

TEST_F(SalesReportTest, GoodsCountReturnsAgainstTheirSalesAndTheMarginNeedsTheRight) {
  const SalesReport report = read();
  const std::vector<std::vector<std::string>> withMargin = {
      {"", "散装糖", "3", "30.3", "9.3"},
      {"6902", "面包", "2", "27.7", "7.7"},
      {"6901", "矿泉水", "1", "8", "2"},
      {"合计", "", "6", "66", "19"},
  };
  const ReportTable goods = reportTable(report, ReportPage::Goods, true);
  EXPECT_EQ(goods.headers, (std::vector<std::string>{"条码", "商品名称", "数量", "实收", "毛利"}));
  EXPECT_EQ(goods.rows, withMargin);

  const ReportTable plain = reportTable(report, ReportPage::Goods, false);
  EXPECT_EQ(plain.headers, (std::vector<std::string>{"条码", "商品名称", "数量", "实收"}));
  for (const auto& row : plain.rows) EXPECT_EQ(row.size(), 4u);

  const ReportChart top = reportChart(report, ReportPage::Goods);
  EXPECT_EQ(top.labels, (std::vector<std::string>{"散装糖", "面包", "矿泉水"}));
}

TEST_F(SalesReportTest, CashiersAndHours) {
  const SalesReport report = read();
  const ReportTable clerks = reportTable(report, ReportPage::Clerks, false);
  ASSERT_EQ(clerks.rows.size(), 3u);
  EXPECT_EQ(clerks.rows[0][0], "admin");
  EXPECT_EQ(clerks.rows[0][1], "2");
  EXPECT_EQ(clerks.rows[0][3], "30.2");
  EXPECT_EQ(clerks.rows[1][0], "小王");
  EXPECT_EQ(clerks.rows[1][3], "35.8");
  const ReportChart pie = reportChart(report, ReportPage::Clerks);
  EXPECT_TRUE(pie.pie);
  EXPECT_EQ(pie.values, (std::vector<double>{18, 5.5, 30.3, 12.2}));

  const ReportTable hours = reportTable(report, ReportPage::Hours, false);
  ASSERT_EQ(hours.rows.size(), 25u);
  EXPECT_EQ(hours.rows[0], (std::vector<std::string>{"00:00-00:59", "1", "18"}));
  EXPECT_EQ(hours.rows[10], (std::vector<std::string>{"10:00-10:59", "1", "5.5"}));
  EXPECT_EQ(hours.rows[14], (std::vector<std::string>{"14:00-14:59", "1", "30.3"}));
  EXPECT_EQ(hours.rows[23], (std::vector<std::string>{"23:00-23:59", "1", "12.2"}));
  EXPECT_EQ(hours.rows[12], (std::vector<std::string>{"12:00-12:59", "0", "0"}));
  EXPECT_EQ(hours.rows[24], (std::vector<std::string>{"合计", "4", "66"}));
}

TEST(ReportPeriods, WeekStartsOnMondayAndLastMonthCrossesTheYear) {
  struct Case {
    ReportPeriod period;
    ReportDay today, first, last;
  } cases[] = {
      {ReportPeriod::Today, {2026, 12, 3}, {2026, 12, 3}, {2026, 12, 3}},
      // 2026-12-03 is a Thursday; 2026-12-06 a Sunday.
      {ReportPeriod::ThisWeek, {2026, 12, 3}, {2026, 11, 30}, {2026, 12, 6}},
      {ReportPeriod::ThisWeek, {2026, 12, 6}, {2026, 11, 30}, {2026, 12, 6}},
      {ReportPeriod::ThisWeek, {2026, 11, 30}, {2026, 11, 30}, {2026, 12, 6}},
      {ReportPeriod::ThisMonth, {2028, 2, 10}, {2028, 2, 1}, {2028, 2, 29}},
      {ReportPeriod::LastMonth, {2027, 1, 15}, {2026, 12, 1}, {2026, 12, 31}},
  };
  for (const Case& c : cases) {
    const auto [first, last] = periodDays(c.period, c.today);
    EXPECT_EQ(first, c.first) << dayText(c.today);
    EXPECT_EQ(last, c.last) << dayText(c.today);
  }
  EXPECT_FALSE(parseDayText("2026-02-30"));
  EXPECT_FALSE(parseDayText("2026-2-3"));
  EXPECT_EQ(parseDayText("2028-02-29"), (ReportDay{2028, 2, 29}));
}

TEST(ReportExport, CsvAndXlsxReadBackAsTheTables) {
  TempDir dir;
  ReportTable days{"按日", {"日期", "总实收"}, {{"2026-12-01", "12.5"}, {"合计", "-3"}}, 1};
  ReportTable goods{"按商品",
                    {"条码", "商品名称", "数量"},
                    {{"6901", "水,\"大\"瓶", "2"}, {"", "糖<&>", "0.25"}, {"合计", "", "2.25"}},
                    2};
  const std::vector<ReportTable> tables = {days, goods};

  std::string error;
  const std::string csv = (dir.path() / "统计.csv").string();
  ASSERT_TRUE(writeReportFile(csv, tables, error)) << error;
  const std::string text = readFile(csv);
  ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
  const std::vector<std::vector<std::string>> csvRows = {
      {"日期", "总实收"},         {"2026-12-01", "12.5"}, {"合计", "-3"}, {},
      {"条码", "商品名称", "数量"}, {"6901", "水,\"大\"瓶", "2"}, {"", "糖<&>", "0.25"},
      {"合计", "", "2.25"}};
  EXPECT_EQ(test::parseCsv(text.substr(3)), csvRows);

  const std::string xlsx = (dir.path() / "统计.XLSX").string();
  ASSERT_TRUE(writeReportFile(xlsx, tables, error)) << error;
  for (int sheet = 1; sheet <= 2; ++sheet) {
    const ReportTable& table = tables[static_cast<std::size_t>(sheet - 1)];
    std::vector<std::vector<std::string>> expected = {table.headers};
    for (const auto& row : table.rows) expected.push_back(row);
    const auto read = test::readXlsxSheet(xlsx, sheet);
    ASSERT_EQ(read.size(), expected.size()) << sheet;
    for (std::size_t r = 0; r < read.size(); ++r) {
      for (std::size_t c = 0; c < expected[r].size(); ++c) {
        const std::string cell = c < read[r].size() ? read[r][c] : "";
        if (r > 0 && static_cast<int>(c) >= table.textColumns) {
          EXPECT_DOUBLE_EQ(readNumber(cell), readNumber(expected[r][c])) << r << "," << c;
        } else {
          EXPECT_EQ(cell, expected[r][c]) << r << "," << c;
        }
      }
    }
  }

  EXPECT_FALSE(writeReportFile((dir.path() / "统计.txt").string(), tables, error));
  EXPECT_FALSE(writeReportFile((dir.path() / "没有的文件夹" / "a.csv").string(), tables, error));
  EXPECT_FALSE(writeReportFile((dir.path() / "没有的文件夹" / "a.xlsx").string(), tables, error));
}

TEST(ReportExport, CsvCellsASpreadsheetWouldRunAsFormulasStayTexts) {
  ReportTable goods{"按商品",
                    {"条码", "商品名称", "数量"},
                    {{"=1+1", "@SUM(A1)", "-3"}, {"+86", "-糖", "+2.5"}, {"\t=1", "a=b", "-0.25"}},
                    2};
  const std::vector<std::vector<std::string>> expected = {
      {"条码", "商品名称", "数量"},
      {"'=1+1", "'@SUM(A1)", "-3"},
      {"+86", "'-糖", "+2.5"},
      {"'\t=1", "a=b", "-0.25"}};
  EXPECT_EQ(test::parseCsv(csvText({goods}).substr(3)), expected);
}

// Answers the save dialog with a fixed path.
class SavingDialogs : public test::ScriptedDialogs {
 public:
  std::optional<std::string> saveFileName(const std::string&, const std::string&,
                                          const std::vector<std::string>&) override {
    return path;
  }
  std::optional<std::string> path;
};

TEST_F(SalesReportTest, WindowReadsOnAWorkerShowsMarginOnlyWithTheRightAndExports) {
  for (const bool right : {true, false}) {
    app.session.permissions.flags[static_cast<std::size_t>(Permission::ViewCostPrice)] = right;
    SavingDialogs dialogs;
    SalesReportPresenter presenter(app.context, dialogs);
    presenter.created();
    EXPECT_TRUE(presenter.state().busy);
    ASSERT_TRUE(app.waitUntil([&] { return !presenter.state().busy; }));
    EXPECT_EQ(presenter.report().total.orders, 1);  // today, 2026-12-03

    presenter.periodChosen(static_cast<int>(ReportPeriod::Custom));
    presenter.datesChanged(kFirst, kLast);
    presenter.queryClicked();
    ASSERT_TRUE(app.waitUntil([&] { return !presenter.state().busy; }));
    EXPECT_EQ(presenter.state().status, "2026-12-01 至 2026-12-03：共 4 单");
    presenter.pageChosen(static_cast<int>(ReportPage::Goods));
    EXPECT_EQ(presenter.table().headers.back(), right ? "毛利" : "实收");

    dialogs.path = (dir.path() / (right ? "a.csv" : "b.csv")).string();
    presenter.exportClicked();
    const auto rows = test::parseCsv(readFile(*dialogs.path).substr(3));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].size(), right ? 5u : 4u);
  }
}

TEST_F(SalesReportTest, CancelDropsTheReadAndAnEndBeforeTheStartIsRefused) {
  SalesReportPresenter presenter(app.context, app.dialogs);
  presenter.datesChanged({2026, 1, 1}, {2026, 12, 31});
  presenter.queryClicked();
  presenter.cancelClicked();
  EXPECT_FALSE(presenter.state().busy);
  EXPECT_EQ(presenter.state().status, "已取消统计");
  presenter.waitForWorker();
  app.ui.drain();
  EXPECT_FALSE(presenter.state().hasReport);

  presenter.datesChanged(kLast, kFirst);
  presenter.queryClicked();
  EXPECT_EQ(app.dialogs.messages(), (std::vector<std::string>{"结束日期不能早于开始日期"}));
  EXPECT_FALSE(presenter.state().busy);
}

TEST_F(SalesReportTest, ExportCommandWritesWhatTheOrdersSum) {
  // Sums taken straight from the stored orders.
  std::map<std::string, double> receivedByDay;
  std::map<std::string, double> quantityByGoods;
  for (const auto& row : app.rows("select 日期,总实收,订单详情 from 销售")) {
    const auto when = dateTimeFromTimestamp(row[0]);
    ASSERT_TRUE(when);
    const ReportDay day{when->year, when->month, when->day};
    if (dayNumber(day) < dayNumber(kFirst) || dayNumber(day) > dayNumber(kLast)) continue;
    receivedByDay[dayText(day)] += readNumber(row[1]);
    JsonDocument details;
    ASSERT_TRUE(details.parse(row[2]));
    for (int i = 0; i < details.arrayCount("详情页"); ++i) {
      const std::string line = "详情页[" + std::to_string(i) + "].";
      const double sign = readNumber(details.getText(line + "实收")) < 0 ? -1 : 1;
      quantityByGoods[details.getText(line + "商品名称")] +=
          sign * readNumber(details.getText(line + "数量"));
    }
  }
  ASSERT_EQ(receivedByDay.size(), 3u);

  const auto check = [&](const std::vector<std::vector<std::string>>& dayRows,
                         const std::vector<std::vector<std::string>>& goodsRows) {
    ASSERT_EQ(dayRows.size(), 5u);  // header, three days, totals
    for (std::size_t r = 1; r + 1 < dayRows.size(); ++r) {
      EXPECT_EQ(readNumber(dayRows[r][3]), round1(receivedByDay.at(dayRows[r][0])))
          << dayRows[r][0];
    }
    ASSERT_EQ(goodsRows.size(), 5u);
    EXPECT_EQ(goodsRows[0].size(), 4u);  // no margin from a terminal
    for (std::size_t r = 1; r + 1 < goodsRows.size(); ++r) {
      EXPECT_EQ(readNumber(goodsRows[r][2]), quantityByGoods.at(goodsRows[r][1]))
          << goodsRows[r][1];
    }
  };

  std::ostringstream out;
  const std::string csv = (dir.path() / "sales.csv").string();
  ASSERT_EQ(runExportSalesCommand(dir.str(), {"2026-12-01", "2026-12-03", csv}, out), 0)
      << out.str();
  auto rows = test::parseCsv(readFile(csv).substr(3));
  ASSERT_EQ(rows.size(), 11u);  // 按日 (5), a blank line, 按商品 (5)
  EXPECT_TRUE(rows[5].empty());
  check({rows.begin(), rows.begin() + 5}, {rows.begin() + 6, rows.end()});

  const std::string xlsx = (dir.path() / "sales.xlsx").string();
  ASSERT_EQ(runExportSalesCommand(dir.str(), {"2026-12-01", "2026-12-03", xlsx}, out), 0)
      << out.str();
  check(test::readXlsxSheet(xlsx, 1), test::readXlsxSheet(xlsx, 2));
}

TEST_F(SalesReportTest, TheSalesListsStatisticsButtonOpensTheWindow) {
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  app.windows.calls.clear();
  list.statisticsClicked();
  EXPECT_EQ(app.windows.calls, (std::vector<std::string>{"openSalesReport"}));
}

TEST(ExportSalesCommand, WrongArgumentsAreUsageAndAMissingShopFails) {
  TempDir dir;
  const std::string file = (dir.path() / "a.csv").string();
  struct Case {
    std::vector<std::string> arguments;
    int code;
  } cases[] = {
      {{"2026-12-01", "2026-12-03"}, 2},
      {{"2026-12-01", "2026/12/03", file}, 2},
      {{"2026-12-03", "2026-12-01", file}, 2},
      {{"2026-12-01", "2026-12-03", (dir.path() / "a.txt").string()}, 2},
      {{"2026-12-01", "2026-12-03", file}, 1},  // no data.db in the folder
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    EXPECT_EQ(runExportSalesCommand(dir.str(), c.arguments, out), c.code) << out.str();
    EXPECT_FALSE(out.str().empty());
  }
  EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace cz
