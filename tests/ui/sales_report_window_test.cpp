#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QPieSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>

#include "reports/ui/sales_report_window.h"
#include "support/report_fixture.h"
#include "support/test_app.h"
#include "ui/window_probe.h"

namespace cz {
namespace {

TEST(SalesReportWindowTest, ShowsEachPageAsATableWithItsChart) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  test::startAndLogIn(app);
  app.clock.set({2026, 12, 3, 18, 0, 0});
  test::storeReportFixture(app.db);

  SalesReportWindow window(app.context, nullptr);
  window.show();
  auto* period = child<QComboBox>(window, "组合框时间");
  auto* query = child<QPushButton>(window, "按钮查询");
  auto* progress = child<QProgressBar>(window, "进度条");
  auto* tabs = child<QTabBar>(window, "选择夹页");
  auto* table = child<QTableView>(window, "表格统计");
  auto* chart = child<QChartView>(window, "图表统计");
  ASSERT_TRUE(period && query && progress && tabs && table && chart);
  ASSERT_TRUE(child<QPushButton>(window, "按钮导出") && child<QPushButton>(window, "按钮取消"));
  EXPECT_EQ(tabs->count(), 4);
  // Today's read runs on the worker: the progress bar shows and 查询 waits.
  EXPECT_FALSE(query->isEnabled());

  period->setCurrentIndex(2);
  emit period->activated(2);  // 本月
  ASSERT_TRUE(app.waitUntil([&] { return !window.presenter().state().busy; }));
  EXPECT_TRUE(query->isEnabled());
  EXPECT_TRUE(progress->isHidden());
  // 31 days and the totals row (the fixture's range and the sale of 12-04); the bars of 总实收.
  EXPECT_EQ(table->model()->rowCount(), 32);
  EXPECT_EQ(table->model()->index(31, 3).data().toString(), QString::fromUtf8("116"));
  ASSERT_EQ(chart->chart()->series().size(), 1);
  saveShot(window, "sales-report-days.png");

  tabs->setCurrentIndex(2);  // 按收银员
  EXPECT_EQ(table->model()->rowCount(), 3);
  ASSERT_EQ(chart->chart()->series().size(), 1);
  EXPECT_NE(qobject_cast<QPieSeries*>(chart->chart()->series().front()), nullptr);
}

}  // namespace
}  // namespace cz
