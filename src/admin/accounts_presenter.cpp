#include "admin/accounts_presenter.h"

#include <cmath>

#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "storage/database.h"
#include "util/numbers.h"

namespace cz {

namespace {

// The grid's rows 1 to 14: the 账号 column each row saves to, and what it allows. The column
// name of an UPDATE always comes from here, never from a cell.
struct AccountRow {
  const char* column;
  const char* explanation;
};

constexpr AccountRow kRows[] = {
    {"查看进货", "是否允许打开采购报表"},
    {"进货权限", "是否允许采购商品，创建采购订单"},
    {"编辑进货", "当允许采购商品时，是否允许让其支持自定义编辑进货价及总应付金额"},
    {"修改折扣", "是否允许修改会员的折扣率"},
    {"修改积分", "是否允许修改会员列表的积分项"},
    {"新增会员", "是否支持新增会员功能"},
    {"清除日志", "是否支持清空删除日志"},
    {"新增供应商", "是否支持新增供应商"},
    {"改删供应商", "是否可以修改、删除供应商信息"},
    {"查看底价", "打开库存表时，是否显示商品底价列，即进货价"},
    {"账号最低折扣", "设置该账号销售时，允许最低打多少折扣，防止随意打折"},
    {"修改商品权限", "是否允许修改商品低价、商品名称、设定商品是否参与积分、修改库存、删除库存"},
    {"删除销售订单", "是否支持删除销售订单"},
    {"删除采购订单", "是否支持删除采购订单"},
};
constexpr int kRowCount = 14;

const char* columnOfRow(int row) {
  return kRows[row - 1].column;
}

constexpr double kTolerance = 0.0000001;

}  // namespace

AccountsPresenter::AccountsPresenter(AppContext& app, Dialogs& dialogs)
    : m_app(app), m_dialogs(dialogs) {
  m_grid.setColumnCount(4);
  const struct {
    const char* header;
    int width;
  } columns[] = {{"", 30}, {"权限功能", 120}, {"权限", 80}, {"解释(修改自动保存)", 310}};
  for (int c = 0; c < 4; ++c) {
    m_grid.setText(0, c, columns[c].header);
    m_grid.setColumnWidth(c, columns[c].width);
  }
}

std::string AccountsPresenter::selectedAccount() const {
  if (m_selected < 0 || m_selected >= static_cast<int>(m_accounts.size())) return {};
  return m_accounts[static_cast<size_t>(m_selected)];
}

void AccountsPresenter::created() {
  m_grid.setRowCount(kRowCount + 1);
  for (int row = 1; row <= kRowCount; ++row) {
    m_grid.setText(row, 0, integerText(row));
    m_grid.setText(row, 1, columnOfRow(row));
    m_grid.setText(row, 3, kRows[row - 1].explanation);
  }
  m_grid.setTextColour(1, 1, kRowCount, 1, rgb(0, 0, 255));
  m_grid.setTextColour(1, 3, kRowCount, 3, rgb(96, 96, 96));
  refreshClicked();
}

void AccountsPresenter::refreshClicked() {
  RecordSet set(m_app.db);
  if (!set.open("select * from 账号")) return;
  std::vector<std::string> names;
  while (set.next()) names.push_back(set.field("账号"));
  if (names.empty()) return;
  m_accounts = std::move(names);
  m_selected = 0;
  m_newAccount.clear();
  loadSelected();
}

void AccountsPresenter::accountSelected(int index) {
  if (index < 0 || index >= static_cast<int>(m_accounts.size())) return;
  m_selected = index;
  loadSelected();
}

void AccountsPresenter::loadSelected() {
  RecordSet set(m_app.db);
  const std::string account = selectedAccount();
  if (!set.open("select * from 账号 where 账号=?", {account}) || !set.next()) {
    // A query that ran and found no row leaves no error text: the account is gone since the list
    // was filled (or the list is empty), and that is what the user is told.
    const std::string error = m_app.db.lastError();
    m_dialogs.message(error.empty() ? "账号[" + account + "]不存在，请点击“刷新账号”" : error);
    return;
  }
  // With 加强安全 no password is ever shown: the box starts empty, so a password typed there is
  // the only one a new account or 保存新密码 can take.
  m_password = masksPasswords() ? std::string() : set.field("密码");
  for (int row = 1; row <= kRowCount; ++row) {
    const std::string stored = set.field(columnOfRow(row));
    m_grid.setText(row, kValueColumn,
                   row == kDiscountRow ? stored : (stored == "假" ? "假" : "真"));
  }
}

void AccountsPresenter::addClicked() {
  const std::string name = m_newAccount;
  const std::string password = m_password;
  RecordSet existing(m_app.db);
  if (existing.open("select * from 账号 where 账号=?", {name}) && existing.next()) {
    m_dialogs.message("该账号已存在");
    return;
  }
  if (!m_app.db.execute(
          "insert into "
          "账号(账号,密码,查看进货,进货权限,编辑进货,修改折扣,修改积分,新增会员,清除日志,"
          "新增供应商,改删供应商,查看底价,账号最低折扣,修改商品权限,删除销售订单,删除采购订单) "
          "values(?,?,'真','真','真','真','真','真','真','真','真','真','10','真','真','真')",
          {name, password})) {
    m_dialogs.message(m_app.db.lastError(), "创建账号失败", MessageIcon::Information);
    return;
  }
  // With 加强安全 the password stays out of the log.
  m_app.log.write(LogType::System, m_app.session.settings.strictSecurity
                                       ? "新增新账号：" + name
                                       : "新增新账号：" + name + "，密码：" + password);
  m_dialogs.message("已成功创建，默认允许所有功能，如需修改请加载后修改", "创建成功",
                    MessageIcon::Information);
}

bool AccountsPresenter::masksPasswords() const {
  return m_app.session.settings.strictSecurity;
}

void AccountsPresenter::savePasswordClicked() {
  // The box is empty after every selection with 加强安全: a click without typing must not wipe
  // the account's password.
  if (masksPasswords() && m_password.empty()) {
    m_dialogs.message("新密码不能为空");
    return;
  }
  if (!m_app.db.execute("update 账号 set 密码=? where 账号=?", {m_password, selectedAccount()})) {
    m_dialogs.message(m_app.db.lastError(), "修改密码失败");
  }
}

void AccountsPresenter::currentCellChanged() {
  m_grid.setEditable(m_grid.currentRow() == kDiscountRow && m_grid.currentColumn() == kValueColumn);
}

void AccountsPresenter::cellDoubleClicked() {
  const int row = m_grid.currentRow();
  currentCellChanged();
  if (row < 1 || row > kRowCount || row == kDiscountRow) return;
  const std::string value = m_grid.text(row, kValueColumn) == "真" ? "假" : "真";
  const std::string column = columnOfRow(row);
  // A column name cannot be a bound value; it comes from the fixed list above.
  if (!m_app.db.execute("update 账号 set " + column + "=? where 账号=?",
                        {value, selectedAccount()})) {
    m_dialogs.message(m_app.db.lastError(), "修改[" + column + "]失败");
    return;
  }
  m_grid.setText(row, kValueColumn, value);
}

void AccountsPresenter::editBegins(int row, int col) {
  if (row == kDiscountRow && col == kValueColumn) {
    m_discountBeforeEdit = m_grid.text(row, col);
  }
}

void AccountsPresenter::editFinished(int row, int col) {
  if (row != kDiscountRow || col != kValueColumn) return;
  const std::string typed = m_grid.text(row, col);
  const double value = readNumber(typed);
  if (value <= kTolerance || value - 10 > kTolerance) {
    m_grid.setText(row, col, m_discountBeforeEdit);
    m_dialogs.message("折扣不合法，范围在1-10");
    return;
  }
  if (!m_app.db.execute("update 账号 set 账号最低折扣=? where 账号=?",
                        {typed, selectedAccount()})) {
    m_dialogs.message(m_app.db.lastError(), "修改折扣失败");
    m_grid.setText(row, col, m_discountBeforeEdit);
    return;
  }
  m_discountBeforeEdit = typed;
}

}  // namespace cz
