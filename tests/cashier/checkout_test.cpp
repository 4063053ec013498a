#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "cashier/checkout.h"
#include "history/order_list.h"
#include "sale_test_fixture.h"
#include "storage/database.h"
#include "util/json_document.h"
#include "util/timestamp.h"

namespace cz {
namespace {

using test::SaleTest;
using Texts = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

class CheckoutTest : public SaleTest {
 protected:
  void SetUp() override {
    SaleTest::SetUp();
    app->session.settings.printingEnabled = false;
    addGoods("可乐", "A", "3.5", "10");
    addGoods("饼干", "B", "12.25", "10");
    newOrder();
  }
  Rows sales() {
    return app->rows(
        "select 订单号,日期,客户,客户编号,总应收,总实收,积分,付款方式,制单人 from 销售");
  }
  // The order is still open with its lines and its inputs.
  void expectStillOpen(int expectedLines) {
    EXPECT_TRUE(sale->orderOpen());
    EXPECT_TRUE(sale->state().inputsEnabled);
    EXPECT_EQ(lines(), expectedLines);
    EXPECT_TRUE(sales().empty());
    EXPECT_TRUE(printer.calls.empty());
  }
};

TEST_F(CheckoutTest, SaleAndReturnLinesMoveStockInLineOrder) {
  scan("A");
  scan("A");
  scan("A");
  scan("B");
  doubleClick(2, kCartType);
  sale->paymentChanged("微信支付");
  markLog();
  checkout();
  EXPECT_EQ(stockOf("A"), "7");
  EXPECT_EQ(stockOf("B"), "11");
  const std::string order = sale->state().orderNumber;
  const std::string details = app->rows("select 订单详情 from 销售").at(0).at(0);
  EXPECT_EQ(
      storedLog(),
      (Texts{"3|减少商品：[可乐][A]库存数量：3", "3|增加商品：[饼干][B]库存数量：1",
             "1|创建销售单。\r\n订单号：" + order + "\r\n客户：-\r\n客户编号：\r\n详单详情：" +
                 details + "\r\n总应收：-1.75\r\n总实收：-1.8\r\n付款方式：微信支付"}));
  EXPECT_EQ(sales(), (Rows{{order, timestampText(app->clock.now()), "-", "", "-1.75", "-1.8", "0",
                            "微信支付", "admin"}}));
  // The type is not stored: a return is told by its negative amounts.
  EXPECT_EQ(details.find("类型"), std::string::npos);
  // The return line is the sold line's negative: 12.25 sold, -12.25 returned.
  EXPECT_NE(details.find("\"总价\":\"-12.25\""), std::string::npos) << details;
  EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕"}));
  EXPECT_FALSE(sale->orderOpen());
  EXPECT_FALSE(sale->state().inputsEnabled);
  EXPECT_FALSE(area.cart.editable());
  EXPECT_EQ(area.cart.gridColour(), rgb(96, 96, 96));
  EXPECT_EQ(lines(), 2);
  // Closed: F4 and the button do nothing, and the grid stays read-only.
  sale->checkoutHotkey();
  sale->checkoutClicked();
  area.cart.setCurrentCell(1, kCartQuantity);
  sale->cursorMoved();
  EXPECT_FALSE(area.cart.editable());
  EXPECT_EQ(sales().size(), 1u);
}

// Another till sells from the same stock between the scan and the checkout.
TEST_F(CheckoutTest, StockSoldElsewhereSinceTheScanStoresNothing) {
  scan("A");
  scan("A");
  scan("B");
  ASSERT_TRUE(app->db.execute("update 库存 set 当前库存=1 where 条码=?", {"A"}));
  markLog();
  checkout();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"[可乐]库存不足"}));
  expectStillOpen(2);
  EXPECT_EQ(stockOf("A"), "1");
  EXPECT_EQ(stockOf("B"), "10");
  EXPECT_TRUE(storedLog().empty());

  // With the stock back the same order goes through.
  ASSERT_TRUE(app->db.execute("update 库存 set 当前库存=2 where 条码=?", {"A"}));
  app->dialogs.calls.clear();
  checkout();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕"}));
  EXPECT_EQ(stockOf("A"), "0");
  EXPECT_EQ(sales().size(), 1u);
}

