#pragma once

#include <string>

namespace cz {

class Dialogs;
struct AppContext;

inline constexpr const char* kWelcomeText = "初始环境完毕，欢迎使用，技术支持";

// Prepares the process once the login window exists: data directory, the hidden log window,
// data.db (with every table and the admin account when it holds no tables yet), the latest log
// entries and the welcome entry. Failures are shown through `dialogs` and start-up goes on.
// Returns the account name typed last (empty when none is remembered).
std::string runBootstrap(AppContext& app, Dialogs& dialogs);

}  // namespace cz
