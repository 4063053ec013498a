#pragma once

namespace cz {

inline constexpr const char* kProductName = "晨舟收银系统";
// Where the shop reaches support; ends the welcome entry and the main window's caption.
inline constexpr const char* kSupportContact = "（support@chenzhou-pos.cn）";

}  // namespace cz
