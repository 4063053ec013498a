// The sale's printing through ESC/POS and the drawer, against a receipt printer on loopback:
// what reaches the printer, what the cashier sees, and that the stored sale never depends on it.

#include <gtest/gtest.h>

#include "history/order_detail.h"
#include "printing/escpos.h"
#include "printing/receipt.h"
#include "sale_test_fixture.h"
#include "storage/database.h"
#include "support/loopback_printer.h"
#include "util/clock.h"
#include "util/gbk.h"
#include "util/timestamp.h"

namespace cz {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using test::LoopbackPrinter;
using Texts = std::vector<std::string>;

const std::string kStatus(escpos::kPaperStatusRequest);

class EscPosSaleTest : public test::SaleTest {
 protected:
  void SetUp() override {
    SaleTest::SetUp();
    addGoods("可乐", "6901", "3.5", "100", "0", "假");
    addGoods("饼干", "1225", "12.25", "100");
    addGoods("晨舟纯牛奶250ml特浓高钙早餐奶整箱装12盒", "6900000000001", "59.9", "100");
    Settings& s = app->session.settings;
    s.receiptHeader = "晨舟小店";
    s.receiptFooter = "谢谢惠顾\r\n欢迎再来";
    s.printer.method = PrintMethod::EscPos;
    s.printer.device = loopback.device();
  }

  // A cash sale of two 可乐, checked out.
  void sellTwoCola() {
    newOrder();
    scan("6901");
    scan("6901");
    checkout();
  }
  // The 错误 entries among those stored since markLog().
  Texts errorsLogged() {
    Texts errors;
    for (const std::string& entry : storedLog()) {
      if (entry.rfind("6|", 0) == 0) errors.push_back(entry);
    }
    return errors;
  }
  int salesStored() { return std::stoi(app->rows("select count(*) from 销售")[0][0]); }
  // The receipt the sale of the stored row `rowid` printed first.
  std::string receiptBytes(std::int64_t rowid, bool reprint, bool drawer = false) {
    std::string error;
    const auto stored = readStoredSale(app->db, rowid, error);
    EXPECT_TRUE(stored) << error;
    if (!stored) return {};
    Receipt receipt = receiptFromStoredSale(*stored, app->session.settings);
    receipt.reprint = reprint;
    return escPosReceipt(receipt, app->session.settings.printer.paperWidth, drawer);
  }

