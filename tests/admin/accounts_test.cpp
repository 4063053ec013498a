#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "admin/accounts_presenter.h"
#include "core/login.h"
#include "storage/database.h"
#include "support/test_app.h"

namespace cz {
namespace {

class AccountsTest : public testing::Test {
 protected:
  void SetUp() override {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
    accounts.created();
  }

  std::string column(const std::string& name, const std::string& account = "admin") {
    const auto rows = app.rows("select " + name + " from 账号 where 账号=?", {account});
    return rows.empty() ? "<none>" : rows[0][0];
  }
  void doubleClick(int row, int col) {
    accounts.grid().setCurrentCell(row, col);
    accounts.currentCellChanged();
    accounts.cellDoubleClicked();
  }
  // Types into the minimum discount cell as the grid does: edit begins, text, edit finished.
  void typeDiscount(const std::string& text) {
    doubleClick(11, 2);
    ASSERT_TRUE(accounts.grid().editable());
    accounts.editBegins(11, 2);
    accounts.grid().setText(11, 2, text);
    accounts.editFinished(11, 2);
  }
  void addAccount(const std::string& name, const std::string& password = "pw") {
    accounts.newAccountChanged(name);
    accounts.passwordChanged(password);
    accounts.addClicked();
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
  AccountsPresenter accounts{app.context, app.dialogs};
};

TEST_F(AccountsTest, ANewDatabaseShowsAdminWithEveryFlagOnAndNoMinimum) {
  EXPECT_EQ(accounts.accounts(), std::vector<std::string>{"admin"});
  EXPECT_EQ(accounts.selectedAccount(), "admin");
  EXPECT_EQ(accounts.password(), "");
  const TextGrid& grid = accounts.grid();
  ASSERT_EQ(grid.rowCount(), 15);
  EXPECT_EQ(grid.text(0, 3), "解释(修改自动保存)");
  EXPECT_EQ(grid.columnWidth(3), 310);
  EXPECT_EQ(grid.text(7, 1), "清除日志");
  EXPECT_EQ(grid.text(14, 3), "是否支持删除采购订单");
  EXPECT_EQ(grid.textColour(3, 1), rgb(0, 0, 255));
  EXPECT_EQ(grid.textColour(3, 3), rgb(96, 96, 96));
  for (int row = 1; row <= 14; ++row) {
    EXPECT_EQ(grid.text(row, 0), std::to_string(row));
    EXPECT_EQ(grid.text(row, 2), row == 11 ? "0" : "真") << row;
  }
  EXPECT_FALSE(grid.editable());
  EXPECT_TRUE(app.dialogs.calls.empty());
}

TEST_F(AccountsTest, FlagsShowFalseOnlyForExactlyFalse) {
  ASSERT_TRUE(app.db.execute("update 账号 set 查看进货='假 ',进货权限='0',编辑进货='假'"));
  accounts.refreshClicked();
  EXPECT_EQ(accounts.grid().text(1, 2), "真");
  EXPECT_EQ(accounts.grid().text(2, 2), "真");
  EXPECT_EQ(accounts.grid().text(3, 2), "假");
}

TEST_F(AccountsTest, AddingAnAccount) {
  const int listed = app.logList.itemCount();
  addAccount("cashier", "123");
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].text, "已成功创建，默认允许所有功能，如需修改请加载后修改");
  EXPECT_EQ(app.dialogs.calls[0].title, "创建成功");
  EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::Information);
  EXPECT_EQ(app.rows("select * from 账号 where 账号='cashier'")[0],
            (std::vector<std::string>{"cashier", "123", "真", "真", "真", "真", "真", "真", "真",
                                      "真", "真", "真", "10", "真", "真", "真"}));
  ASSERT_EQ(app.logList.itemCount(), listed + 1);
  EXPECT_EQ(app.listed().back()[3], "系统");
  EXPECT_EQ(app.listed().back()[4], "新增新账号：cashier，密码：123");
  // The combo box waits for "刷新账号".
  EXPECT_EQ(accounts.accounts().size(), 1u);
  accounts.refreshClicked();
  EXPECT_EQ(accounts.accounts(), (std::vector<std::string>{"admin", "cashier"}));

