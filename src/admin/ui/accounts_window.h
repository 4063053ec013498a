#pragma once

#include <QWidget>

#include "admin/accounts_presenter.h"
#include "core/ui/qt_dialogs.h"

class QComboBox;
class QLineEdit;

namespace cz {

class GridView;
struct AppContext;

// The accounts window: 组合框1 with the accounts, the new-account and password boxes, and the
// grid of the selected account's permissions.
class AccountsWindow : public QWidget {
  Q_OBJECT
 public:
  explicit AccountsWindow(AppContext& app, QWidget* owner = nullptr);
  ~AccountsWindow() override;

  AccountsPresenter& presenter() { return m_presenter; }
  // Runs the window's creation work: lays out the grid and lists the accounts.
  void created();

 private:
  void render();

  QtDialogs m_dialogs;
  AccountsPresenter m_presenter;
  QComboBox* m_accounts;
  QLineEdit* m_newAccount;
  QLineEdit* m_password;
  GridView* m_grid;
};

}  // namespace cz
