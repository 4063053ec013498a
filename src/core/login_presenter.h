#pragma once

#include <string>

namespace cz {

class Dialogs;
struct AppContext;

// The login window: account and password boxes, the 登陆 label and the close label.
class LoginPresenter {
 public:
  LoginPresenter(AppContext& app, Dialogs& dialogs);

  const std::string& account() const { return m_account; }
  const std::string& password() const { return m_password; }

  // The window exists: runs the bootstrap and fills the account box with the name typed last.
  void created();
  // The account box changed: its whole content is remembered for the next start.
  void accountChanged(const std::string& text);
  void passwordChanged(const std::string& text) { m_password = text; }
  // 登陆 clicked: checks the account; on success logs in and opens the main window.
  void loginClicked();
  // The close label: destroys the login, log and main windows, which ends the process.
  void closeClicked();

 private:
  AppContext& m_app;
  Dialogs& m_dialogs;
  std::string m_account;
  std::string m_password;
};

}  // namespace cz
