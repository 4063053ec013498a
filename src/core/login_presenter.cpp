#include "core/login_presenter.h"

#include "core/app_context.h"
#include "core/bootstrap.h"
#include "core/dialogs.h"
#include "core/login.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "util/ini_file.h"

namespace cz {

LoginPresenter::LoginPresenter(AppContext& app, Dialogs& dialogs)
    : m_app(app), m_dialogs(dialogs) {}

void LoginPresenter::created() {
  m_account = runBootstrap(m_app, m_dialogs);
}

void LoginPresenter::accountChanged(const std::string& text) {
  m_account = text;
  IniFile(m_app.accountMemoryPath).write("账号", "账号", text);
}

void LoginPresenter::loginClicked() {
  if (m_account.empty()) {
    m_dialogs.message("账号不能为空");
    return;
  }
  const std::string result =
      checkAccount(m_app.db, m_account, m_password, m_app.session.permissions);
  if (result != kAccountOk) {
    m_dialogs.message(result, kDefaultTitle, MessageIcon::Information);
    return;
  }
  m_app.session.currentAccount = m_account;
  m_app.log.write(LogType::System, "[" + m_account + "]成功登录了系统");
  m_app.windows.openMainWindow();
  m_app.windows.moveLoginOffScreen();
}

void LoginPresenter::closeClicked() {
  // This presenter goes with its window: work on a local reference from here on.
  Windows& windows = m_app.windows;
  windows.destroyLoginWindow();
  windows.destroyLogWindow();
  if (windows.mainWindowLoaded()) windows.destroyMainWindow();
}

}  // namespace cz
