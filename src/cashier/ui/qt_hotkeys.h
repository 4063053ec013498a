#pragma once

#include <memory>

#include "cashier/hotkeys.h"

class QWidget;

namespace cz {

// The hotkeys of this platform for `window`: on X11 the keys are grabbed on the root window, so
// they reach the program wherever the focus is; elsewhere (Wayland, offscreen) they are
// application-wide shortcuts, which take effect while one of the program's windows is active.
std::unique_ptr<Hotkeys> createSystemHotkeys(QWidget* window);

}  // namespace cz
