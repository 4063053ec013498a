#pragma once

#include "core/dialogs.h"

namespace cz {

// Passes every call on to another Dialogs and knows whether one of its boxes is open, so that
// input arriving while a message or question waits (a hotkey) can be left alone instead of
// running a second handler inside the first.
class TrackedDialogs : public Dialogs {
 public:
  explicit TrackedDialogs(Dialogs& inner) : m_inner(inner) {}

  void message(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool ask(const std::string& text, const std::string& title, Answer byDefault) override;
  std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override;
  std::optional<int> choose(const std::string& title, const std::vector<std::string>& headers,
                            const std::vector<std::vector<std::string>>& rows) override;

  // True while a message, question or input box shown through this object is open.
  bool isOpen() const { return m_open > 0; }

 private:
  Dialogs& m_inner;
  int m_open = 0;
};

}  // namespace cz
