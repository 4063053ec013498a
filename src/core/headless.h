#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/dialogs.h"
#include "core/windows.h"
#include "util/ui_queue.h"

namespace cz {

// Stand-ins for the screen, for programs that drive the presenters without any window: the
// crash driver and the benchmarks.

// Opens nothing; remembers only whether the main window would be open.
class HeadlessWindows : public Windows {
 public:
  void loadLogWindow() override {}
  void showLogWindow() override {}
  void destroyLogWindow() override {}
  void openMainWindow() override { m_mainLoaded = true; }
  bool mainWindowLoaded() const override { return m_mainLoaded; }
  void destroyMainWindow() override { m_mainLoaded = false; }
  void moveLoginOffScreen() override {}
  void centreLoginWindow() override {}
  void destroyLoginWindow() override {}

 private:
  bool m_mainLoaded = false;
};

// Drops every task: for code whose worker-thread loads nobody looks at.
class DiscardingUiQueue : public UiQueue {
 public:
  void post(std::function<void()>) override {}
};

// Lets every message pass (counting them) and answers every question the same way.
class AnsweringDialogs : public Dialogs {
 public:
  explicit AnsweringDialogs(bool answer) : m_answer(answer) {}
  void message(const std::string&, const std::string&, MessageIcon) override { ++messages; }
  bool ask(const std::string&, const std::string&, Answer) override { return m_answer; }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }

  int messages = 0;

 private:
  bool m_answer;
};

}  // namespace cz