// The stock of every sold line is checked at once after the updates: the message names the first
// line in the cart whose goods ran short, also past the first query's worth of lines.
TEST_F(CheckoutTest, TheFirstLineShortOfStockIsNamedWhateverTheCartsLength) {
  for (int i = 0; i < 40; ++i) addGoods("货" + std::to_string(i), "G" + std::to_string(i), "1", "5");
  for (int i = 0; i < 40; ++i) scan("G" + std::to_string(i));
  for (const int shortOne : {37, 35}) {
    ASSERT_TRUE(app->db.execute("update 库存 set 当前库存=0 where 条码=?",
                                {"G" + std::to_string(shortOne)}));
  }
  markLog();
  checkout();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"[货35]库存不足"}));
  expectStillOpen(40);
  EXPECT_EQ(stockOf("G0"), "5");
  EXPECT_TRUE(storedLog().empty());
}

TEST_F(CheckoutTest, ATakenOrderNumberMovesToTheNextFreeSecond) {
  const LocalDateTime opened = app->clock.now();
  const std::string first = orderNumber("SX", opened);
  const std::string second = orderNumber("SX", dateTimeFromSeconds(secondsSinceEpoch(opened) + 1));
  const std::string third = orderNumber("SX", dateTimeFromSeconds(secondsSinceEpoch(opened) + 2));
  ASSERT_EQ(sale->state().orderNumber, first);
  // Two other tills stored orders with this second's and the next second's numbers.
  for (const std::string& number : {first, second}) {
    ASSERT_TRUE(app->db.execute("insert into 销售(订单号,日期) values(?,?)", {number, "0"}));
  }
  scan("A");
  checkout();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕"}));
  EXPECT_EQ(sale->state().orderNumber, third);
  EXPECT_EQ(app->rows("select count(*) from 销售 where 订单号=?", {third}), (Rows{{"1"}}));
  EXPECT_EQ(app->rows("select count(distinct 订单号) from 销售"), (Rows{{"3"}}));
}

// Two tills on one store sell its last unit at the same moment: one sale is stored, the other
// till is told and keeps its order open; both order lists then show the same orders.
TEST_F(CheckoutTest, TwoTillsSellingTheLastUnitAtOnceStoreItOnce) {
  ASSERT_TRUE(app->db.execute("update 库存 set 当前库存=1 where 条码=?", {"A"}));
  test::TestApp other(dir.path());
  test::startAndLogIn(other);
  other.session.settings.printingEnabled = false;
  other.dialogs.calls.clear();
  SaleArea otherArea;
  setUpSaleArea(otherArea);
  test::RecordingPrinter otherPrinter;
  SalePresenter otherSale(other.context, other.dialogs, otherPrinter, otherArea);
  otherSale.startNewOrder();
  scan("A");
  otherSale.barcodeTextChanged("A");
  otherSale.barcodeKeyDown(13);
  ASSERT_EQ(lines(), 1);
  ASSERT_EQ(otherArea.cart.rowCount(), 2);

  app->dialogs.answer(true);
  other.dialogs.answer(true);
  std::thread first([&] { sale->checkoutClicked(); });
  std::thread second([&] { otherSale.checkoutClicked(); });
  first.join();
  second.join();

  Texts outcomes = app->dialogs.messages();
  for (const std::string& message : other.dialogs.messages()) outcomes.push_back(message);
  std::sort(outcomes.begin(), outcomes.end());
  EXPECT_EQ(outcomes, (Texts{"[可乐]库存不足", "提交订单完毕"}));
  EXPECT_NE(sale->orderOpen(), otherSale.orderOpen());
  EXPECT_EQ(stockOf("A"), "0");
  EXPECT_EQ(sales().size(), 1u);
  OrderListPresenter list(app->context, app->dialogs, OrderKind::Sale);
  OrderListPresenter otherList(other.context, other.dialogs, OrderKind::Sale);
  ASSERT_EQ(list.grid().rowCount(), 2);
  ASSERT_EQ(otherList.grid().rowCount(), 2);
  for (int c = 0; c < list.grid().columnCount(); ++c) {
    EXPECT_EQ(list.grid().text(1, c), otherList.grid().text(1, c)) << c;
  }
}

