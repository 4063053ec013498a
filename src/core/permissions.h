#pragma once

#include <string>

#include "core/dialogs.h"
#include "core/session.h"

namespace cz {

// "当前账号没有[" + operation + "]权限，请联系管理员提升权限", the usual refusal.
std::string refusalText(const std::string& operation);

// Tests one flag of the logged-in account's permission record (filled at login; the database is
// never read). When the flag is false, shows `refusal` with `icon` through the dialogs of the
// window where the action started and returns false; otherwise returns true and shows nothing.
bool checkPermission(const PermissionRecord& permissions, Permission permission, Dialogs& dialogs,
                     const std::string& refusal, MessageIcon icon = MessageIcon::None);

}  // namespace cz
