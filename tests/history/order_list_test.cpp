#include "history/order_list.h"

#include <gtest/gtest.h>

#include "support/test_app.h"
#include "util/numbers.h"

namespace cz {
namespace {

using test::TempDir;
using test::TestApp;

class OrderListTest : public ::testing::Test {
 protected:
  OrderListTest() : app(dir.path()) {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
  }

  void addSale(const std::string& number, const std::string& date,
               const std::string& customer = "-", const std::string& details = "{}",
               const std::string& payment = "现金支付") {
    ASSERT_TRUE(app.db.execute(
        "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
        "values(?,?,?,?,?,?,?,?,?,?)",
        {number, date, customer, "", details, "12.5", "12.5", "0", payment, "admin"}));
  }
  void addSales(int count) {
    app.db.begin();
    for (int i = 1; i <= count; ++i)
      addSale("SX" + std::to_string(i), std::to_string(1600000000 + i));
    app.db.commit();
  }
  std::vector<std::string> column(const OrderListPresenter& list, int col) {
    std::vector<std::string> texts;
    for (int r = 1; r < list.grid().rowCount(); ++r) texts.push_back(list.grid().text(r, col));
    return texts;
  }
  std::string caption(int pages, int page) {
    return "销售订单   共" + std::to_string(pages) + "页    当前第" + std::to_string(page) + "页";
  }

  TempDir dir;
  TestApp app;
};

TEST_F(OrderListTest, PagesOfThreeHundredNumberedThroughTheWholeResult) {
  addSales(250);
  {
    OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
    EXPECT_EQ(list.caption(), caption(1, 1));
    ASSERT_EQ(list.grid().rowCount(), 251);
    EXPECT_EQ(list.grid().text(1, 0), "1");
    EXPECT_EQ(list.grid().text(250, 0), "250");
    EXPECT_EQ(list.grid().text(1, 1), "SX1");
    EXPECT_EQ(list.grid().text(1, 2), orderTimeDisplay("1600000001"));
    EXPECT_EQ(list.grid().text(1, 6), "12.5");
  }
  addSales(51);
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  EXPECT_EQ(list.caption(), caption(2, 1));
  EXPECT_EQ(list.grid().rowCount(), 301);
  list.nextPage();
  EXPECT_EQ(list.caption(), caption(2, 2));
  ASSERT_EQ(list.grid().rowCount(), 2);
  EXPECT_EQ(list.grid().text(1, 0), "301");
  list.nextPage();
  EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{"已经到底了"});
  EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::Information);
  EXPECT_EQ(list.currentPage(), 2);
  list.firstPage();
  EXPECT_EQ(list.grid().text(1, 0), "1");
  list.lastPageClicked();
  EXPECT_EQ(list.grid().text(1, 0), "301");
}

TEST_F(OrderListTest, NoOrdersAtAll) {
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  EXPECT_EQ(list.caption(), caption(0, 0));
  EXPECT_EQ(list.grid().rowCount(), 1);
  list.nextPage();
  EXPECT_EQ(list.caption(), caption(0, 0));
  list.previousPage();
  EXPECT_EQ(list.caption(), caption(0, 1));
  EXPECT_EQ(app.dialogs.messages(), (std::vector<std::string>{"已经到底了", "已经到首页了"}));
  list.runSearch();  // every box empty: like load-all, but on page 1
  EXPECT_EQ(list.caption(), caption(0, 1));
}

TEST_F(OrderListTest, RowsPerPageBelowOneUsesThreeHundred) {
  addSales(301);
  for (int setting : {0, -5}) {
    app.session.settings.rowsPerPage = setting;
    OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
    EXPECT_EQ(list.caption(), caption(2, 1)) << setting;
    EXPECT_EQ(list.grid().rowCount(), 301);
  }
}

TEST_F(OrderListTest, SearchTextsAreBoundAndMatchSubstrings) {
  addSale("SX1", "1600000001", "张三", R"({"详情页":[{"商品名称":"可乐"}]})", "微信支付");
  addSale("SX2", "1600000002", "李四", R"({"详情页":[{"商品名称":"雪碧"}]})", "现金支付");
  addSale("SX3", "1600000003", "O'Neil", "{}", "微信支付");
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  struct Case {
    std::string OrderSearch::*box;
    std::string text;
    int paymentIndex;
    std::vector<std::string> numbers;
  };
  const Case cases[] = {
      {&OrderSearch::orderNumber, "", 0, {"SX1", "SX2", "SX3"}},
      {&OrderSearch::orderNumber, "X2", 0, {"SX2"}},
      {&OrderSearch::customer, "张", 0, {"SX1"}},
      {&OrderSearch::details, "雪碧", 0, {"SX2"}},
      {&OrderSearch::orderNumber, "", 1, {"SX1", "SX3"}},  // 微信支付
      {&OrderSearch::customer, "O'Neil", 0, {"SX3"}},      // a quote is plain text
      {&OrderSearch::orderNumber, "SX_", 0, {"SX1", "SX2", "SX3"}},
      {&OrderSearch::customer, "王", 0, {}},
  };
  for (const Case& c : cases) {
    list.search = OrderSearch{};
    list.search.*c.box = c.text;
    list.search.paymentIndex = c.paymentIndex;
    list.runSearch();
    EXPECT_EQ(column(list, 1), c.numbers);
    EXPECT_EQ(list.currentPage(), 1);
    EXPECT_EQ(list.pageCount(), c.numbers.empty() ? 0 : 1);
  }
  EXPECT_TRUE(app.dialogs.calls.empty());
}

