#pragma once

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "cashier/hotkeys.h"

namespace cz::test {

// Hotkeys that another program may hold: a key in `taken` is refused. press() delivers a press
// of a key that is registered here, as the platform would.
class FakeHotkeys : public Hotkeys {
 public:
  bool registerHotkey(Hotkey key, std::function<void()> pressed) override {
    attempts.push_back(key);
    if (taken.count(key)) return false;
    m_registered[key] = std::move(pressed);
    return true;
  }
  void unregisterAll() override { m_registered.clear(); }

  bool isRegistered(Hotkey key) const { return m_registered.count(key) > 0; }
  // Presses a key; returns false when nothing here had it registered.
  bool press(Hotkey key) {
    auto it = m_registered.find(key);
    if (it == m_registered.end()) return false;
    auto pressed = it->second;  // a press may unregister the keys
    pressed();
    return true;
  }

  std::set<Hotkey> taken;
  // Every key asked for, in order.
  std::vector<Hotkey> attempts;

 private:
  std::map<Hotkey, std::function<void()>> m_registered;
};

}  // namespace cz::test
