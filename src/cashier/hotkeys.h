#pragma once

#include <functional>

namespace cz {

// The two keys the main window takes for the whole system, without modifier keys.
enum class Hotkey { F1, F4 };

// System-wide hotkeys. Presses of a registered key reach its callback on the UI thread, outside
// any other event handler, wherever the keyboard focus is.
class Hotkeys {
 public:
  virtual ~Hotkeys() = default;

  // Takes `key` for this program. Returns false when it cannot (another program holds it); the
  // key then stays with its holder and `pressed` is never called.
  virtual bool registerHotkey(Hotkey key, std::function<void()> pressed) = 0;

  // Gives back every key registered here. Safe to call more than once.
  virtual void unregisterAll() = 0;
};

}  // namespace cz
