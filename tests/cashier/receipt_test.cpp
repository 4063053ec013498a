#include "printing/receipt.h"

#include <gtest/gtest.h>

#include "admin/settings_file.h"
#include "util/ini_file.h"

#include "sale_test_fixture.h"

namespace cz {
namespace {

using test::SaleTest;
using Texts = std::vector<std::string>;

const std::string kRule = "=============================";

TEST(Receipt, DiscountRoundsTheSingleDifference) {
  const struct {
    std::string due, received, discount;
  } cases[] = {
      {"12.25", "12.3", "-0.1"},  // slightly beyond −0.05
      {"12.35", "12.4", "0"},     // slightly inside
      {"7", "7", "0"},
      {"20", "16", "4"},
      {"-20", "-16", "-4"},
      {"123456.7", "0", "123456.7"},
      {"1234567.8", "987654.3", "246913.5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(discountText(c.due, c.received), c.discount) << c.due << " " << c.received;
  }
}

class ReceiptTest : public SaleTest {
 protected:
  void SetUp() override {
    SaleTest::SetUp();
    addGoods("可乐", "12", "3.5", "10", "0", "假");
    addGoods("饼干", "1225", "12.25", "10");
    addGoods("面包", "1235", "12.35", "10");
    app->session.settings.receiptHeader = "欢迎光临";
    newOrder();
  }
  std::string title() {
    return "NO." + sale->state().orderNumber + "\r\n2026-12-10 09:05:03\r\n" + kRule +
           "\r\n商品/条码     单价 数量 小计\r\n-----------------------------\r\n";
  }
};

TEST_F(ReceiptTest, PrintsThreeTextsWithoutAMember) {
  scan("12");
  scan("12");
  checkout();
  EXPECT_EQ(printer.calls, (Texts{"start", "bold", "origin:0,0", "size:12", "text", "size:9",
                                  "text", "text", "end"}));
  ASSERT_EQ(printer.texts.size(), 3u);
  EXPECT_EQ(printer.texts[0], "欢迎光临\r\n");
  EXPECT_EQ(printer.texts[1], title());
  EXPECT_EQ(printer.texts[2],
            "可乐\r\n12  3.5*2=7\r\n\r\n" + kRule +
                "\r\n应收：7元\r\n优惠：0元\r\n实收：7元\r\n付款方式：现金支付\r\n"
                "获得积分：0\r\n" +
                kRule + "\r\n");
  // The receipt comes before the final message.
  EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕"}));
}

TEST_F(ReceiptTest, BodyShowsAmountsMemberPointsAndTheFooter) {
  addMember("周", "138", "10");
  const struct {
    std::string barcode;
    bool member;
    std::string footer, body;
  } cases[] = {
      {"1225", true, "谢谢惠顾&欢迎再来",
       "饼干\r\n1225  12.25*1=12.3\r\n\r\n" + kRule +
           "\r\n应收：12.25元\r\n优惠：-0.1元\r\n实收：12.3元\r\n付款方式：支付宝支付\r\n"
           "获得积分：12.3\r\n" +
           kRule + "\r\n谢谢惠顾\r\n欢迎再来"},
      {"1235", false, "",
       "面包\r\n1235  12.35*1=12.4\r\n\r\n" + kRule +
           "\r\n应收：12.35元\r\n优惠：0元\r\n实收：12.4元\r\n付款方式：支付宝支付\r\n"
           "获得积分：0\r\n" +
           kRule + "\r\n"},
  };
  sale->paymentChanged("支付宝支付");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.barcode);
    newOrder();
    printer.texts.clear();
    // The footer comes from the settings file, where "&" stands for a line break.
    IniFile(app->session.settingsFilePath()).write("打印机", "票尾", c.footer);
    loadSettings(app->session.settingsFilePath(), app->session.settings);
    scan(c.barcode);
    if (c.member) enterMember("周");
    checkout();
    ASSERT_EQ(printer.texts.size(), 3u);
    EXPECT_EQ(printer.texts[2], c.body);
  }
}

TEST_F(ReceiptTest, SettingsDecideDialogOffsetsAndWhetherToPrint) {
  const struct {
    bool enabled, dialog;
    std::string x, y;
    bool jobStarts;
    Texts calls;
  } cases[] = {
      {true,
       true,
       "abc",
       "12.7",
       true,
       {"start:dialog", "bold", "origin:0,12", "size:12", "text", "size:9", "text", "text", "end"}},
      {true,
       false,
       "-30",
       "5",
       true,
       {"start", "bold", "origin:-30,5", "size:12", "text", "size:9", "text", "text", "end"}},
      {true, true, "0", "0", false, {"start:dialog"}},  // dialog cancelled: nothing drawn
      {false, true, "0", "0", true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    app->session.settings.printingEnabled = c.enabled;
    app->session.settings.printDialogEnabled = c.dialog;
    app->session.settings.horizontalOffset = c.x;
    app->session.settings.verticalOffset = c.y;
    printer.jobStarts = c.jobStarts;
    printer.calls.clear();
    app->dialogs.calls.clear();
    newOrder();
    scan("12");
    checkout();
    EXPECT_EQ(printer.calls, c.calls);
    EXPECT_FALSE(sale->orderOpen());
    EXPECT_EQ(app->dialogs.messages(), (Texts{"提交订单完毕"}));
  }
}

}  // namespace
}  // namespace cz