  LoopbackPrinter loopback;
};

TEST_F(EscPosSaleTest, CheckoutPrintsTheReceiptOnceOnThePrinter) {
  sellTwoCola();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕"}));
  ASSERT_TRUE(loopback.waitForJobs(1));
  const std::string expected = escPosReceipt(
      composeReceipt({{"可乐", "6901", "3.5", "2", "7"}}, sale->state().orderNumber,
                     app->clock.now(), "-", {"7", "7", "现金支付", "0"}, app->session.settings),
      58, false);
  EXPECT_EQ(loopback.jobs(), (Texts{kStatus + expected}));
  // The outcome is a success: no message, no further job, the system printer never used.
  EXPECT_TRUE(app->waitForUiTask());
  EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕"}));
  EXPECT_EQ(loopback.connections(), 1);
  EXPECT_TRUE(printer.calls.empty());
  EXPECT_EQ(salesStored(), 1);
}

TEST_F(EscPosSaleTest, DrawerPulseFollowsCashSalesOnlyAsAJobOfItsOwn) {
  const std::string pulse = escPosDrawerPulse();
  const struct {
    const char* name;
    std::string payment;
    bool drawer, printing;
    bool receipt, pulse;  // the jobs the printer gets, in this order
  } cases[] = {
      {"cash, drawer on: receipt, then pulse", "现金支付", true, true, true, true},
      {"card, drawer on: receipt only", "微信支付", true, true, true, false},
      {"cash, drawer off: receipt only", "现金支付", false, true, true, false},
      {"cash, drawer on, printing off: pulse alone", "现金支付", true, false, false, true},
      {"card, printing off: nothing", "支付宝支付", true, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    loopback.reset();
    app->session.settings.printer.cashDrawer = c.drawer;
    app->session.settings.printingEnabled = c.printing;
    sale->paymentChanged(c.payment);
    sellTwoCola();
    Texts expected;
    if (c.receipt) expected.push_back(kStatus + receiptBytes(app->session.lastSaleRowid, false));
    if (c.pulse) expected.push_back(pulse);
    if (expected.empty()) {
      std::this_thread::sleep_for(100ms);
      EXPECT_EQ(loopback.connections(), 0);
      continue;
    }
    ASSERT_TRUE(loopback.waitForJobs(static_cast<int>(expected.size())));
    EXPECT_EQ(loopback.jobs(), expected);
    app->waitForUiTask();
  }
  EXPECT_EQ(app->dialogs.messages(), Texts(5, "提交订单完毕"));
}

TEST_F(EscPosSaleTest, TheDrawerOpensWhateverTheReceiptDoes) {
  app->session.settings.printer.cashDrawer = true;
  // Paper out: the receipt is refused, the pulse still goes, and only the receipt is reported.
  loopback.setMode(LoopbackPrinter::Mode::PaperOut);
  markLog();
  sellTwoCola();
  ASSERT_TRUE(loopback.waitForJobs(2));
  EXPECT_EQ(loopback.jobs(), (Texts{kStatus, escPosDrawerPulse()}));
  ASSERT_TRUE(app->waitUntil([&] { return app->dialogs.messages().size() == 2; }));
  EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕", "打印失败：缺纸"}));
  EXPECT_EQ(errorsLogged(), (Texts{"6|打印失败：缺纸"}));

  // No printer at all: each job fails once, the drawer's told apart from the receipt's.
  const std::string dead = test::deadPrinterDevice();
  app->session.settings.printer.device = dead;
  app->dialogs.calls.clear();
  markLog();
  sellTwoCola();
  ASSERT_TRUE(app->waitUntil([&] { return app->dialogs.messages().size() == 3; }));
  const std::string reason = "无法连接打印机" + dead + "（连接被拒绝）";
  EXPECT_EQ(app->dialogs.messages(),
            (Texts{"提交订单完毕", "打印失败：" + reason, "开钱箱失败：" + reason}));
  EXPECT_EQ(errorsLogged(), (Texts{"6|打印失败：" + reason, "6|开钱箱失败：" + reason}));
  EXPECT_EQ(salesStored(), 2);
}

TEST_F(EscPosSaleTest, PrinterFailuresShowOneMessageAndLeaveTheSaleStoredOnce) {
  test::FullPort stalled;
  const std::string dead = test::deadPrinterDevice();
  const struct {
    const char* name;
    std::string device;
    LoopbackPrinter::Mode mode;
    std::string message;
  } cases[] = {
      {"dead port", dead, LoopbackPrinter::Mode::Ready,
       "打印失败：无法连接打印机" + dead + "（连接被拒绝）"},
      {"paper out", loopback.device(), LoopbackPrinter::Mode::PaperOut, "打印失败：缺纸"},
      {"no device", "", LoopbackPrinter::Mode::Ready, "打印失败：未设置打印设备"},
      {"stalled peer", stalled.device(), LoopbackPrinter::Mode::Ready,
       "打印失败：连接打印机" + stalled.device() + "超时"},
  };
  int stored = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    app->dialogs.calls.clear();
    loopback.setMode(c.mode);
    app->session.settings.printer.device = c.device;
    markLog();
    const auto start = std::chrono::steady_clock::now();
    sellTwoCola();
    // The handler returns without waiting for the printer.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_EQ(salesStored(), ++stored);
    EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕"}));
    // Meanwhile the till works: the next order starts and takes goods.
    newOrder();
    scan("1225");
    EXPECT_EQ(lines(), 1);
    ASSERT_TRUE(app->waitForUiTask());
    EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕", c.message}));
    EXPECT_EQ(app->dialogs.calls.back().icon, MessageIcon::Warning);
    EXPECT_EQ(salesStored(), stored);
    EXPECT_EQ(storedLog().back(), "6|" + c.message);
  }
  // The paper-out printer got the question and nothing else.
  ASSERT_TRUE(loopback.waitForJobs(1));
  EXPECT_EQ(loopback.jobs(), Texts{kStatus});
}

TEST_F(EscPosSaleTest, AFailureThatComesWhileABoxIsOpenWaitsForTheHandlerToEnd) {
  newOrder();
  scan("6901");
  app->dialogs.answer(true);
  app->dialogs.whileAsking = [&] { sale->printFailed("打印失败：缺纸"); };
  sale->startNewOrder();  // asks first, since the order is open
  ASSERT_EQ(app->dialogs.calls.size(), 2u);
  EXPECT_EQ(app->dialogs.calls[0].kind, "ask");
  EXPECT_EQ(app->dialogs.calls[1].text, "打印失败：缺纸");
  // Not busy: at once.
  sale->printFailed("打印失败：缺纸");
  EXPECT_EQ(app->dialogs.calls.size(), 3u);
}

TEST_F(EscPosSaleTest, PrintDialogSettingAsksBeforeTheReceipt) {
  app->session.settings.printDialogEnabled = true;
  app->session.settings.printer.cashDrawer = true;
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes);
    loopback.reset();
    app->dialogs.calls.clear();
    newOrder();
    scan("6901");
    app->dialogs.answer(true);  // 确定提交订单吗？
    app->dialogs.answer(yes);   // 是否打印小票？
    sale->checkoutClicked();
    ASSERT_EQ(app->dialogs.calls.size(), 3u);
    EXPECT_EQ(app->dialogs.calls[1].text, "是否打印小票？");
    EXPECT_EQ(app->dialogs.calls[2].text, "提交订单完毕");
    // 否 still opens the drawer of a cash sale.
    Texts expected{escPosDrawerPulse()};
    if (yes) expected.insert(expected.begin(), kStatus + receiptBytes(app->session.lastSaleRowid, false));
    ASSERT_TRUE(loopback.waitForJobs(static_cast<int>(expected.size())));
    EXPECT_EQ(loopback.jobs(), expected);
    app->waitForUiTask();
  }
}

