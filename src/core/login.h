#pragma once

#include <string>

namespace cz {

class Database;
struct AppContext;
struct PermissionRecord;

inline constexpr const char* kAccountOk = "ok";

// Checks an account name and password against the accounts table. Returns "ok" and fills the
// permission record on success; otherwise the message to show ("账号不存在", "密码不正确") and the
// record is left as it was. Names and passwords are compared byte for byte.
std::string checkAccount(Database& db, const std::string& name, const std::string& password,
                         PermissionRecord& record);

// Writes the leaving entry "[account]退出系统". Run once whenever the main window is destroyed.
void writeLeavingEntry(AppContext& app);

class Dialogs;

// Exit: asks "确定要能出系统吗？"; on 是 destroys the main window (which writes the leaving entry),
// then the login window and the log window, which ends the process. Returns true when it exited.
bool exitProgram(AppContext& app, Dialogs& dialogs);

// Exit without the question (a signal from a shutdown or a logout, Ctrl+C): destroys the main
// window (which writes the leaving entry), then the login and log windows, as exit does.
void exitWithoutAsking(AppContext& app);

// Shift change: asks "确定交班吗？"; on 是 opens the 交班报表 window, whose 确定 or close mark
// stores the close and then runs finishShiftChange(). Returns true on 是.
bool changeShift(AppContext& app, Dialogs& dialogs);

// The rest of the shift change: destroys the main window and brings the login window back. The
// current account and permissions stay until the next login replaces them.
void finishShiftChange(AppContext& app);

}  // namespace cz
