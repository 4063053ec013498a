#include "core/login.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cashier/main_presenter.h"
#include "core/login_presenter.h"
#include "core/session.h"
#include "support/fake_hotkeys.h"
#include "support/test_app.h"
#include "util/gbk.h"

namespace cz {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// A started program with an extra account whose flag texts are odd on purpose.
class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<test::TestApp>(dir.path());
    login = std::make_unique<LoginPresenter>(app->context, app->dialogs);
    login->created();
    ASSERT_TRUE(app->db.execute(
        "insert into 账号 values('clerk','pw','真','假','yes','',NULL,'真','假','假','假','假',"
        "'8.5','假','真','假')"));
    // The server's number column cannot hold a text: there the odd minimum is an empty one.
    ASSERT_TRUE(app->db.execute("insert into 账号(账号,密码,账号最低折扣) values('odd','',?)",
                                {app->db.onServer() ? "" : "abc"}));
    // The main window stands in as its presenter: created on login, destroyed by the flows.
    app->windows.onOpenMain = [this] {
      main = std::make_unique<MainPresenter>(app->context, app->dialogs, hotkeys);
    };
    app->windows.onDestroyMain = [this] {
      main->aboutToBeDestroyed();
      main.reset();
    };
  }

  void logIn(const std::string& account, const std::string& password = "") {
    login->accountChanged(account);
    login->passwordChanged(password);
    login->loginClicked();
  }

  // The stored log texts after the start-up entries.
  std::vector<std::string> entriesSinceStart() {
    std::vector<std::string> texts;
    for (const auto& row : app->rows("select 日志 from 日志")) texts.push_back(row[0]);
    texts.erase(texts.begin(), texts.begin() + 2);
    return texts;
  }

  test::TempDir dir;
  std::unique_ptr<test::TestApp> app;
  std::unique_ptr<LoginPresenter> login;
  test::FakeHotkeys hotkeys;
  std::unique_ptr<MainPresenter> main;
};

TEST_F(LoginTest, AccountCheck) {
  const bool T = true, F = false;
  const struct {
    std::string name, password, result;
    std::array<bool, kPermissionCount> flags;
    float minimum;
  } cases[] = {
      {"admin", "", "ok", {T, T, T, T, T, T, T, T, T, T, T, T, T}, 0},
      {"clerk", "pw", "ok", {T, F, F, F, F, T, F, F, F, F, F, T, F}, 8.5f},
      {"odd", "", "ok", {}, 0},  // NULL flags are false, a non-numeric minimum is 0
      {"Admin", "", "账号不存在", {}, -1},
      {"admin", "x", "密码不正确", {}, -1},
      {"clerk", "PW", "密码不正确", {}, -1},
      {"a'b", "", "账号不存在", {}, -1},
      {"admin' or '1'='1", "", "账号不存在", {}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + "/" + c.password);
    PermissionRecord record;
    record.minimumDiscount = -1;  // a failed check leaves the record as it was
    EXPECT_EQ(checkAccount(app->db, c.name, c.password, record), c.result);
    EXPECT_EQ(record.flags, c.flags);
    EXPECT_EQ(record.minimumDiscount, c.minimum);
  }
}

TEST_F(LoginTest, RefusedLoginsSayWhyAndChangeNothing) {
  const struct {
    const char* account;
    const char* password;
    const char* message;
    MessageIcon icon;
  } cases[] = {{"", "", "账号不能为空", MessageIcon::None},
               {"nobody", "", "账号不存在", MessageIcon::Information},
               {"admin", "wrong", "密码不正确", MessageIcon::Information}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.account);
    app->dialogs.calls.clear();
    logIn(c.account, c.password);
    ASSERT_EQ(app->dialogs.calls.size(), 1u);
    EXPECT_EQ(app->dialogs.calls[0].text, c.message);
    EXPECT_EQ(app->dialogs.calls[0].title, "信息：");
    EXPECT_EQ(app->dialogs.calls[0].icon, c.icon);
  }
  EXPECT_EQ(app->session.currentAccount, "");
  EXPECT_TRUE(entriesSinceStart().empty());
  EXPECT_EQ(app->windows.calls, std::vector<std::string>{"loadLog"});
  EXPECT_EQ(login->account(), "admin");  // the boxes keep their texts
  EXPECT_EQ(login->password(), "wrong");
}

TEST_F(LoginTest, LoginOpensTheMainWindowAndExitAskedNoChangesNothing) {
  logIn("admin");
  EXPECT_EQ(app->session.currentAccount, "admin");
  EXPECT_TRUE(app->session.permissions.allows(Permission::DeletePurchases));
  EXPECT_EQ(app->windows.calls,
            (std::vector<std::string>{"loadLog", "openMain", "loginOffScreen"}));
  EXPECT_EQ(app->listed().back()[2], "admin");
  EXPECT_EQ(app->listed().back()[4], "[admin]成功登录了系统");

  app->dialogs.answer(false);
  main->itemClicked(ToolbarItemId::Close);
  EXPECT_EQ(app->dialogs.calls.back().text, "确定要能出系统吗？");
  EXPECT_EQ(app->dialogs.calls.back().title, "信息：");
  EXPECT_EQ(app->dialogs.calls.back().byDefault, Answer::No);
  EXPECT_TRUE(main);
  EXPECT_EQ(entriesSinceStart(), std::vector<std::string>{"[admin]成功登录了系统"});
}

