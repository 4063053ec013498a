#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "history/order_time.h"
#include "history/ui/order_detail_window.h"
#include "history/ui/order_list_window.h"
#include "purchasing/ui/purchase_window.h"
#include "support/test_app.h"
#include "ui/window_probe.h"
#include "util/ui/grid_view.h"
#include "util/ui/list_view.h"

namespace cz {
namespace {

class HistoryWindows : public ::testing::Test {
 protected:
  HistoryWindows() : app(dir.path()) {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
  }
  test::TempDir dir;
  test::TestApp app;
};

TEST_F(HistoryWindows, OrderListBuildsItsControlsSearchesAndChecksTheJumpBox) {
  app.session.settings.rowsPerPage = 2;
  for (int i = 1; i <= 5; ++i) {
    app.db.execute(
        "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
        "values(?,?,?,'','{}','1','1','0','现金支付','admin')",
        {"SX" + std::to_string(i), "163419150" + std::to_string(i), i == 3 ? "张三" : "-"});
  }
  OrderListWindow window(app.context, OrderKind::Sale);
  window.show();
  EXPECT_EQ(window.windowTitle(), "销售订单   共3页    当前第1页");
  EXPECT_EQ(window.geometry(), QRect(50, 50, 1172, 755));
  const std::pair<const char*, QRect> places[] = {
      {"编辑框订单", {54, 12, 166, 30}},  {"编辑框客户", {54, 50, 166, 30}},
      {"编辑框详情", {308, 13, 198, 30}}, {"组合框1", {308, 54, 198, 24}},
      {"日期框1", {578, 15, 162, 24}},    {"日期框2", {578, 56, 162, 24}},
      {"选择框1", {743, 33, 76, 32}},     {"超级查询", {820, 36, 84, 26}},
      {"超级首", {907, 36, 38, 26}},      {"超级跳", {1059, 36, 38, 26}},
      {"编辑框跳到", {1097, 36, 56, 26}}, {"高级表格", {0, 88, 1168, 638}},
  };
  for (const auto& [name, at] : places) {
    QWidget* w = child<QWidget>(window, name);
    if (w) {
      EXPECT_EQ(w->geometry(), at) << name;
    }
  }
  EXPECT_EQ(child<QLabel>(window, "透明标签2")->text(), "客户");
  EXPECT_EQ(child<QComboBox>(window, "组合框1")->itemText(0), "所有");
  EXPECT_NE(child<QMenu>(window, "菜单"), nullptr);
  auto* grid = child<GridView>(window, "高级表格");
  EXPECT_EQ(grid->model()->rowCount(), 2);
  saveShot(window, "order_list.png");

  QTest::mouseClick(child<QPushButton>(window, "超级下"), Qt::LeftButton);
  EXPECT_EQ(window.windowTitle(), "销售订单   共3页    当前第2页");

  auto* jump = child<QLineEdit>(window, "编辑框跳到");
  QTest::keyClicks(jump, "9");
  EXPECT_EQ(jump->text(), "3");
  QTest::mouseClick(child<QPushButton>(window, "超级跳"), Qt::LeftButton);
  EXPECT_EQ(window.windowTitle(), "销售订单   共3页    当前第3页");

  child<QLineEdit>(window, "编辑框客户")->setText("张");
  QTest::mouseClick(child<QPushButton>(window, "超级查询"), Qt::LeftButton);
  EXPECT_EQ(window.windowTitle(), "销售订单   共1页    当前第1页");
  EXPECT_EQ(window.presenter().grid().text(1, 1), "SX3");

  window.presenter().grid().setCurrentCell(1, 1);
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                     grid->visualRect(grid->model()->index(0, 1)).center());
  EXPECT_EQ(app.windows.calls.back(), "openSaleDetail");
}

TEST_F(HistoryWindows, PurchaseListMovesItsQueryButton) {
  OrderListWindow window(app.context, OrderKind::Purchase);
  EXPECT_EQ(window.windowTitle(), "采购订单   共0页    当前第0页");
  EXPECT_EQ(child<QPushButton>(window, "超级查询")->geometry(), QRect(822, 36, 84, 26));
  EXPECT_EQ(child<QLabel>(window, "透明标签2")->text(), "供应商");
}

TEST_F(HistoryWindows, DetailWindowShowsTheRow) {
  OrderDetailWindow window(OrderKind::Sale);
  EXPECT_EQ(window.windowTitle(), "销售详情");
  EXPECT_EQ(window.geometry(), QRect(50, 50, 972, 527));
  EXPECT_EQ(child<QLabel>(window, "透明标签客户")->text(), "-");
  window.fill({"1", "SX1", "2021-10-14 14:05:09", "张三", "7",
               R"({"详情页":[{"商品名称":"可乐","条码":"690"}]})", "12.5", "12", "3", "现金支付",
               "admin"});
  EXPECT_EQ(child<QLabel>(window, "透明标签客户")->text(), "张三（7）");
  EXPECT_EQ(child<QLabel>(window, "透明标签积分")->text(), "3分");
  EXPECT_EQ(child<QLabel>(window, "透明标签应收")->text(), "12.5元");
  EXPECT_EQ(child<QLabel>(window, "透明标签应收")->geometry(), QRect(59, 49, 165, 24));
  EXPECT_EQ(child<GridView>(window, "高级表格")->model()->rowCount(), 1);
  window.show();
  saveShot(window, "sale_detail.png");

  OrderDetailWindow purchase(OrderKind::Purchase);
  EXPECT_EQ(purchase.findChild<QLabel*>(QString::fromUtf8("透明标签积分")), nullptr);
  EXPECT_EQ(child<QLabel>(purchase, "透明标签4")->text(), "供应商：");
}

TEST_F(HistoryWindows, PurchaseWindowTakesBarcodesAndASupplier) {
  app.db.execute(
      "insert into 库存(名称,条码,规格,备注,进货价,销售价,当前库存,最低折扣,参与积分) "
      "values('可乐','690','瓶','','2.5','5','10','0','真')");
  app.db.execute("insert into 供应商(名称,联系方式,创建者) values('丙商行','333','admin')");
  PurchaseWindow window(app.context);
  window.show();
  EXPECT_EQ(window.windowTitle(), "商品采购入库");
  EXPECT_EQ(window.size(), QSize(961, 600));
  const std::pair<const char*, QRect> places[] = {
      {"高级表格", {0, 0, 955, 463}},      {"编辑框条码", {4, 475, 232, 32}},
      {"编辑框会员", {4, 530, 232, 32}},   {"超级列表框1", {5, 222, 395, 253}},
      {"超级列表框2", {5, 277, 339, 253}}, {"标签订单号", {302, 472, 142, 24}},
      {"标签会员", {302, 505, 142, 24}},   {"标签联系", {544, 384, 104, 24}},
      {"组合框1", {309, 537, 112, 24}},    {"编辑框实付", {533, 481, 226, 40}},
      {"标签应收", {537, 531, 213, 20}},   {"超级提交", {769, 469, 181, 98}},
  };
  for (const auto& [name, at] : places) {
    QWidget* w = child<QWidget>(window, name);
    if (w) {
      EXPECT_EQ(w->geometry(), at) << name;
    }
  }
  EXPECT_FALSE(child<ListView>(window, "超级列表框1")->isVisible());
  EXPECT_EQ(child<QLabel>(window, "标签订单号")->text().left(2), "CG");

  auto* barcode = child<QLineEdit>(window, "编辑框条码");
  QTest::keyClicks(barcode, "690");
  QTest::keyClick(barcode, Qt::Key_Return);
  QTest::keyClicks(barcode, "690");
  QTest::keyClick(barcode, Qt::Key_Return);
  EXPECT_EQ(barcode->text(), "");
  EXPECT_EQ(window.presenter().grid().text(1, kPurchaseQuantity), "2");
  EXPECT_EQ(child<QLabel>(window, "标签应收")->text(), "5");
  EXPECT_EQ(child<QLineEdit>(window, "编辑框实付")->text(), "5");

  auto* supplier = child<QLineEdit>(window, "编辑框会员");
  supplier->setText("丙");
  QTest::keyClick(supplier, Qt::Key_Return);
  EXPECT_EQ(child<QLabel>(window, "标签会员")->text(), "丙商行");
  EXPECT_EQ(child<QLabel>(window, "标签联系")->text(), "333");
  saveShot(window, "purchase.png");
}

}  // namespace
}  // namespace cz
