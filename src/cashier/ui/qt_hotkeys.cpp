#include "cashier/ui/qt_hotkeys.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QWidget>

#include <cstdlib>
#include <map>
#include <vector>

#include "util/ui/x11.h"

namespace cz {

namespace {

// Keysyms of the function keys.
constexpr xcb_keysym_t kKeysymF1 = 0xFFBE;
constexpr xcb_keysym_t kKeysymF4 = 0xFFC1;

// Caps Lock and Num Lock (Mod2 on every common layout) must not stop a hotkey, so each key is
// grabbed with every combination of the two.
constexpr uint16_t kLockModifiers = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;
constexpr uint16_t kGrabModifiers[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                       XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

// The keycodes whose unshifted symbol is `keysym`.
std::vector<xcb_keycode_t> keycodesOf(xcb_connection_t* connection, xcb_keysym_t keysym) {
  std::vector<xcb_keycode_t> codes;
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const int first = setup->min_keycode;
  const int count = setup->max_keycode - setup->min_keycode + 1;
  xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
      connection,
      xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<uint8_t>(count)),
      nullptr);
  if (!mapping) return codes;
  const int perCode = mapping->keysyms_per_keycode;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
  const int total = xcb_get_keyboard_mapping_keysyms_length(mapping);
  for (int i = 0; perCode > 0 && i < total; i += perCode) {
    if (syms[i] == keysym) codes.push_back(static_cast<xcb_keycode_t>(first + i / perCode));
  }
  std::free(mapping);
  return codes;
}

// Key grabs on the X11 root window. A press of a grabbed key is taken out of Qt's event stream
// by the native event filter and delivered from the event loop, so the callback never runs
// inside Qt's event dispatch.
class X11Hotkeys : public QObject, public Hotkeys, public QAbstractNativeEventFilter {
 public:
  X11Hotkeys(xcb_connection_t* connection, xcb_window_t root)
      : m_connection(connection), m_root(root) {
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~X11Hotkeys() override {
    unregisterAll();
    QCoreApplication::instance()->removeNativeEventFilter(this);
  }

  bool registerHotkey(Hotkey key, std::function<void()> pressed) override {
    const std::vector<xcb_keycode_t> codes =
        keycodesOf(m_connection, key == Hotkey::F1 ? kKeysymF1 : kKeysymF4);
    if (codes.empty()) return false;
    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_keycode_t code : codes) {
      for (uint16_t modifiers : kGrabModifiers) {
        cookies.push_back(xcb_grab_key_checked(m_connection, 0, m_root, modifiers, code,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
      }
    }
    // Another client holding any of the combinations answers BadAccess: the key stays theirs.
    bool refused = false;
    for (xcb_void_cookie_t cookie : cookies) {
      if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
        refused = true;
        std::free(error);
      }
    }
    if (refused) {
      ungrab(codes);
      return false;
    }
    m_keys[key] = {codes, std::move(pressed)};
    return true;
  }

  void unregisterAll() override {
    for (const auto& [key, grabbed] : m_keys) ungrab(grabbed.codes);
    m_keys.clear();
  }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    if (press->event != m_root || (press->state & ~kLockModifiers & 0xFF) != 0) return false;
    for (const auto& [key, grabbed] : m_keys) {
      for (xcb_keycode_t code : grabbed.codes) {
        if (code != press->detail) continue;
        const Hotkey pressedKey = key;
        QMetaObject::invokeMethod(
            this, [this, pressedKey] { deliver(pressedKey); }, Qt::QueuedConnection);
        return true;
      }
    }
    return false;
  }

 private:
  struct Grabbed {
    std::vector<xcb_keycode_t> codes;
    std::function<void()> pressed;
  };

  void ungrab(const std::vector<xcb_keycode_t>& codes) {
    for (xcb_keycode_t code : codes) {
      for (uint16_t modifiers : kGrabModifiers) {
        xcb_ungrab_key(m_connection, code, m_root, modifiers);
      }
    }
    xcb_flush(m_connection);
  }

  void deliver(Hotkey key) {
    // The key may have been given back since the press was queued.
    auto it = m_keys.find(key);
    if (it == m_keys.end()) return;
    auto pressed = it->second.pressed;
    pressed();
  }

  xcb_connection_t* m_connection;
  xcb_window_t m_root;
  std::map<Hotkey, Grabbed> m_keys;
};

// Application-wide shortcuts where the platform has no system-wide key grab.
class ShortcutHotkeys : public Hotkeys {
 public:
  explicit ShortcutHotkeys(QWidget* window) : m_window(window) {}
  ~ShortcutHotkeys() override { unregisterAll(); }

  bool registerHotkey(Hotkey key, std::function<void()> pressed) override {
    if (!m_window) return false;
    auto* shortcut = new QShortcut(QKeySequence(key == Hotkey::F1 ? Qt::Key_F1 : Qt::Key_F4),
                                   m_window, nullptr, nullptr, Qt::ApplicationShortcut);
    shortcut->setAutoRepeat(false);
    // Queued, as a grabbed key is: the callback never runs inside the shortcut's dispatch.
    QObject::connect(shortcut, &QShortcut::activated, shortcut, std::move(pressed),
                     Qt::QueuedConnection);
    m_shortcuts.push_back(shortcut);
    return true;
  }

  void unregisterAll() override {
    for (const QPointer<QShortcut>& shortcut : m_shortcuts) delete shortcut.data();
    m_shortcuts.clear();
  }

 private:
  QPointer<QWidget> m_window;
  std::vector<QPointer<QShortcut>> m_shortcuts;
};

}  // namespace

std::unique_ptr<Hotkeys> createSystemHotkeys(QWidget* window) {
  xcb_connection_t* connection = x11Connection();
  const xcb_window_t root = x11RootWindow();
  if (connection && root) return std::make_unique<X11Hotkeys>(connection, root);
  return std::make_unique<ShortcutHotkeys>(window);
}

}  // namespace cz