TEST_F(CheckoutTest, EmptyCartAndDeclinedQuestionStoreNothing) {
  sale->checkoutClicked();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"请添加商品"}));
  scan("A");
  app->dialogs.answer(false);
  sale->checkoutClicked();
  EXPECT_EQ(app->dialogs.calls.back().text, "确定提交订单吗？");
  expectStillOpen(1);
  EXPECT_EQ(stockOf("A"), "10");
}

TEST_F(CheckoutTest, MemberPointsAreRoundedAndAdded) {
  const std::string number = addMember("赵", "135", "10", "100");
  scan("B");
  enterMember("赵");
  ASSERT_EQ(sale->state().pointsTotal, "12.25");
  markLog();
  checkout();
  EXPECT_EQ(app->rows("select 积分 from 会员 where 编号=?", {number}), (Rows{{"112.3"}}));
  EXPECT_EQ(sales().at(0).at(3), number);
  EXPECT_EQ(sales().at(0).at(2), "赵");
  EXPECT_EQ(sales().at(0).at(6), "12.3");
  EXPECT_EQ(storedLog().at(1), "5|更新用户积分，[" + number + "]增加积分：12.3");

  // A return-only sale lowers the points.
  newOrder();
  enterMember("赵");
  scan("A");
  doubleClick(1, kCartType);
  checkout();
  EXPECT_EQ(app->rows("select 积分 from 会员 where 编号=?", {number}), (Rows{{"108.8"}}));
  EXPECT_EQ(app->rows("select 积分 from 销售 order by rowid desc limit 1"), (Rows{{"-3.5"}}));
}

TEST_F(CheckoutTest, LargePointsKeepTheirDecimal) {
  const std::string number = addMember("钱", "136", "10", "0");
  addGoods("大件", "L3", "99999.9", "50");
  addGoods("大件", "L4", "34569", "50");
  scan("L3");
  scan("L4");
  edit(1, kCartQuantity, "12");
  enterMember("钱");
  checkout();
  EXPECT_EQ(app->rows("select 积分 from 会员 where 编号=?", {number}), (Rows{{"1234567.8"}}));
  EXPECT_EQ(sales().at(0).at(4), "1234567.8");
  EXPECT_EQ(sales().at(0).at(5), "1234567.8");
  EXPECT_EQ(sales().at(0).at(6), "1234567.8");
}

