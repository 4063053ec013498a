#pragma once

#include <string>

namespace cz {

// Why a file operation failed, in words for the user ("没有访问权限", "磁盘空间不足", …), from the
// system's error number; the system's own text for rare errors.
std::string fileErrorReason(int error);

}  // namespace cz