  // A name that exists, compared case-sensitively.
  addAccount("cashier");
  EXPECT_EQ(app.dialogs.messages().back(), "该账号已存在");
  EXPECT_EQ(app.rows("select count(*) from 账号")[0][0], "2");
  for (const std::string name : {"ADMIN", "", "O'Brien"}) {
    app.dialogs.calls.clear();
    addAccount(name);
    EXPECT_EQ(app.dialogs.messages(),
              std::vector<std::string>{"已成功创建，默认允许所有功能，如需修改请加载后修改"})
        << name;
    EXPECT_EQ(column("密码", name), "pw");
  }
}

TEST_F(AccountsTest, SavePasswordChangesTheAccountInTheComboBox) {
  addAccount("b", "old");
  accounts.refreshClicked();
  accounts.accountSelected(1);
  EXPECT_EQ(accounts.password(), "old");
  accounts.newAccountChanged("admin");  // the box of new names does not count
  accounts.passwordChanged("n'ew");
  const int listed = app.logList.itemCount();
  accounts.savePasswordClicked();
  EXPECT_EQ(column("密码", "b"), "n'ew");
  EXPECT_EQ(column("密码", "admin"), "");
  EXPECT_EQ(app.logList.itemCount(), listed);
}

TEST_F(AccountsTest, StrictSecurityShowsNoPasswordAndANewAccountTakesOnlyTheOneTyped) {
  addAccount("b", "old");
  accounts.refreshClicked();
  EXPECT_FALSE(accounts.masksPasswords());
  app.session.settings.strictSecurity = true;
  EXPECT_TRUE(accounts.masksPasswords());
  accounts.accountSelected(1);
  EXPECT_EQ(accounts.password(), "");

  // Selecting another account once filled the box with its password, and a new account added
  // next silently took it.
  accounts.newAccountChanged("c");
  accounts.addClicked();
  EXPECT_EQ(column("密码", "c"), "");
  accounts.passwordChanged("typed");
  accounts.newAccountChanged("d");
  accounts.addClicked();
  EXPECT_EQ(column("密码", "d"), "typed");
  EXPECT_EQ(app.listed().back()[4], "新增新账号：d");

  // 保存新密码 with the empty box keeps the stored password.
  accounts.accountSelected(1);
  app.dialogs.calls.clear();
  accounts.savePasswordClicked();
  EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{"新密码不能为空"});
  EXPECT_EQ(column("密码", "b"), "old");
  accounts.passwordChanged("new");
  accounts.savePasswordClicked();
  EXPECT_EQ(column("密码", "b"), "new");
}

TEST_F(AccountsTest, DoubleClickTogglesAFlagAndLogsNothing) {
  const int listed = app.logList.itemCount();
  doubleClick(7, 1);
  EXPECT_EQ(column("清除日志"), "假");
  EXPECT_EQ(accounts.grid().text(7, 2), "假");
  EXPECT_FALSE(accounts.grid().editable());
  doubleClick(7, 2);
  EXPECT_EQ(column("清除日志"), "真");
  EXPECT_EQ(accounts.grid().text(7, 2), "真");
  EXPECT_EQ(app.logList.itemCount(), listed);

  // Row 11 only opens for typing; the header and outside rows do nothing.
  doubleClick(11, 2);
  EXPECT_TRUE(accounts.grid().editable());
  EXPECT_EQ(column("账号最低折扣"), "0");
  doubleClick(11, 1);
  EXPECT_FALSE(accounts.grid().editable());
  accounts.grid().setCurrentCell(-1, -1);
  accounts.cellDoubleClicked();
  EXPECT_TRUE(app.dialogs.calls.empty());
}

TEST_F(AccountsTest, TextInTheNameColumnNeverReachesTheStatement) {
  accounts.grid().setText(1, 1, "密码='x',查看进货");
  doubleClick(1, 2);
  EXPECT_EQ(column("查看进货"), "假");
  EXPECT_EQ(column("密码"), "");
  EXPECT_TRUE(app.dialogs.calls.empty());
  // An edit that finishes anywhere but the minimum discount writes nothing.
  accounts.grid().setText(2, 1, "密码");
  accounts.editFinished(2, 1);
  EXPECT_EQ(column("密码"), "");
}