TEST_F(OrderListTest, TypedSearchPagesThroughItsMatches) {
  app.session.settings.rowsPerPage = 2;
  for (int i = 1; i <= 10; ++i)
    addSale("SX" + std::to_string(i), std::to_string(1600000000 + i), i % 2 ? "张" : "李");
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  list.search.customer = "张";
  list.runSearch();
  EXPECT_EQ(list.pageCount(), 3);
  EXPECT_EQ(column(list, 1), (std::vector<std::string>{"SX1", "SX3"}));
  list.nextPage();
  EXPECT_EQ(column(list, 1), (std::vector<std::string>{"SX5", "SX7"}));
  EXPECT_EQ(column(list, 0), (std::vector<std::string>{"3", "4"}));
  list.lastPageClicked();
  EXPECT_EQ(column(list, 1), std::vector<std::string>{"SX9"});
}

TEST_F(OrderListTest, JumpBoxAndJumps) {
  app.session.settings.rowsPerPage = 2;
  addSales(5);
  addSale("QQ1", "1700000001");
  addSale("QQ2", "1700000002");
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  ASSERT_EQ(list.pageCount(), 4);
  const std::pair<std::string, std::string> box[] = {{"2", "2"},  {"4", "4"},    {"5", "4"},
                                                     {"99", "4"}, {"-1", "0"},   {"0", "0"},
                                                     {"", ""},    {"abc", "abc"}};
  for (const auto& [typed, kept] : box) EXPECT_EQ(list.jumpTextChecked(typed), kept) << typed;

  list.jump("2");
  EXPECT_EQ(column(list, 0), (std::vector<std::string>{"3", "4"}));
  for (const char* low : {"0", "", "-4"}) {
    list.jump(low);
    EXPECT_EQ(list.caption(), caption(4, 1));
    EXPECT_EQ(column(list, 0), (std::vector<std::string>{"1", "2"}));
  }
  // "4" left in the box from the longer result: the search has three pages, the last is shown.
  list.search.orderNumber = "SX";
  list.runSearch();
  list.jump("4");
  EXPECT_EQ(list.caption(), caption(3, 3));
  EXPECT_EQ(column(list, 1), std::vector<std::string>{"SX5"});
}

TEST_F(OrderListTest, DateRangeIncludesBothEndsAndMillisecondValues) {
  const auto at = [](int day, int h, int m, int s) {
    return timestampText({2021, 10, day, h, m, s});
  };
  addSale("before", at(13, 23, 59, 59));
  addSale("first", at(14, 0, 0, 0));
  addSale("last", at(14, 23, 59, 59));
  addSale("after", at(15, 0, 0, 0));
  addSale("ms-first", at(14, 0, 0, 0) + "000");
  addSale("ms-last", at(14, 23, 59, 59) + "999");
  addSale("ms-after", at(15, 0, 0, 0) + "000");
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  list.search.dateRange = true;
  list.search.firstDay = {2021, 10, 14};
  list.search.lastDay = {2021, 10, 14};
  list.runSearch();
  EXPECT_EQ(column(list, 1), (std::vector<std::string>{"first", "ms-first", "last", "ms-last"}));
  EXPECT_EQ(list.grid().text(2, 2), "2021-10-14 00:00:00");
  EXPECT_EQ(list.grid().text(4, 2), "2021-10-14 23:59:59");
  list.search.customer = "-";  // the same range with a typed text
  list.runSearch();
  EXPECT_EQ(column(list, 1), (std::vector<std::string>{"first", "ms-first", "last", "ms-last"}));
  list.search.lastDay = {2021, 10, 15};
  list.runSearch();
  EXPECT_EQ(list.grid().rowCount(), 7);
}