// Each failing step rolls the whole order back, keeps it open, and stores its error entry once.
TEST_F(CheckoutTest, AFailingStepLeavesNothingButItsErrorEntry) {
  // How a case makes its step fail: a trigger raising 磁盘已满 (the table, event and condition of
  // failWhen), a commit that fails, or a transaction already open.
  enum class Fault { Raise, Commit, Begin };
  const struct {
    std::string name;
    Fault fault;
    std::string table, event, condition;
    std::string title, entry;  // the entry's text after the engine's error, if any
  } cases[] = {
      {"second stock update", Fault::Raise, "库存", "update", "new.条码='B'", "更新库存失败",
       "[更新库存失败]：磁盘已满"},
      {"member points", Fault::Raise, "会员", "update", "", "更新会员积分失败",
       "更新用户积分失败，[1]增加积分：15.8；原因：磁盘已满"},
      {"sales row", Fault::Raise, "销售", "insert", "", "提交销售订单失败",
       "创建销售单失败：磁盘已满"},
      {"commit", Fault::Commit, "销售", "", "", "提交销售订单失败", "创建销售单失败："},
      {"begin", Fault::Begin, "", "", "", "提交销售订单失败", "创建销售单失败："},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir caseDir;
    app = std::make_unique<test::TestApp>(caseDir.path());
    test::startAndLogIn(*app);
    app->session.settings.printingEnabled = true;
    sale = std::make_unique<SalePresenter>(app->context, app->dialogs, printer, area);
    printer.calls.clear();
    addGoods("可乐", "A", "3.5", "10");
    addGoods("饼干", "B", "12.25", "10");
    ASSERT_EQ(addMember("孙", "137", "10", "1"), "1");
    newOrder();
    scan("A");
    scan("B");
    enterMember("孙");
    std::string entry = c.entry;
    switch (c.fault) {
      case Fault::Raise:
        ASSERT_TRUE(test::failWhen(app->db, c.table, c.event, "磁盘已满", c.condition))
            << app->db.lastError();
        break;
      case Fault::Commit: {
        const std::string error = test::failCommitAfterInsert(app->db, c.table);
        ASSERT_FALSE(error.empty()) << app->db.lastError();
        entry += error;
        break;
      }
      case Fault::Begin:
        ASSERT_TRUE(app->db.execute("begin"));
        entry += app->db.onServer() ? "there is already a transaction in progress"
                                    : "cannot start a transaction within a transaction";
        break;
    }
    markLog();
    app->dialogs.calls.clear();
    checkout();
    EXPECT_EQ(app->dialogs.calls.back().title, c.title);
    EXPECT_EQ(app->dialogs.calls.back().icon, MessageIcon::Information);
    EXPECT_EQ(app->dialogs.messages().size(), 1u);
    if (c.fault == Fault::Begin) app->db.execute("commit");
    expectStillOpen(2);
    EXPECT_EQ(stockOf("A"), "10");
    EXPECT_EQ(stockOf("B"), "10");
    EXPECT_EQ(app->rows("select 积分 from 会员"), (Rows{{"1"}}));
    const Texts stored = storedLog();
    EXPECT_EQ(stored, Texts{"6|" + entry});
    const Texts listed = listedLog();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "错误|" + entry), 1);
    // Corrected, the same order goes through.
    if (c.fault == Fault::Raise) {
      ASSERT_TRUE(test::stopFailing(app->db, c.table, c.event));
    }
    if (c.fault == Fault::Commit) {
      ASSERT_TRUE(test::stopFailingCommit(app->db, c.table));
    }
    checkout();
    EXPECT_EQ(sales().size(), 1u);
    EXPECT_EQ(stockOf("B"), "9");
  }
}

