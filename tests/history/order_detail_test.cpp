#include "history/order_detail.h"

#include <gtest/gtest.h>

#include "support/recording_printer.h"
#include "support/test_app.h"
#include "util/json_document.h"
#include "util/text_grid.h"

namespace cz {
namespace {

std::vector<std::string> saleRow(const std::string& customer, const std::string& number,
                                 const std::string& details) {
  return {"1",        "SX1",  "2021-10-14 14:05:09", customer, number, details, "12.5", "12", "3",
          "现金支付", "admin"};
}

TEST(OrderDetail, SaleHeaderLabels) {
  OrderDetailPresenter detail(OrderKind::Sale);
  EXPECT_EQ(detail.labels().customer, "-");
  EXPECT_EQ(detail.labels().due, "-");

  detail.fill(saleRow("-", "", "{}"));
  const auto& l = detail.labels();
  EXPECT_EQ(l.orderNumber, "SX1");
  EXPECT_EQ(l.date, "2021-10-14 14:05:09");
  EXPECT_EQ(l.customer, "-");
  EXPECT_EQ(l.points, "3分");
  EXPECT_EQ(l.due, "12.5元");
  EXPECT_EQ(l.received, "12元");
  EXPECT_EQ(l.method, "现金支付");
  EXPECT_EQ(l.maker, "admin");

  detail.fill(saleRow("张三", "7", "{}"));
  EXPECT_EQ(detail.labels().customer, "张三（7）");
}

TEST(OrderDetail, UnreadableOrEmptyDetailsGiveNoLines) {
  OrderDetailPresenter detail(OrderKind::Sale);
  for (const std::string details : {"{}", "", "not json", R"({"详情页":[]})"}) {
    detail.fill(saleRow("-", "", details));
    EXPECT_EQ(detail.grid().rowCount(), 1) << details;
  }
}

TEST(OrderDetail, SaleLinesInDocumentOrder) {
  TextGrid cart;
  const std::vector<std::string> headers = {
      "",     "商品名称", "条码",     "规格",   "类型",     "单价",     "数量",    "总价",
      "折扣", "实收",     "参与积分", "进货价", "剩余库存", "最低折扣", "获得积分"};
  cart.setColumnCount(static_cast<int>(headers.size()));
  for (int c = 0; c < cart.columnCount(); ++c) cart.setText(0, c, headers[static_cast<size_t>(c)]);
  for (const std::string name : {"可乐", "雪碧", "芬达"})
    cart.appendRow({"", name, name + "码", "瓶", "售出", "3.5", "2", "7", "10", "7", "真", "2", "5",
                    "8", "7"});
  OrderDetailPresenter detail(OrderKind::Sale);
  detail.fill(saleRow("-", "", buildOrderDetails(cart)));
  const TextGrid& g = detail.grid();
  ASSERT_EQ(g.rowCount(), 4);
  EXPECT_EQ(g.columnCount(), 12);
  EXPECT_EQ(g.text(0, 6), "折扣");
  EXPECT_EQ(g.text(3, 0), "3");
  EXPECT_EQ(g.text(1, 1), "可乐");
  EXPECT_EQ(g.text(2, 1), "雪碧");
  EXPECT_EQ(g.text(3, 2), "芬达码");
  const std::vector<std::string> rest = {"瓶", "3.5", "2", "10", "7", "真", "2", "8", "7"};
  for (int c = 3; c <= 11; ++c) EXPECT_EQ(g.text(1, c), rest[static_cast<size_t>(c - 3)]) << c;
}

TEST(OrderDetail, TheCostPriceIsHiddenAndEmptyWithoutTheRightToSeeIt) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  test::startAndLogIn(app);
  test::RecordingPrinter printer;
  const std::string details =
      R"({"详情页":[{"商品名称":"可乐","条码":"690","单价":"3.5","数量":"1","进货价":"2.1"}]})";
  for (const bool allowed : {true, false}) {
    app.session.permissions.flags[static_cast<size_t>(Permission::ViewCostPrice)] = allowed;
    OrderDetailPresenter detail(OrderKind::Sale, app.context, app.dialogs, printer);
    detail.fill(saleRow("-", "", details));
    const TextGrid& g = detail.grid();
    ASSERT_EQ(g.headerText(9), "进货价");
    EXPECT_EQ(g.columnWidth(9), allowed ? 60 : 0);
    EXPECT_EQ(g.text(1, 9), allowed ? "2.1" : "");
    EXPECT_EQ(g.text(1, 4), "3.5");
  }
}

TEST(OrderDetail, PurchaseShowsSupplierAloneAndStockColumn) {
  OrderDetailPresenter detail(OrderKind::Purchase);
  const std::string details =
      R"({"详情页":[{"商品名称":"可乐","条码":"690","规格":"瓶","单价":"2.5","数量":"4","总价":"10","目前库存":"12"}]})";
  detail.fill({"1", "CG1", "2021-10-14 14:05:09", "供货商", "123", details, "10", "9", "微信支付",
               "admin"});
  const auto& l = detail.labels();
  EXPECT_EQ(l.customer, "供货商");
  EXPECT_EQ(l.due, "10元");
  EXPECT_EQ(l.received, "9元");
  EXPECT_EQ(l.method, "微信支付");
  EXPECT_EQ(l.maker, "admin");
  EXPECT_EQ(l.points, "-");
  ASSERT_EQ(detail.grid().rowCount(), 2);
  EXPECT_EQ(detail.grid().text(0, 7), "当时剩余库存");
  EXPECT_EQ(detail.grid().text(1, 7), "12");
  EXPECT_EQ(detail.grid().text(1, 6), "10");
}

}  // namespace
}  // namespace cz