TEST_F(LoginTest, ExitYesWritesOneLeavingEntryLastAndDestroysEveryWindow) {
  logIn("admin");
  app->windows.calls.clear();
  app->dialogs.answer(true);
  main->itemClicked(ToolbarItemId::Close);
  EXPECT_EQ(app->windows.calls,
            (std::vector<std::string>{"destroyMain", "destroyLogin", "destroyLog"}));
  EXPECT_EQ(entriesSinceStart(),
            (std::vector<std::string>{"[admin]成功登录了系统", "[admin]退出系统"}));
  EXPECT_EQ(app->rows("select 账号, 类型 from 日志").back(),
            (std::vector<std::string>{"admin", "0"}));
}

TEST_F(LoginTest, ShiftChangeHandsOverAndTheNextLoginReplacesTheAccount) {
  logIn("clerk", "pw");
  app->dialogs.answer(false);
  main->itemClicked(ToolbarItemId::ShiftChange);
  EXPECT_EQ(app->dialogs.calls.back().text, "确定交班吗？");
  EXPECT_EQ(app->dialogs.calls.back().byDefault, Answer::No);
  EXPECT_TRUE(main);

  app->dialogs.answer(true);
  main->itemClicked(ToolbarItemId::ShiftChange);
  EXPECT_FALSE(main);
  EXPECT_EQ(app->windows.calls.back(), "centreLogin");
  // Until the next login the previous user's account and permissions stay.
  EXPECT_EQ(app->session.currentAccount, "clerk");
  EXPECT_EQ(app->session.permissions.minimumDiscount, 8.5f);

  login->loginClicked();  // the boxes still hold clerk's texts
  app->dialogs.answer(true);
  main->itemClicked(ToolbarItemId::ShiftChange);
  logIn("admin");
  EXPECT_EQ(app->session.currentAccount, "admin");
  EXPECT_TRUE(app->session.permissions.allows(Permission::Purchase));
  EXPECT_EQ(app->session.permissions.minimumDiscount, 0);
  EXPECT_EQ(
      entriesSinceStart(),
      (std::vector<std::string>{"[clerk]成功登录了系统", "[clerk]退出系统", "[clerk]成功登录了系统",
                                "[clerk]退出系统", "[admin]成功登录了系统"}));
}

TEST_F(LoginTest, ClosingTheMainWindowOrTheLoginWindow) {
  logIn("admin");
  // The window system's close is exit: it asks first.
  app->dialogs.answer(false);
  main->closeRequested();
  EXPECT_TRUE(main);
  // The login's close label destroys everything; the main window still writes its entry once.
  app->windows.calls.clear();
  login->closeClicked();
  EXPECT_EQ(app->windows.calls,
            (std::vector<std::string>{"destroyLogin", "destroyLog", "destroyMain"}));
  EXPECT_EQ(entriesSinceStart(),
            (std::vector<std::string>{"[admin]成功登录了系统", "[admin]退出系统"}));
}

TEST_F(LoginTest, ALogTextWithAQuoteIsStored) {
  app->log.write(LogType::Error, "can't open 'x'");
  EXPECT_EQ(entriesSinceStart(), std::vector<std::string>{"can't open 'x'"});
}

TEST(AccountMemory, TheNameTypedLastComesBackOnTheNextStartFromAGbkFile) {
  test::TempDir dir;
  // The data folder's settings file as it was before the program ran (the server run's test
  // support writes the server's address there).
  const auto settingsText = [&] {
    std::ifstream in(dir.path() / "配置.ini", std::ios::binary);
    return in ? std::string((std::istreambuf_iterator<char>(in)), {}) : std::string("<none>");
  };
  std::string settingsBefore;
  {
    test::TestApp app(dir.path());
    settingsBefore = settingsText();
    LoginPresenter login(app.context, app.dialogs);
    login.created();
    EXPECT_EQ(login.account(), "");  // nothing remembered yet
    login.accountChanged("收银员");
    login.accountChanged("收银员小王");  // typed on, never logged in
  }
  test::TestApp app(dir.path());
  LoginPresenter login(app.context, app.dialogs);
  login.created();
  EXPECT_EQ(login.account(), "收银员小王");

  std::ifstream file(app.context.accountMemoryPath, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), {});
  EXPECT_NE(bytes.find(utf8ToGbk("[账号]")), std::string::npos);
  EXPECT_NE(bytes.find(utf8ToGbk("账号=收银员小王")), std::string::npos);
  EXPECT_EQ(bytes.find("收银员"), std::string::npos);  // not UTF-8
  // The settings file in the data folder is a different file and is not touched.
  EXPECT_EQ(settingsText(), settingsBefore);
  if (!app.db.onServer()) {
    EXPECT_EQ(settingsBefore, "<none>");
  }
}

}  // namespace
}  // namespace cz