// Reprints, by Ctrl+P and from 销售详情, equal the first print with "重打" under the header, for
// sales of every shape, on both papers.
TEST_F(EscPosSaleTest, ReprintEqualsTheFirstPrintPlusOneLine) {
  const std::string member = addMember("张三", "13800000001", "8", "100");
  const struct {
    const char* name;
    int paper;
    std::function<void()> fill;
  } cases[] = {
      {"plain", 58, [&] { scan("6901"); }},
      {"member, points rounded", 58,
       [&] {
         scan("1225");
         scan("1225");
         enterMember("张三");
       }},
      {"a 退货 line", 80,
       [&] {
         scan("6901");
         scan("1225");
         doubleClick(1, kCartType);
       }},
      {"a long name", 58, [&] { scan("6900000000001"); }},
      {"a long name, 80 mm", 80, [&] { scan("6900000000001"); }},
  };
  (void)member;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    loopback.reset();
    app->session.settings.printer.paperWidth = c.paper;
    newOrder();
    c.fill();
    checkout();
    ASSERT_TRUE(loopback.waitForJobs(1));
    app->waitForUiTask();
    std::string first = loopback.jobs()[0];
    ASSERT_EQ(first.substr(0, kStatus.size()), kStatus);
    first.erase(0, kStatus.size());
    const std::string marker =
        "\x1d!\x00\x1b"
        "E\x00"s;
    std::string expected = first;
    expected.insert(expected.find(marker) + marker.size(), utf8ToGbk("重打\n"));

    sale->reprintLastClicked();
    ASSERT_TRUE(loopback.waitForJobs(2));
    app->waitForUiTask();
    OrderDetailPresenter detail(OrderKind::Sale, app->context, app->dialogs, printer);
    detail.fill({}, app->session.lastSaleRowid);
    detail.reprintClicked();
    ASSERT_TRUE(loopback.waitForJobs(3));
    app->waitForUiTask();
    EXPECT_EQ(loopback.jobs()[1], kStatus + expected);
    EXPECT_EQ(loopback.jobs()[2], kStatus + expected);
  }
  EXPECT_EQ(app->dialogs.messages(), Texts(5, "提交订单完毕"));
}

