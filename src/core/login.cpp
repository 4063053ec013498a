#include "core/login.h"

#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "storage/database.h"
#include "util/numbers.h"

namespace cz {

std::string checkAccount(Database& db, const std::string& name, const std::string& password,
                         PermissionRecord& record) {
  RecordSet account(db);
  if (!account.open("select * from 账号 where 账号=?", {name}) || !account.next()) {
    return "账号不存在";
  }
  if (account.field("密码") != password) return "密码不正确";
  for (int slot = 0; slot < kPermissionCount; ++slot) {
    record.flags[static_cast<size_t>(slot)] =
        account.field(permissionColumn(static_cast<Permission>(slot))) == "真";
  }
  record.minimumDiscount = readSingle(account.field("账号最低折扣"));
  return kAccountOk;
}

void writeLeavingEntry(AppContext& app) {
  app.log.write(LogType::System, "[" + app.session.currentAccount + "]退出系统");
}

bool exitProgram(AppContext& app, Dialogs& dialogs) {
  if (!dialogs.ask("确定要能出系统吗？", kDefaultTitle, Answer::No)) return false;
  exitWithoutAsking(app);
  return true;
}

void exitWithoutAsking(AppContext& app) {
  app.windows.destroyMainWindow();
  app.windows.destroyLoginWindow();
  app.windows.destroyLogWindow();
}

bool changeShift(AppContext& app, Dialogs& dialogs) {
  if (!dialogs.ask("确定交班吗？", kDefaultTitle, Answer::No)) return false;
  app.windows.openShiftCloseWindow();
  return true;
}

void finishShiftChange(AppContext& app) {
  app.windows.destroyMainWindow();
  app.windows.centreLoginWindow();
}

}  // namespace cz
