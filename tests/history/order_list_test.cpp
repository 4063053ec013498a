#include "history/order_list.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST_F(OrderListTest, DateRangesFindTheirOrdersAtBothEndsOfTheClock) {
  const LocalDateTime today = app.clock.now();
  addSale("2001", "1000000000");  // the first ten-digit time, 2001-09-09 09:46:40
  addSale("2001ms", "1000000000000");
  addSale("today", timestampText(today));
  addSale("today-ms", timestampText(today) + "999");
  addSale("2286", "9999999999");  // the last one, 2286-11-21 01:46:39
  addSale("2286ms", "9999999999999");
  // A clock set to 2000 writes nine digits and a 0; the list shows that order in 2269, and finds
  // it there.
  const std::string clock2000 = timestampText({2000, 1, 1, 12, 0, 0});
  addSale("clock2000", clock2000);
  const LocalDateTime shown = dateTimeFromSeconds(readInteger(clock2000));
  ASSERT_EQ(shown.year, 2269);
  const CalendarDay shownDay{shown.year, shown.month, shown.day};
  const CalendarDay day{today.year, today.month, today.day};

  const std::vector<std::string> all = {"2001",      "2001ms", "today", "today-ms",
                                        "clock2000", "2286",   "2286ms"};
  struct Case {
    CalendarDay first;
    CalendarDay last;
    std::vector<std::string> numbers;
  };
  const Case cases[] = {
      {{1752, 9, 14}, {9999, 12, 31}, all},  // the date pickers' whole range
      {{1970, 1, 1}, {9999, 12, 31}, all},
      {{1970, 1, 1}, {1970, 1, 1}, {}},
      {{1970, 1, 1}, {2001, 9, 8}, {}},
      {{2000, 1, 1}, {2001, 9, 8}, {}},
      {{2000, 1, 1}, {2001, 9, 9}, {"2001", "2001ms"}},
      {{2001, 9, 9}, {2001, 9, 9}, {"2001", "2001ms"}},
      {{2001, 9, 10}, day, {"today", "today-ms"}},
      {{2000, 1, 1}, day, {"2001", "2001ms", "today", "today-ms"}},
      {day, day, {"today", "today-ms"}},
      {day, {2286, 11, 20}, {"today", "today-ms", "clock2000"}},
      {shownDay, shownDay, {"clock2000"}},
      {{2286, 11, 21}, {2286, 11, 21}, {"2286", "2286ms"}},
      {{2286, 11, 21}, {9999, 12, 31}, {"2286", "2286ms"}},
      {{2286, 11, 22}, {9999, 12, 31}, {}},
      {{9999, 12, 31}, {9999, 12, 31}, {}},
      {day, {2000, 1, 1}, {}},  // the range ends before it starts
  };
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  // Without and with a typed text: the date index, and the scan for matches.
  for (const std::string typed : {"", "-"}) {
    for (const Case& c : cases) {
      list.search = OrderSearch{};
      list.search.customer = typed;
      list.search.dateRange = true;
      list.search.firstDay = c.first;
      list.search.lastDay = c.last;
      list.runSearch();
      EXPECT_EQ(column(list, 1), c.numbers)
          << "typed '" << typed << "' " << c.first.year << "-" << c.first.month << "-"
          << c.first.day << " to " << c.last.year << "-" << c.last.month << "-" << c.last.day;
    }
  }
}

