#pragma once

#include <string>
#include <vector>

#include "util/text_grid.h"

namespace cz {

class Dialogs;
struct AppContext;

// The accounts window: adds accounts, changes the selected account's password and its
// permission flags and minimum discount. Changes are written at once and logged only for a new
// account; a logged-in user's own record changes at that user's next login.
class AccountsPresenter {
 public:
  // Grid row of the minimum discount, the only cell that is typed into.
  static constexpr int kDiscountRow = 11;
  static constexpr int kValueColumn = 2;

  AccountsPresenter(AppContext& app, Dialogs& dialogs);

  TextGrid& grid() { return m_grid; }
  // Entries of 组合框1 and the selected one (−1 when empty).
  const std::vector<std::string>& accounts() const { return m_accounts; }
  int selectedIndex() const { return m_selected; }
  std::string selectedAccount() const;
  const std::string& newAccount() const { return m_newAccount; }
  const std::string& password() const { return m_password; }
  // With 加强安全 the password box shows dots and starts empty: no stored password is shown.
  bool masksPasswords() const;

  // The window exists: lays out the fourteen rows and refreshes.
  void created();
  // "刷新账号": lists every account, selects the first and loads it.
  void refreshClicked();
  // The combo box selection changed: shows that account's password (with 加强安全 an empty box)
  // and flags; an account that is gone since the list was filled is reported as such.
  void accountSelected(int index);
  void newAccountChanged(const std::string& text) { m_newAccount = text; }
  void passwordChanged(const std::string& text) { m_password = text; }

  // "增加账号": a new account with every flag on and minimum discount 10. The combo box is not
  // refreshed.
  void addClicked();
  // "保存新密码": the password box becomes the password of the account in the combo box. With
  // 加强安全 an empty box is refused ("新密码不能为空").
  void savePasswordClicked();

  // Double click: toggles the flag of the current row, or opens the minimum discount for
  // typing.
  void cellDoubleClicked();
  // Leaving the minimum discount cell makes the grid read-only again: no other cell is ever
  // editable.
  void currentCellChanged();
  void editBegins(int row, int col);
  // An edit of (row, col) was committed: a minimum discount from above 0 to 10 is stored as
  // typed; anything else brings the previous text back.
  void editFinished(int row, int col);

 private:
  bool onDiscountCell() const;
  void loadSelected();

  AppContext& m_app;
  Dialogs& m_dialogs;
  TextGrid m_grid;
  std::vector<std::string> m_accounts;
  int m_selected = -1;
  std::string m_newAccount;
  std::string m_password;
  std::string m_discountBeforeEdit;
};

}  // namespace cz
