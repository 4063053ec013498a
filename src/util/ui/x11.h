#pragma once

#include <xcb/xcb.h>

namespace cz {

// The X server connection Qt uses, or nullptr when the program does not run on X11 (offscreen,
// Wayland).
xcb_connection_t* x11Connection();

// The root window of the connection's first screen; 0 without X11.
xcb_window_t x11RootWindow();

// True when a compositing manager runs on the first screen, so that translucent windows are
// blended with what lies below them instead of being drawn opaque.
bool x11CompositingManagerRunning();

}  // namespace cz
