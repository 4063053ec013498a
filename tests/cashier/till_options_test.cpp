#include <gtest/gtest.h>

#include "admin/accounts_presenter.h"
#include "admin/settings_presenter.h"
#include "cashier/tender.h"
#include "core/operation_log.h"
#include "printing/escpos.h"
#include "printing/receipt.h"
#include "sale_test_fixture.h"
#include "support/loopback_printer.h"
#include "util/gbk.h"
#include "util/ini_file.h"

namespace cz {
namespace {

using test::SaleTest;

// Answers the 收款 window: types `typed` (unless empty), then Enter until accepted or the
// refusals run out.
class ScriptedTender : public TenderScreen {
 public:
  explicit ScriptedTender(Dialogs& dialogs) : m_dialogs(dialogs) {}
  bool run(TenderPresenter& tender) override {
    ++runs;
    shownToPay = tender.toPay();
    shownReceived = tender.receivedText();
    for (const std::string& text : typed) {
      tender.receivedChanged(text);
      if (tender.confirm(m_dialogs)) return true;
    }
    return false;  // Esc
  }
  std::vector<std::string> typed;
  int runs = 0;
  std::string shownToPay;
  std::string shownReceived;

 private:
  Dialogs& m_dialogs;
};

TEST(Tender, ChangeAsTyped) {
  const struct {
    const char* received;  // 实收 of the order
    const char* typed;
    const char* change;
    bool enough;
  } cases[] = {
      {"42.5", "42.5", "找零：0", true},   {"42.5", "50", "找零：7.5", true},
      {"42.5", "40", "找零：-2.5", false}, {"42.5", "", "找零：-", false},
      {"42.5", "5O", "找零：-", false},    {"0.3", "0.1", "找零：-0.2", false},
      {"-8", "-8", "找零：0", true},       {"19.9", " 100 ", "找零：80.1", true},
  };
  for (const auto& c : cases) {
    test::ScriptedDialogs dialogs;
    TenderPresenter tender("99", c.received, "现金支付");
    tender.receivedChanged(c.typed);
    EXPECT_EQ(tender.changeText(), c.change) << c.typed;
    EXPECT_EQ(tender.confirm(dialogs), c.enough) << c.typed;
    EXPECT_EQ(dialogs.messages().empty(), c.enough) << c.typed;
    if (!c.enough) {
      EXPECT_EQ(dialogs.messages().back(), "收到金额不足");
    }
  }
}

class TillOptionsTest : public SaleTest {
 protected:
  void SetUp() override {
    SaleTest::SetUp();
    tender = std::make_unique<ScriptedTender>(app->dialogs);
    sale->setTenderScreen(tender.get());
  }
  std::unique_ptr<ScriptedTender> tender;
};

TEST_F(TillOptionsTest, PaymentWindowTakesThePlaceOfTheQuestion) {
  addGoods("水", "1001", "9.5", "10");
  // Off: the question, as always, and the window is never shown.
  newOrder();
  scan("1001");
  checkout();
  EXPECT_EQ(tender->runs, 0);
  EXPECT_EQ(sale->state().tenderSummary, "");

  app->session.settings.paymentWindow = true;
  newOrder();
  scan("1001");
  scan("1001");
  tender->typed = {"10", "20"};  // too little, then enough
  app->dialogs.calls.clear();
  sale->checkoutClicked();
  EXPECT_EQ(tender->shownToPay, "19");
  EXPECT_EQ(tender->shownReceived, "19");
  EXPECT_EQ(app->dialogs.messages(), (std::vector<std::string>{"收到金额不足", "提交订单完毕"}));
  EXPECT_EQ(app->rows("select count(*) from 销售")[0][0], "2");
  EXPECT_EQ(sale->state().tenderSummary, "收到：20  找零：1");

  // Esc: nothing stored, the order stays open.
  newOrder();
  EXPECT_EQ(sale->state().tenderSummary, "");
  scan("1001");
  tender->typed = {};
  sale->checkoutClicked();
  EXPECT_TRUE(sale->orderOpen());
  EXPECT_EQ(app->rows("select count(*) from 销售")[0][0], "2");
}

// With a member's discount the window asks for 实收, the change is worked out from it, and the
// receipt of either printing path tells what was handed over and given back.
TEST_F(TillOptionsTest, TheWindowAsksForWhatTheCustomerPaysAndTheReceiptShowsTheChange) {
  addGoods("大米", "2001", "46.5", "10");
  addMember("张三", "138", "9.98");
  app->session.settings.paymentWindow = true;
  app->session.settings.receiptFooter = "";
  const std::string rule = "=============================";
  const std::string paid = "获得积分：46.5\r\n收款：50元\r\n找零：3.6元\r\n" + rule + "\r\n";
  for (const PrintMethod method : {PrintMethod::System, PrintMethod::EscPos}) {
    SCOPED_TRACE(method == PrintMethod::System ? "system" : "ESC/POS");
    test::LoopbackPrinter loopback;
    app->session.settings.printer.method = method;
    app->session.settings.printer.device = loopback.device();
    printer.texts.clear();
    newOrder();
    scan("2001");
    enterMember("张三");
    ASSERT_EQ(sale->state().due, "46.5");
    ASSERT_EQ(sale->state().received, "46.4");
    tender->typed = {"46.3", "50"};
    app->dialogs.calls.clear();
    sale->checkoutClicked();
    EXPECT_EQ(tender->shownToPay, "46.4");
    EXPECT_EQ(tender->shownReceived, "46.4");
    EXPECT_EQ(app->dialogs.messages(), (std::vector<std::string>{"收到金额不足", "提交订单完毕"}));
    EXPECT_EQ(sale->state().tenderSummary, "收到：50  找零：3.6");
    if (method == PrintMethod::System) {
      ASSERT_EQ(printer.texts.size(), 3u);
      const std::string& body = printer.texts[2];
      EXPECT_EQ(body.substr(body.size() - paid.size()), paid) << body;
    } else {
      ASSERT_TRUE(loopback.waitForJobs(1));
      const std::string job = loopback.jobs().at(0);
      const std::string bytes = utf8ToGbk("获得积分：46.5\n收款：50元\n找零：3.6元\n") +
                                std::string(32, '=') + "\n";
      EXPECT_NE(job.find(bytes), std::string::npos);
      app->waitForUiTask();
    }
  }
  // Without the window the receipt has no such lines.
  app->session.settings.paymentWindow = false;
  app->session.settings.printer.method = PrintMethod::System;
  printer.texts.clear();
  newOrder();
  scan("2001");
  checkout();
  ASSERT_EQ(printer.texts.size(), 3u);
  EXPECT_EQ(printer.texts[2].find("收款："), std::string::npos) << printer.texts[2];
  EXPECT_EQ(printer.texts[2].find("找零："), std::string::npos);
}

TEST_F(TillOptionsTest, FuzzyLookupListsNamesContainingTheText) {
  addGoods("矿泉水", "1001", "2", "10");
  addGoods("纯净水", "1002", "2", "10");
  addGoods("100%果汁", "1003", "5", "10");
  newOrder();
  // Off: only exact names and barcodes.
  scan("水");
  EXPECT_EQ(app->dialogs.messages().back(), "查询不到商品");

  app->session.settings.fuzzyLookup = true;
  scan("水");
  EXPECT_TRUE(sale->state().goodsListVisible);
  ASSERT_EQ(area.goodsChoices.itemCount(), 2);
  EXPECT_EQ(area.goodsChoices.text(1, 1), "纯净水");
  EXPECT_EQ(area.goodsChoices.columns()[3].width, 80);  // 规格 shown
  EXPECT_EQ(lines(), 0);  // a single name match is listed too, not added
  scan("0%");
  ASSERT_EQ(area.goodsChoices.itemCount(), 1);  // % is a character, not a wildcard
  const auto messages = app->dialogs.messages().size();
  scan("咖啡");
  EXPECT_EQ(app->dialogs.messages().size(), messages + 1);
  EXPECT_EQ(app->dialogs.messages().back(), "查询不到商品");
  // An exact barcode still adds at once, with 规格 hidden again.
  scan("1001");
  EXPECT_EQ(lines(), 1);
  EXPECT_EQ(area.goodsChoices.columns()[3].width, 0);

  // At most 200 are listed.
  app->db.begin();
  for (int i = 0; i < 250; ++i)
    addGoods("桶装水" + std::to_string(i), "2" + std::to_string(i), "1", "1");
  app->db.commit();
  scan("桶装");
  EXPECT_EQ(area.goodsChoices.itemCount(), 200);
}

TEST_F(TillOptionsTest, StrictSecurityKeepsAccountsAndPasswordsToAdmin) {
  SettingsPresenter settings(app->context, app->dialogs);
  AccountsPresenter accounts(app->context, app->dialogs);
  accounts.newAccountChanged("clerk");
  accounts.passwordChanged("secret");
  accounts.addClicked();
  EXPECT_EQ(app->rows("select 日志 from 日志").back()[0], "新增新账号：clerk，密码：secret");

  settings.strictSecuritySwitched(true);
  EXPECT_EQ(IniFile(app->session.settingsFilePath()).read("收银", "加强安全", ""), "真");
  // The entry listed before is shown without its password; the stored text is left alone.
  EXPECT_EQ(app->logList.text(app->logList.itemCount() - 1, LogText),
            "新增新账号：clerk，密码：******");
  accounts.newAccountChanged("clerk2");
  accounts.passwordChanged("secret2");
  accounts.addClicked();
  EXPECT_EQ(app->rows("select 日志 from 日志").back()[0], "新增新账号：clerk2");

  app->windows.calls.clear();
  settings.accountsClicked();  // admin may
  app->session.currentAccount = "clerk";
  settings.accountsClicked();
  EXPECT_EQ(app->windows.calls, std::vector<std::string>{"openAccounts"});
  EXPECT_EQ(app->dialogs.messages().back(), "当前账号没有[账号管理]权限，请联系管理员提升权限");

  // Only admin turns the till's switches; anyone else is refused and nothing changes.
  const std::pair<const char*, void (SettingsPresenter::*)(bool)> switches[] = {
      {"加强安全", &SettingsPresenter::strictSecuritySwitched},
      {"收款窗口", &SettingsPresenter::paymentWindowSwitched},
      {"模糊查找", &SettingsPresenter::fuzzyLookupSwitched},
  };
  for (const auto& [key, turn] : switches) {
    const std::string before = IniFile(app->session.settingsFilePath()).read("收银", key, "");
    const size_t shown = app->dialogs.messages().size();
    (settings.*turn)(before != "真");
    EXPECT_EQ(IniFile(app->session.settingsFilePath()).read("收银", key, ""), before) << key;
    ASSERT_EQ(app->dialogs.messages().size(), shown + 1) << key;
    EXPECT_EQ(app->dialogs.messages().back(), "当前账号没有[账号管理]权限，请联系管理员提升权限");
  }
  EXPECT_TRUE(settings.strictSecurityOn());
  EXPECT_FALSE(settings.paymentWindowOn());
  EXPECT_FALSE(settings.fuzzyLookupOn());

  app->session.currentAccount = "admin";
  settings.strictSecuritySwitched(false);
  app->session.currentAccount = "clerk";
  settings.accountsClicked();
  EXPECT_EQ(app->windows.calls.size(), 2u);
}

TEST(WithoutPassword, Cases) {
  const std::pair<const char*, const char*> cases[] = {
      {"新增新账号：a，密码：b", "新增新账号：a，密码：******"},
      {"新增新账号：a，密码：", "新增新账号：a，密码：******"},
      {"新增新账号：a", "新增新账号：a"},
      {"修改密码：x，密码：y", "修改密码：x，密码：y"},
      {"", ""},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(withoutPassword(text), shown) << text;
}

}  // namespace
}  // namespace cz