// The lists are modeless: the till stores orders (and the list, or anything else, deletes them)
// while one is open. After every page load the page is the slice of what the query finds at that
// moment, numbered through the whole result, under the page count of that result.
TEST_F(OrderListTest, PagesFollowOrdersStoredAndDeletedWhileTheListIsOpen) {
  app.session.settings.rowsPerPage = 3;
  app.session.permissions.flags[static_cast<size_t>(Permission::DeleteSales)] = true;
  const auto at = [](int hour, int minute) { return timestampText({2021, 3, 1, hour, minute, 0}); };
  struct Case {
    const char* name;
    std::string customer;  // typed in 编辑框客户
    bool dateRange;        // 2021-03-01 only
    std::string where;     // the same condition for a fresh query
    SqlParams params;
  };
  const SqlParams day = {at(0, 0), timestampText({2021, 3, 2, 0, 0, 0})};
  const Case cases[] = {
      {"all orders", "", false, "", {}},
      {"one day", "", true, "日期 >= ? and 日期 < ?", day},
      {"typed text", "张", false, "客户 like '%张%'", {}},
      {"typed text in one day", "张", true, "客户 like '%张%' and 日期 >= ? and 日期 < ?", day},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(app.db.execute("delete from 销售"));
    const auto fresh = [&] {
      std::vector<std::string> numbers;
      for (const auto& row :
           app.rows("select 订单号 from 销售" + (c.where.empty() ? "" : " where " + c.where) +
                        " order by 日期, rowid",
                    c.params))
        numbers.push_back(row[0]);
      return numbers;
    };
    const auto expectCurrent = [&](OrderListPresenter& list, const std::string& step) {
      const std::vector<std::string> found = fresh();
      const auto pages = static_cast<int>((found.size() + 2) / 3);
      EXPECT_EQ(list.pageCount(), pages) << step;
      EXPECT_EQ(list.lastPage(), pages) << step;
      EXPECT_EQ(list.caption(), caption(pages, list.currentPage())) << step;
      std::vector<std::string> numbers, orders;
      const size_t offset = static_cast<size_t>(std::max(0, list.currentPage() - 1) * 3);
      for (size_t i = offset; i < std::min(offset + 3, found.size()); ++i) {
        numbers.push_back(std::to_string(i + 1));
        orders.push_back(found[i]);
      }
      EXPECT_EQ(column(list, 0), numbers) << step;
      EXPECT_EQ(column(list, 1), orders) << step;
    };
    int stored = 0;
    const auto add = [&](const std::string& date, const std::string& customer) {
      const std::string number = "SX" + std::to_string(++stored);
      addSale(number, date, customer);
      return number;
    };
    const auto deleteNewest = [&] {
      ASSERT_TRUE(app.db.execute("delete from 销售 where rowid=(select max(rowid) from 销售)"));
    };
    // Deletes `number` through the list: jumps to its page and deletes its row.
    const auto deleteThroughList = [&](OrderListPresenter& list, const std::string& number) {
      const std::vector<std::string> found = fresh();
      const auto index = std::find(found.begin(), found.end(), number) - found.begin();
      ASSERT_LT(static_cast<size_t>(index), found.size()) << number;
      list.jump(std::to_string(index / 3 + 1));
      const std::vector<std::string> shown = column(list, 1);
      const auto row = std::find(shown.begin(), shown.end(), number) - shown.begin();
      ASSERT_LT(static_cast<size_t>(row), shown.size()) << number;
      list.grid().setCurrentCell(static_cast<int>(row) + 1, 1);
      app.dialogs.answer(true);
      list.deleteOrder();
    };

    for (int i = 1; i <= 10; ++i) add(at(10, i), i % 3 ? "张" : "李");
    OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
    list.search.customer = c.customer;
    list.search.dateRange = c.dateRange;
    list.search.firstDay = list.search.lastDay = {2021, 3, 1};
    if (!c.customer.empty() || c.dateRange) list.runSearch();
    expectCurrent(list, "opened");

    for (int i = 1; i <= 5; ++i) add(at(11, i), i % 3 ? "张" : "李");
    list.nextPage();
    expectCurrent(list, "five stored, page 2");
    list.nextPage();
    expectCurrent(list, "page 3");

    ASSERT_TRUE(app.db.execute("delete from 销售 where 订单号 in ('SX2','SX5')"));
    list.lastPageClicked();
    expectCurrent(list, "two deleted elsewhere");

    // The newest order goes and the next takes its rowid: first a match for one that was not,
    // then the other way round.
    deleteNewest();
    add(at(12, 0), "张");
    list.previousPage();
    expectCurrent(list, "rowid reused by a match");
    deleteNewest();
    add(at(12, 1), "李");
    list.nextPage();
    expectCurrent(list, "rowid reused by another order");

    add(at(8, 0), "张");                               // stored late, sorts first
    add(timestampText({2021, 3, 2, 9, 0, 0}), "张");   // the next day
    add(timestampText({2021, 2, 28, 9, 0, 0}), "张");  // the day before
    add(at(10, 5) + "500", "张");                      // with milliseconds
    list.firstPage();
    expectCurrent(list, "older and newer dates stored");

    deleteThroughList(list, "SX1");
    add(at(13, 0), "张");
    list.nextPage();
    expectCurrent(list, "deleted by the list, one stored");

    // The newest orders deleted by the list, one stored after each.
    for (int round = 0; round < 2; ++round) {
      const std::string newest = add(at(14, round), "张");
      list.firstPage();
      deleteThroughList(list, newest);
      add(at(15, round), round == 0 ? "李" : "张");
      list.firstPage();
      expectCurrent(list, "newest deleted by the list, round " + std::to_string(round));
    }

    // Page by page, every order the query finds shows once, in order, with its number.
    std::vector<std::string> walked, numbers;
    list.firstPage();
    for (;;) {
      expectCurrent(list, "walk, page " + std::to_string(list.currentPage()));
      for (const auto& text : column(list, 0)) numbers.push_back(text);
      for (const auto& text : column(list, 1)) walked.push_back(text);
      if (list.currentPage() >= list.pageCount()) break;
      list.nextPage();
    }
    EXPECT_EQ(walked, fresh());
    for (size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], std::to_string(i + 1));
    app.dialogs.calls.clear();
  }
}

// A newest order deleted elsewhere gives its rowid to the next order stored; deleting the old
// row still shown in the list leaves that next order alone.
TEST_F(OrderListTest, DeleteLeavesAnOrderThatTookTheRowidSince) {
  app.session.permissions.flags[static_cast<size_t>(Permission::DeleteSales)] = true;
  addSale("SX1", "1600000001");
  addSale("SX2", "1600000002");
  OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
  ASSERT_TRUE(app.db.execute("delete from 销售 where 订单号='SX2'"));
  // SQLite hands the freed rowid on by itself; the server's numbers only grow, so the new
  // order is given it.
  ASSERT_TRUE(app.db.execute(
      "insert into "
      "销售(rowid,订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
      "values(2,'SX3','1600000003','-','','{}','12.5','12.5','0','现金支付','admin')"));
  ASSERT_EQ(app.rows("select rowid from 销售 where 订单号='SX3'")[0][0], "2");
  list.grid().setCurrentCell(2, 1);
  app.dialogs.answer(true);
  list.deleteOrder();
  EXPECT_EQ(app.rows("select 订单号 from 销售 order by rowid"),
            (std::vector<std::vector<std::string>>{{"SX1"}, {"SX3"}}));
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
  EXPECT_EQ(app.dialogs.calls[0].byDefault, Answer::No);
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
  ASSERT_TRUE(test::failWhen(app.db, "销售", "delete", "kept"));
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
