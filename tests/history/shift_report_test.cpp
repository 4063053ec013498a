#include "core/shift_report.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "admin/settings_presenter.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/login.h"
#include "history/shift_report_presenter.h"
#include "support/recording_printer.h"
#include "support/test_app.h"
#include "util/timestamp.h"

namespace cz {
namespace {

using test::TempDir;
using test::TestApp;

LocalDateTime at(int day, int hour, int minute, int second) {
  return {2026, 12, day, hour, minute, second};
}

// A stored order line: the details keep no type, a return has negative amounts.
std::string line(const std::string& type, const std::string& received) {
  EXPECT_EQ(type == "退货", received[0] == '-');
  return "{\"商品名称\":\"水\",\"总价\":\"" + received + "\",\"实收\":\"" + received + "\"}";
}

class ShiftReportTest : public ::testing::Test {
 protected:
  ShiftReportTest() : app(dir.path()) {
    test::startAndLogIn(app);
    app.clock.set(at(10, 18, 0, 0));
    app.dialogs.calls.clear();
  }

  void addSale(const LocalDateTime& when, const std::string& account, const std::string& payment,
               const std::string& due, const std::string& received,
               const std::vector<std::string>& lines, const std::string& customer = "-",
               const std::string& points = "0") {
    std::string details = "{\"详情页\":[";
    for (size_t i = 0; i < lines.size(); ++i) details += (i ? "," : "") + lines[i];
    details += "]}";
    ASSERT_TRUE(app.db.execute(
        "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
        "values(?,?,?,?,?,?,?,?,?,?)",
        {orderNumber("SX", when), timestampText(when), customer, customer == "-" ? "" : "1",
         details, due, received, points, payment, account}))
        << app.db.lastError();
  }

  // A day with a shift's worth of orders and one on either side of it.
  void addFixtureDay() {
    addSale(at(9, 23, 59, 59), "admin", "现金支付", "100", "100", {line("售出", "100")});
    // The shift's first second: two sale lines, no member.
    addSale(at(10, 0, 0, 0), "admin", "现金支付", "16", "15.5",
            {line("售出", "10"), line("售出", "5.5")});
    // A member with a discount and points.
    addSale(at(10, 12, 0, 0), "clerk", "微信支付", "20", "18", {line("售出", "18")}, "张三", "20");
    // A sale line and a return line.
    addSale(at(10, 13, 0, 0), "clerk", "支付宝支付", "22", "22",
            {line("售出", "30"), line("退货", "-8")});
    // The shift's last second (now).
    addSale(at(10, 18, 0, 0), "admin", "其他支付", "7.3", "7.3", {line("售出", "7.3")});
    // A till whose clock runs ahead: after the end of the report.
    addSale(at(10, 18, 0, 1), "admin", "现金支付", "50", "50", {line("售出", "50")});
  }

  ShiftFigures report() {
    ShiftFigures figures;
    EXPECT_TRUE(readShiftFigures(app.db, currentShiftStart(app.db, app.clock.now()),
                                 timestampText(app.clock.now()), figures));
    return figures;
  }

  // Runs the shift change to its close window and hands the window's presenter to `act`.
  void changeShiftWith(const std::function<void(ShiftReportPresenter&)>& act) {
    app.windows.onOpenShiftClose = [&] {
      ShiftReportPresenter close(app.context, app.dialogs, printer, true);
      act(close);
    };
    app.dialogs.answer(true);
    ASSERT_TRUE(changeShift(app.context, app.dialogs));
  }