TEST_F(AccountsTest, MinimumDiscountMustBeAboveZeroAndAtMostTen) {
  const struct {
    const char* typed;
    const char* stored;  // nullptr: refused
  } cases[] = {{"0", nullptr}, {"-1", nullptr}, {"11", nullptr}, {"abc", nullptr},
               {"0.5", "0.5"}, {"9.5", "9.5"},  {"10", "10"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    app.dialogs.calls.clear();
    const std::string before = column("账号最低折扣");
    typeDiscount(c.typed);
    if (c.stored) {
      EXPECT_TRUE(app.dialogs.calls.empty());
      EXPECT_EQ(column("账号最低折扣"), c.stored);
      EXPECT_EQ(accounts.grid().text(11, 2), c.stored);
    } else {
      EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{"折扣不合法，范围在1-10"});
      EXPECT_EQ(column("账号最低折扣"), before);
      EXPECT_EQ(accounts.grid().text(11, 2), before);
    }
  }
}

TEST_F(AccountsTest, FlagsTakeEffectAtTheNextLogin) {
  addAccount("clerk", "");
  accounts.refreshClicked();
  accounts.accountSelected(1);
  doubleClick(14, 2);  // 删除采购订单
  PermissionRecord record;
  ASSERT_EQ(checkAccount(app.db, "clerk", "", record), kAccountOk);
  for (int slot = 0; slot < kPermissionCount; ++slot) {
    EXPECT_EQ(record.flags[static_cast<size_t>(slot)],
              static_cast<Permission>(slot) != Permission::DeletePurchases)
        << slot;
  }
  EXPECT_FLOAT_EQ(record.minimumDiscount, 10);

  // The logged-in admin's own flag changes only at its next login.
  accounts.accountSelected(0);
  doubleClick(7, 2);
  EXPECT_TRUE(app.session.permissions.allows(Permission::ClearLog));
  ASSERT_EQ(checkAccount(app.db, "admin", "", record), kAccountOk);
  EXPECT_FALSE(record.allows(Permission::ClearLog));
}

// Selecting an account that was removed since the list was filled says so in its own words,
// whatever failed before; a query that fails shows the engine's text of that failure.
TEST_F(AccountsTest, AVanishedAccountIsReportedWithItsOwnText) {
  addAccount("clerk");
  accounts.refreshClicked();
  ASSERT_EQ(accounts.accounts(), (std::vector<std::string>{"admin", "clerk"}));
  ASSERT_TRUE(app.db.execute("delete from 账号 where 账号='clerk'"));
  const std::string vanished = "账号[clerk]不存在，请点击“刷新账号”";
  const struct {
    const char* what;
    std::function<void()> before;
    std::string message;
  } cases[] = {
      {"after nothing failed", [] {}, vanished},
      {"after an earlier failure", [&] { EXPECT_FALSE(app.db.execute("select * from 旧表")); },
       vanished},
      {"after a worker thread's failure",
       [&] { std::thread([&] { EXPECT_FALSE(app.db.execute("select * from 旧表")); }).join(); },
       vanished},
      {"when the query fails",
       [&] { ASSERT_TRUE(app.db.execute("alter table 账号 rename to 旧账号")); },
       test::missingTableError(app.db, "账号")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    accounts.accountSelected(0);
    app.dialogs.calls.clear();
    c.before();
    accounts.accountSelected(1);
    ASSERT_EQ(app.dialogs.messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(app.dialogs.calls[0].title, "信息：");
  }
}

TEST_F(AccountsTest, FailuresAreShownUnderTheirTitles) {
  ASSERT_TRUE(app.db.execute("alter table 账号 rename to 旧账号"));
  doubleClick(7, 2);
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].title, "修改[清除日志]失败");
  EXPECT_EQ(accounts.grid().text(7, 2), "真");
  typeDiscount("5");
  EXPECT_EQ(app.dialogs.calls.back().title, "修改折扣失败");
  EXPECT_EQ(accounts.grid().text(11, 2), "0");
  accounts.savePasswordClicked();
  EXPECT_EQ(app.dialogs.calls.back().title, "修改密码失败");
  addAccount("x");
  EXPECT_EQ(app.dialogs.calls.back().title, "创建账号失败");
  EXPECT_EQ(app.dialogs.calls.back().text, test::missingTableError(app.db, "账号"));
}

}  // namespace
}  // namespace cz
