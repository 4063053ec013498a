#include "core/permissions.h"

namespace cz {

std::string refusalText(const std::string& operation) {
  return "当前账号没有[" + operation + "]权限，请联系管理员提升权限";
}

bool checkPermission(const PermissionRecord& permissions, Permission permission, Dialogs& dialogs,
                     const std::string& refusal, MessageIcon icon) {
  if (permissions.allows(permission)) return true;
  dialogs.message(refusal, kDefaultTitle, icon);
  return false;
}

}  // namespace cz