  TempDir dir;
  TestApp app;
  test::RecordingPrinter printer;
};

TEST_F(ShiftReportTest, FiguresOfAShiftWorkedOutByHand) {
  addFixtureDay();
  const ShiftFigures f = report();
  EXPECT_EQ(f.start, timestampText(at(10, 0, 0, 0)));
  EXPECT_EQ(f.orders, 4);
  EXPECT_EQ(moneyText(f.due), "65.3");       // 16 + 20 + 22 + 7.3
  EXPECT_EQ(moneyText(f.received), "62.8");  // 15.5 + 18 + 22 + 7.3
  EXPECT_EQ(moneyText(f.discount), "2.5");
  EXPECT_EQ(f.saleLines, 5);
  EXPECT_EQ(moneyText(f.saleAmount), "70.8");  // 10 + 5.5 + 18 + 30 + 7.3
  EXPECT_EQ(f.returnLines, 1);
  EXPECT_EQ(moneyText(f.returnAmount), "-8");
  const char* payments[4] = {"15.5", "18", "22", "7.3"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(moneyText(f.byPayment[i]), payments[i]) << i;
  EXPECT_EQ(moneyText(f.points), "20");
  EXPECT_EQ(f.firstOrder, timestampText(at(10, 0, 0, 0)));
  EXPECT_EQ(f.lastOrder, timestampText(at(10, 18, 0, 0)));
  ASSERT_EQ(f.clerks.size(), 2u);
  EXPECT_EQ(f.clerks[0].account, "admin");
  EXPECT_EQ(f.clerks[0].orders, 2);
  EXPECT_EQ(moneyText(f.clerks[0].received), "22.8");
  EXPECT_EQ(f.clerks[1].account, "clerk");
  EXPECT_EQ(f.clerks[1].orders, 2);
  EXPECT_EQ(moneyText(f.clerks[1].received), "40");
  EXPECT_EQ(moneyText(f.openingFloat), "0");
  EXPECT_EQ(moneyText(f.cashExpected), "15.5");

  const auto lines = shiftReportLines(f, "当班报表");
  EXPECT_EQ(lines.front(), "当班报表");
  for (const char* expected :
       {"开始时间：2026-12-10 00:00:00", "总实收：62.8", "退货：1行，-8", "微信支付：18",
        "收银员[clerk]：2单，40", "应有现金：15.5", "末单时间：2026-12-10 18:00:00", "挂单：0单"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
  }
}

TEST_F(ShiftReportTest, AnEmptyShiftAndOddRows) {
  ShiftFigures f = report();
  EXPECT_EQ(f.orders, 0);
  EXPECT_EQ(f.firstOrder, "");
  EXPECT_TRUE(f.clerks.empty());
  // Unreadable details and non-numbers count as an order with no lines and zero amounts.
  // (The server's number columns cannot hold a text: there the amounts are empty.)
  const std::string notANumber = app.db.onServer() ? "" : "abc";
  ASSERT_TRUE(
      app.db.execute("insert into 销售 values('SX1',?,'-','','不是JSON',?,?,?,'现金支付','admin')",
                     {timestampText(at(10, 9, 0, 0)), notANumber, "", ""}));
  f = report();
  EXPECT_EQ(f.orders, 1);
  EXPECT_EQ(f.saleLines + f.returnLines, 0);
  EXPECT_EQ(moneyText(f.received), "0");
}

TEST_F(ShiftReportTest, TheCloseStoresItsRowAndTheNextShiftCoversOnlyNewSales) {
  addFixtureDay();
  changeShiftWith([](ShiftReportPresenter& close) {
    EXPECT_EQ(close.state().caption, "交班报表");
    close.countedChanged("20");
    EXPECT_EQ(close.state().differenceText, "差额：4.5");  // 20 − 15.5
    close.countedChanged("1");
    EXPECT_EQ(close.state().differenceText, "差额：-14.5");
    close.countedChanged("x");
    EXPECT_EQ(close.state().differenceText, "");
    EXPECT_FALSE(close.confirmClicked());  // "x" is no amount
    close.countedChanged("20");
    close.floatChanged("50");
    EXPECT_TRUE(close.confirmClicked());
    EXPECT_TRUE(close.closeRequested());  // the window's own close afterwards stores nothing
  });
  EXPECT_EQ(app.dialogs.calls.back().text, "实点现金不是有效的金额");
  EXPECT_EQ(app.windows.calls.back(), "centreLogin");
  const auto rows = app.rows(
      "select 时间,账号,开始,结束,订单数,总实收,现金支付,应有现金,实点现金,差额,下班备用金 "
      "from 交班记录");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0],
            (std::vector<std::string>{
                timestampText(at(10, 18, 0, 0)), "admin", timestampText(at(10, 0, 0, 0)),
                timestampText(at(10, 18, 0, 0)), "4", "62.8", "15.5", "15.5", "20", "4.5", "50"}));
  EXPECT_EQ(app.rows("select 日志 from 日志").back()[0],
            "[admin]交班，订单数：4，总实收：62.8，应有现金：15.5，实点现金：20，差额：4.5");

  // The next shift: the order stamped one second after the close, and a new one.
  app.clock.set(at(10, 19, 0, 0));
  addSale(at(10, 18, 30, 0), "clerk", "现金支付", "9", "9", {line("售出", "9")});
  const ShiftFigures next = report();
  EXPECT_EQ(next.start, timestampText(at(10, 18, 0, 1)));
  EXPECT_EQ(next.orders, 2);
  EXPECT_EQ(moneyText(next.received), "59");
  EXPECT_EQ(moneyText(next.openingFloat), "50");
  EXPECT_EQ(moneyText(next.cashExpected), "109");  // 50 + 50 + 9
  ASSERT_EQ(recentShiftCloses(app.db, 30).size(), 1u);
  EXPECT_NE(recentShiftCloses(app.db, 30)[0].report.find("实点现金：20\r\n差额：4.5"),
            std::string::npos);
}

TEST_F(ShiftReportTest, TheCloseMarkStoresTheCloseWithoutCountedCash) {
  addFixtureDay();
  changeShiftWith([](ShiftReportPresenter& close) { EXPECT_TRUE(close.closeRequested()); });
  EXPECT_EQ(app.rows("select 订单数, 实点现金 is null, 差额 is null, 下班备用金 from 交班记录"),
            (std::vector<std::vector<std::string>>{{"4", "1", "1", "0"}}));
  EXPECT_EQ(app.windows.calls.back(), "centreLogin");
  // A look does not close anything.
  ShiftReportPresenter look(app.context, app.dialogs, printer, false);
  EXPECT_EQ(look.figures().orders, 0);  // the 18:00:01 order is still in the future
  EXPECT_TRUE(look.closeRequested());
  EXPECT_EQ(app.rows("select count(*) from 交班记录")[0][0], "1");
}

TEST_F(ShiftReportTest, ConfirmingWithoutCountedCashAsksFirstAndNoKeepsTheWindow) {
  addFixtureDay();
  changeShiftWith([&](ShiftReportPresenter& close) {
    for (const std::string blank : {"", "  "}) {
      close.countedChanged(blank);
      app.dialogs.calls.clear();
      app.dialogs.answer(false);
      EXPECT_FALSE(close.confirmClicked()) << blank;
      ASSERT_EQ(app.dialogs.calls.size(), 1u);
      EXPECT_EQ(app.dialogs.calls[0].kind, "ask");
      EXPECT_EQ(app.dialogs.calls[0].text, "未填写实点现金，确定不点钞交班吗？");
      EXPECT_EQ(app.dialogs.calls[0].byDefault, Answer::No);
      EXPECT_EQ(app.rows("select count(*) from 交班记录")[0][0], "0");
    }
    // 是 closes without counting.
    app.dialogs.answer(true);
    EXPECT_TRUE(close.confirmClicked());
  });
  EXPECT_EQ(app.rows("select 订单数, 实点现金 is null from 交班记录"),
            (std::vector<std::vector<std::string>>{{"4", "1"}}));
  EXPECT_EQ(app.windows.calls.back(), "centreLogin");
}

TEST_F(ShiftReportTest, ACloseThatCannotBeStoredKeepsTheWindow) {
  changeShiftWith([&](ShiftReportPresenter& close) {
    ASSERT_TRUE(app.db.execute("drop table 交班记录"));
    app.dialogs.answer(true);  // close without counting
    EXPECT_FALSE(close.confirmClicked());
    EXPECT_EQ(app.dialogs.calls.back().title, "保存交班记录失败");
    EXPECT_FALSE(close.closeRequested());
  });
  EXPECT_NE(app.windows.calls.back(), "centreLogin");
}

TEST_F(ShiftReportTest, PrintingTheReportOnTheSystemPath) {
  addFixtureDay();
  ShiftReportPresenter look(app.context, app.dialogs, printer, false);
  look.printClicked();
  ASSERT_EQ(printer.texts.size(), 2u);
  EXPECT_EQ(printer.texts[0], "当班报表");
  EXPECT_NE(printer.texts[1].find("总实收：62.8\r\n"), std::string::npos);
  printer.jobStarts = false;
  look.printClicked();
  EXPECT_EQ(app.dialogs.calls.back().text, "打印失败：没有可用的打印机，或打印已取消");
}

TEST_F(ShiftReportTest, TheSettingsPageListsTheLatestClosesAndPrintsOneAgain) {
  addFixtureDay();
  changeShiftWith([](ShiftReportPresenter& close) {
    close.countedChanged("15.5");
    EXPECT_TRUE(close.confirmClicked());
  });
  app.clock.set(at(10, 20, 0, 0));
  changeShiftWith([](ShiftReportPresenter& close) { EXPECT_TRUE(close.closeRequested()); });

  SettingsPresenter settings(app.context, app.dialogs, printer);
  settings.created();
  EXPECT_EQ(settings.closeListTexts(),
            (std::vector<std::string>{"2026-12-10 20:00:00  admin  实收50  差额未清点",
                                      "2026-12-10 18:00:00  admin  实收62.8  差额0"}));
  settings.reprintCloseClicked(1);
  ASSERT_EQ(printer.texts.size(), 2u);
  EXPECT_EQ(printer.texts[0], "交班报表");
  EXPECT_EQ(printer.texts[1].rfind("重打\r\n开始时间：2026-12-10 00:00:00\r\n", 0), 0u);
  EXPECT_NE(printer.texts[1].find("实点现金：15.5\r\n差额：0\r\n下班备用金：0\r\n"),
            std::string::npos);
  settings.reprintCloseClicked(-1);
  EXPECT_EQ(app.dialogs.messages().back(), "请先选择一条交班记录");
  app.windows.calls.clear();
  settings.shiftReportClicked();
  EXPECT_EQ(app.windows.calls, std::vector<std::string>{"openShiftReport"});
}

TEST(ParseAmount, Cases) {
  const struct {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"12", 12},
      {" 12.5 ", 12.5},
      {"-3", -3},
      {"1.25", 1.3},
      {"12a", std::nullopt},
      {".", std::nullopt},
      {"1.2.3", std::nullopt},
      {"1234567890123456", std::nullopt},
      {"０", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parseAmount(c.text), c.value) << c.text;
}

// A second till sells while this one closes shift after shift. Both read one clock that moves a
// second every few readings, and the second till's reading is taken before it waits for the
// writers' lock, so its sales often carry a second at or before a close committed meanwhile, as a
// till with a slow clock would. Every sale falls in exactly one stored shift: the closes' order
// counts and takings add up to all the sales.
TEST_F(ShiftReportTest, SalesOfAnotherTillDuringClosesFallInExactlyOneShift) {
  app.session.settings.printingEnabled = false;
  ASSERT_TRUE(app.db.execute("insert into 库存 values('水','W','瓶','',1,2.5,100000,'0','真')"));
  std::atomic<std::int64_t> readings{0};
  const std::int64_t base = secondsSinceEpoch(at(10, 18, 0, 0));
  const auto sharedNow = [&] { return dateTimeFromSeconds(base + readings++ / 3); };

  TestApp other(dir.path());
  test::startAndLogIn(other);
  other.session.settings.printingEnabled = false;
  std::atomic<bool> closing{true};
  std::atomic<int> sold{0};
  std::thread secondTill([&] {
    SaleArea area;
    setUpSaleArea(area);
    test::RecordingPrinter otherPrinter;
    SalePresenter sale(other.context, other.dialogs, otherPrinter, area);
    while (closing || sold < 5) {
      other.clock.set(sharedNow());
      if (sale.orderOpen()) other.dialogs.answer(true);
      sale.startNewOrder();
      sale.barcodeTextChanged("W");
      sale.barcodeKeyDown(13);
      other.dialogs.answer(true);
      sale.checkoutClicked();
      if (!sale.orderOpen()) ++sold;
      // A cashier's pace: a file's lock has no queue, and a till selling without a pause would
      // starve the close.
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  });
  int closed = 0;
  for (int close = 0; close < 30; ++close) {
    app.clock.set(sharedNow());
    // The window opens on figures that the sales after it leave behind.
    ShiftReportPresenter report(app.context, app.dialogs, printer, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    app.clock.set(sharedNow());
    if (!report.closeRequested()) break;
    ++closed;
  }
  const std::string closeError = app.db.lastError();
  closing = false;
  secondTill.join();
  ASSERT_EQ(closed, 30) << closeError;
  app.clock.set(dateTimeFromSeconds(base + readings / 3 + 10));
  ShiftReportPresenter last(app.context, app.dialogs, printer, true);
  ASSERT_TRUE(last.closeRequested());

  EXPECT_GE(sold, 5);
  EXPECT_EQ(app.rows("select count(*) from 销售")[0][0], std::to_string(sold.load()));
  const auto sums = [&](const std::string& sql) { return app.rows(sql).at(0); };
  EXPECT_EQ(sums("select sum(订单数), sum(总实收) from 交班记录"),
            sums("select count(*), sum(总实收) from 销售"));
  // No sale outside every shift or inside two.
  EXPECT_EQ(app.rows("select count(*) from 销售 s where (select count(*) from 交班记录 c "
                     "where s.日期>=c.开始 and s.日期<=c.结束)<>1")[0][0],
            "0");
}

}  // namespace
}  // namespace cz