// A commit that failed may still have been stored (a connection lost after COMMIT was sent; the
// server test makes that happen for real). The next F4 of the order looks its number up: found
// with the order's lines it finishes as stored; otherwise the sale is stored, under the next free
// number when the number is taken. Without a failed commit before, nothing is looked up: another
// till's order of the same second with the same lines is its own sale.
TEST_F(CheckoutTest, AfterAFailedCommitTheNextCheckoutFinishesASaleFoundStored) {
  enum class Stored { Nothing, SameLines, OtherLines };
  const struct {
    const char* name;
    bool commitFailedFirst;
    Stored stored;
    bool finishedAsStored;
  } cases[] = {
      {"stored by the failed commit", true, Stored::SameLines, true},
      {"not stored", true, Stored::Nothing, false},
      {"another till's order under the number", true, Stored::OtherLines, false},
      {"no failed commit before", false, Stored::SameLines, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(app->db.execute("delete from 销售"));
    ASSERT_TRUE(app->db.execute("update 库存 set 当前库存=10"));
    newOrder();
    scan("A");
    scan("A");
    const std::string number = sale->state().orderNumber;
    if (c.commitFailedFirst) {
      ASSERT_FALSE(test::failCommitAfterInsert(app->db, "销售").empty()) << app->db.lastError();
      checkout();
      ASSERT_TRUE(sale->orderOpen());
      ASSERT_TRUE(test::stopFailingCommit(app->db, "销售"));
    }
    if (c.stored != Stored::Nothing) {
      // What the commit stored, or another till's order of the same second.
      const std::string details =
          c.stored == Stored::SameLines ? buildOrderDetails(area.cart) : R"({"详情页":[]})";
      ASSERT_TRUE(app->db.execute(
          "insert into 销售(订单号,日期,订单详情,总应收,积分,制单人) values(?,?,?,'7','0',?)",
          {number, timestampText(app->clock.now()), details, app->session.currentAccount}));
    }
    app->dialogs.calls.clear();
    checkout();
    EXPECT_EQ(app->dialogs.messages(), Texts{"提交订单完毕"});
    EXPECT_FALSE(sale->orderOpen());
    const Rows stored = app->rows("select 订单号 from 销售 order by rowid");
    if (c.finishedAsStored) {
      EXPECT_EQ(stored, (Rows{{number}}));
      EXPECT_EQ(stockOf("A"), "10");  // the stand-in took none; the second F4 took none either
      EXPECT_EQ(sale->state().orderNumber, number);
    } else {
      EXPECT_EQ(stockOf("A"), "8");
      ASSERT_EQ(stored.size(), c.stored == Stored::Nothing ? 1u : 2u);
      EXPECT_EQ(stored.back()[0], sale->state().orderNumber);
      if (c.stored != Stored::Nothing) {
        EXPECT_NE(sale->state().orderNumber, number);
      }
    }
  }
}

TEST_F(CheckoutTest, RepeatedCheckoutClicksDuringTheQuestionsDoNothing) {
  // A dialog that delivers F4, 超级收款, F1 and cart input while it is open.
  class Reentering : public test::ScriptedDialogs {
   public:
    SalePresenter* sale = nullptr;
    void message(const std::string& text, const std::string& title, MessageIcon icon) override {
      poke();
      ScriptedDialogs::message(text, title, icon);
    }
    bool ask(const std::string& text, const std::string& title, Answer byDefault) override {
      poke();
      return ScriptedDialogs::ask(text, title, byDefault);
    }
    void poke() {
      sale->checkoutHotkey();
      sale->checkoutClicked();
      sale->startNewOrder();
      sale->barcodeKeyDown(13);
      sale->cartKeyUp(46);
    }
  } dialogs;
  app->session.settings.printingEnabled = true;
  SalePresenter guarded(app->context, dialogs, printer, area);
  dialogs.sale = &guarded;
  dialogs.answer(true);  // no order open yet: no question
  guarded.startNewOrder();
  guarded.barcodeTextChanged("A");
  guarded.barcodeKeyDown(13);
  area.cart.setCurrentCell(1, 1);
  dialogs.calls.clear();
  dialogs.answer(true);
  guarded.checkoutClicked();
  EXPECT_EQ(sales().size(), 1u);
  EXPECT_EQ(stockOf("A"), "9");
  EXPECT_EQ(dialogs.messages(), (Texts{"提交订单完毕"}));
  EXPECT_EQ(std::count(printer.calls.begin(), printer.calls.end(), "start"), 1);
}

TEST_F(CheckoutTest, StockStepsAreUsableForPurchases) {
  markLog();
  const StepResult r = updateStock(app->db, app->log, "A", 5, StockDirection::Add, "可乐", "2.5");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(app->rows("select 当前库存,进货价 from 库存 where 条码='A'"), (Rows{{"15", "2.5"}}));
  EXPECT_EQ(storedLog(), (Texts{"3|增加商品：[可乐][A]库存数量：5"}));
  EXPECT_TRUE(updateStock(app->db, app->log, "无", 1, StockDirection::Subtract, "无").ok);
}

}  // namespace
}  // namespace cz
