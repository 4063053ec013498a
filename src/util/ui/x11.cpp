#include "util/ui/x11.h"

#include <QGuiApplication>

#include <cstdlib>
#include <string>

namespace cz {

xcb_connection_t* x11Connection() {
  if (!qGuiApp) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t x11RootWindow() {
  xcb_connection_t* connection = x11Connection();
  if (!connection) return 0;
  const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  return screens.rem > 0 ? screens.data->root : 0;
}

bool x11CompositingManagerRunning() {
  xcb_connection_t* connection = x11Connection();
  if (!connection) return false;
  // A compositing manager owns the selection _NET_WM_CM_S<screen>.
  const std::string name = "_NET_WM_CM_S0";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()),
      nullptr);
  if (!atom) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, selection), nullptr);
  if (!owner) return false;
  const bool running = owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return running;
}

}  // namespace cz