// Orders stored before reprinting existed (or by another till): the reprint shows what their
// first print showed, from the row alone.
TEST_F(EscPosSaleTest, ReprintOfOrdersStoredBefore) {
  const struct {
    const char* name;
    std::vector<std::string>
        row;  // 订单号, 日期, 客户, 客户编号, 订单详情, 总应收, 总实收, 积分, 付款方式
    std::string receiptTail;  // from the goods lines to the second rule
  } cases[] = {
      {"no member",
       {"SX202131", "1614910000", "-", "",
        R"({"详情页":[{"商品名称":"可乐","条码":"12","规格":"瓶","单价":"3.5","数量":"2","总价":"7","折扣":"10","实收":"7","参与积分":"假","进货价":"2","剩余库存":"8","最低折扣":"0","获得积分":""}]})",
        "7", "7", "0", "现金支付"},
       "可乐\n12  3.5*2=7\n\n================================\n应收：7元\n优惠：0元\n实收：7元\n"
       "付款方式：现金支付\n获得积分：0\n"},
      {"member, return line",
       {"SX20211014", "1634198805", "周", "3",
        R"({"详情页":[{"商品名称":"饼干","条码":"1225","单价":"12.25","数量":"1","实收":"-12.3"}]})",
        "-12.25", "-12.3", "-12.3", "其他支付"},
       "饼干\n1225  12.25*1=-12.3\n\n================================\n应收：-12.25元\n"
       "优惠：0.1元\n实收：-12.3元\n付款方式：其他支付\n获得积分：-12.3\n"},
      {"details that cannot be read",
       {"SX1", "1634198805", "-", "", "not json", "5", "5", "0", "微信支付"},
       "\n================================\n应收：5元\n优惠：0元\n实收：5元\n付款方式：微信支付\n"
       "获得积分：0\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    loopback.reset();
    std::vector<std::string> values = c.row;
    values.push_back("admin");
    ASSERT_TRUE(app->db.execute(
        "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
        "values(?,?,?,?,?,?,?,?,?,?)",
        values));
    OrderDetailPresenter detail(OrderKind::Sale, app->context, app->dialogs, printer);
    detail.fill({}, app->db.lastInsertRowId());
    detail.reprintClicked();
    ASSERT_TRUE(loopback.waitForJobs(1));
    app->waitForUiTask();
    const std::string time = timeText(*dateTimeFromTimestamp(c.row[1]));
    const std::string expected =
        kStatus +
        utf8ToGbk(
            "\x1b@\x1c&\x1b"
            "a\x01\x1b"
            "E\x01\x1d!\x11"
            "晨舟小店\n") +
        "\x1d!\x00\x1b"
        "E\x00"s +
        utf8ToGbk("重打\n") +
        "\x1b"
        "a\x00"s +
        "NO." + c.row[0] + "\n" + time + "\n================================\n" +
        utf8ToGbk("商品/条码     单价 数量 小计\n--------------------------------\n" +
                  c.receiptTail + "================================\n谢谢惠顾\n欢迎再来\n") +
        "\x1b"
        "d\x04\x1d"
        "VB\x00"s;
    EXPECT_EQ(loopback.jobs()[0], expected);
  }
  EXPECT_TRUE(app->dialogs.messages().empty());
}

TEST_F(EscPosSaleTest, ReprintWithoutAStoredSaleOrAfterItsDeletion) {
  sale->reprintLastClicked();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"还没有可以重打的小票"}));
  sellTwoCola();
  app->waitForUiTask();
  ASSERT_TRUE(app->db.execute("delete from 销售"));
  sale->reprintLastClicked();
  OrderDetailPresenter detail(OrderKind::Sale, app->context, app->dialogs, printer);
  detail.fill({}, 0);
  detail.reprintClicked();
  EXPECT_EQ(app->dialogs.messages(),
            (Texts{"还没有可以重打的小票", "提交订单完毕", "打印失败：找不到该订单，可能已被删除",
                   "打印失败：找不到该订单，可能已被删除"}));
  // A purchase detail has no reprint.
  EXPECT_FALSE(
      OrderDetailPresenter(OrderKind::Purchase, app->context, app->dialogs, printer).canReprint());
}

TEST_F(EscPosSaleTest, SystemPathReprintAddsTheLineToTheSecondText) {
  app->session.settings.printer.method = PrintMethod::System;
  sellTwoCola();
  ASSERT_EQ(printer.texts.size(), 3u);
  const Texts first = printer.texts;
  printer.texts.clear();
  sale->reprintLastClicked();
  EXPECT_EQ(printer.texts, (Texts{first[0], "重打\r\n" + first[1], first[2]}));
  // No printer: the reprint says so, while a checkout stays as silent as it always was.
  printer.jobStarts = false;
  sale->reprintLastClicked();
  EXPECT_EQ(app->dialogs.messages(),
            (Texts{"提交订单完毕", "打印失败：没有可用的打印机，或打印已取消"}));
  EXPECT_EQ(loopback.connections(), 0);
}

TEST_F(EscPosSaleTest, DrawerWithoutASaleIsLogged) {
  markLog();
  sale->openDrawerClicked();
  ASSERT_TRUE(loopback.waitForJobs(1));
  EXPECT_EQ(loopback.jobs()[0], escPosDrawerPulse());
  app->waitForUiTask();
  EXPECT_TRUE(app->dialogs.messages().empty());
  EXPECT_EQ(storedLog(), (Texts{"0|[admin]无销售打开钱箱"}));
  // No device: nothing is sent, nothing logged, the cashier is told.
  app->session.settings.printer.device = "";
  sale->openDrawerClicked();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"开钱箱失败：未设置打印设备"}));
  EXPECT_EQ(storedLog().size(), 1u);
}

}  // namespace
}  // namespace cz