TEST_F(OrderListTest, DeleteNeedsTheFlagAndRemovesOnlyTheSelectedOrder) {
  addSale("SX7", "1600000001");
  addSale("SX7", "1600000002");  // the same number twice
  addSale("SX8", "1600000003");
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);

  app.session.permissions.flags[static_cast<size_t>(Permission::DeleteSales)] = false;
  list.grid().setCurrentCell(2, 1);
  list.deleteOrder();
  EXPECT_EQ(app.dialogs.messages(),
            std::vector<std::string>{"当前账号没有[删除销售订单]权限，请联系管理员提升权限"});
  app.session.permissions.flags[static_cast<size_t>(Permission::DeleteSales)] = true;

  app.dialogs.calls.clear();
  app.dialogs.answer(false);
  list.deleteOrder();
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].text, "确定删除订单号[SX7]吗？");
  EXPECT_EQ(app.rows("select count(*) from 销售")[0][0], "3");

  app.dialogs.answer(true);
  list.deleteOrder();
  EXPECT_EQ(app.rows("select 日期 from 销售 where 订单号='SX7'"),
            (std::vector<std::vector<std::string>>{{"1600000001"}}));
  EXPECT_EQ(column(list, 0), (std::vector<std::string>{"1", "3"}));  // not renumbered
  EXPECT_EQ(list.caption(), caption(1, 1));
  EXPECT_EQ(app.rows("select 类型,日志 from 日志 order by rowid desc limit 1"),
            (std::vector<std::vector<std::string>>{{"1", "删除销售订单[SX7]"}}));

  list.grid().setCurrentCell(-1, -1);
  list.deleteOrder();  // no row: no question
  EXPECT_EQ(app.dialogs.calls.size(), 2u);
}

TEST_F(OrderListTest, FailedDeleteIsLoggedAndShown) {
  addSale("SX1", "1600000001");
  ASSERT_TRUE(app.db.execute(
      "create trigger keep before delete on 销售 begin select raise(abort, 'kept'); end"));
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  list.grid().setCurrentCell(1, 1);
  app.dialogs.answer(true);
  list.deleteOrder();
  EXPECT_EQ(app.dialogs.messages().back(), "删除销售订单[SX1]失败：kept");
  EXPECT_EQ(app.rows("select 类型,日志 from 日志 order by rowid desc limit 1"),
            (std::vector<std::vector<std::string>>{{"6", "删除销售订单[SX1]失败，原因：kept"}}));
  EXPECT_EQ(list.grid().rowCount(), 2);
}

TEST_F(OrderListTest, PurchaseListUsesItsOwnTableColumnsAndTexts) {
  ASSERT_TRUE(
      app.db.execute("insert into 进货(订单号,日期,供应商,电话,订单详情,应付,实付,付款方式,制单人) "
                     "values('CG1','1634191509','供货商','123','{}','5','5','现金支付','admin')"));
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Purchase);
  EXPECT_EQ(list.caption(), "采购订单   共1页    当前第1页");
  EXPECT_EQ(list.customerLabel(), "供应商");
  EXPECT_EQ(list.grid().columnCount(), 10);
  EXPECT_EQ(list.grid().columnWidth(4), 0);
  EXPECT_EQ(list.grid().text(1, 2), "2021-10-14 14:05:09");
  EXPECT_EQ(list.grid().text(1, 4), "123");
  EXPECT_EQ(list.grid().text(1, 9), "admin");

  app.session.permissions.flags[static_cast<size_t>(Permission::DeletePurchases)] = false;
  list.grid().setCurrentCell(1, 1);
  list.deleteOrder();
  EXPECT_EQ(app.dialogs.messages().back(), "当前账号没有[删除采购订单]权限，请联系管理员提升权限");
  app.session.permissions.flags[static_cast<size_t>(Permission::DeletePurchases)] = true;
  app.dialogs.answer(true);
  list.deleteOrder();
  EXPECT_EQ(app.rows("select count(*) from 进货")[0][0], "0");
  EXPECT_EQ(app.rows("select 类型,日志 from 日志 order by rowid desc limit 1"),
            (std::vector<std::vector<std::string>>{{"2", "删除进货订单[CG1]"}}));
}

TEST_F(OrderListTest, DetailOpensForTheCurrentRowOnly) {
  addSale("SX1", "1634191509", "张三");
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  list.grid().setCurrentCell(-1, -1);
  list.showDetail();
  EXPECT_TRUE(app.windows.calls.empty() || app.windows.calls.back() != "openSaleDetail");
  list.grid().setCurrentCell(1, 3);
  list.showDetail();
  EXPECT_EQ(app.windows.calls.back(), "openSaleDetail");
  ASSERT_EQ(app.windows.detailCells.size(), 11u);
  EXPECT_EQ(app.windows.detailCells[2], "2021-10-14 14:05:09");
  EXPECT_EQ(app.windows.detailCells[3], "张三");
}

}  // namespace
}  // namespace cz
