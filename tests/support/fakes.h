#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/dialogs.h"
#include "core/windows.h"

namespace cz::test {

// Records every message and question; answers questions from a script and fails the test on a
// question nobody scripted.
class ScriptedDialogs : public Dialogs {
 public:
  struct Call {
    std::string kind;  // "message", "ask" or "input"
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::None;
  };

  void message(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool ask(const std::string& text, const std::string& title) override;
  std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override;

  // Queues the answer to the next question.
  void answer(bool yes) { m_answers.push_back(yes); }
  void answerInput(std::optional<std::string> text) { m_inputs.push_back(std::move(text)); }

  std::vector<Call> calls;
  // The texts of the messages shown, in order.
  std::vector<std::string> messages() const;

 private:
  std::deque<bool> m_answers;
  std::deque<std::optional<std::string>> m_inputs;
};

// A clock that stands still until it is moved.
class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalDateTime t = {2026, 12, 10, 9, 5, 3}) : m_now(t) {}
  LocalDateTime now() const override { return m_now; }
  void set(LocalDateTime t) { m_now = t; }
  void advanceSeconds(int seconds);

 private:
  LocalDateTime m_now;
};

// Records window operations in order, e.g. "openMain", "destroyMain".
class RecordingWindows : public Windows {
 public:
  void loadLogWindow() override { calls.push_back("loadLog"); }
  void showLogWindow() override { calls.push_back("showLog"); }
  void destroyLogWindow() override { calls.push_back("destroyLog"); }
  void openMainWindow() override;
  bool mainWindowLoaded() const override { return m_mainLoaded; }
  void destroyMainWindow() override;
  void moveLoginOffScreen() override { calls.push_back("loginOffScreen"); }
  void centreLoginWindow() override { calls.push_back("centreLogin"); }
  void destroyLoginWindow() override { calls.push_back("destroyLogin"); }

  std::vector<std::string> calls;
  // Run when the main window is opened / destroyed, so a test can stand in a presenter.
  std::function<void()> onOpenMain;
  std::function<void()> onDestroyMain;

 private:
  bool m_mainLoaded = false;
};

}  // namespace cz::test
