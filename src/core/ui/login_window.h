#pragma once

#include <QWidget>

#include "core/login_presenter.h"
#include "core/ui/qt_dialogs.h"

class QLabel;
class QLineEdit;

namespace cz {

struct AppContext;

// The login window: frameless, dragged by a press anywhere on it.
class LoginWindow : public QWidget {
  Q_OBJECT
 public:
  explicit LoginWindow(AppContext& app, QWidget* parent = nullptr);

  LoginPresenter& presenter() { return m_presenter; }
  // Runs the window's creation work (the bootstrap) and shows what it filled in.
  void created();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void render();

  QtDialogs m_dialogs;
  LoginPresenter m_presenter;
  QLineEdit* m_account;
  QLineEdit* m_password;
  QLabel* m_login;
  QLabel* m_close;
  bool m_closing = false;
};

}  // namespace cz
