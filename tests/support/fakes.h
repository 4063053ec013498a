#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/dialogs.h"
#include "core/windows.h"
#include "util/clock.h"
#include "util/ui_queue.h"

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
    Answer byDefault = Answer::Yes;  // questions only: what Enter answers
  };

  void message(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool ask(const std::string& text, const std::string& title, Answer byDefault) override;
  std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override;
  // Records the rows shown and answers from answerChoice(); a list nobody scripted fails.
  std::optional<int> choose(const std::string& title, const std::vector<std::string>& headers,
                            const std::vector<std::vector<std::string>>& rows) override;
  void answerChoice(std::optional<int> index) { m_choices.push_back(index); }
  // The rows of the last list shown.
  std::vector<std::vector<std::string>> lastChoiceRows;

  // Queues the answer to the next question.
  void answer(bool yes) { m_answers.push_back(yes); }
  void answerInput(std::optional<std::string> text) { m_inputs.push_back(std::move(text)); }

  std::vector<Call> calls;
  // Runs while the next question is open (then it is cleared), for input that arrives behind
  // the box, such as a cell editor committing as the box takes the focus.
  std::function<void()> whileAsking;
  // The texts of the messages shown, in order.
  std::vector<std::string> messages() const;

 private:
  std::deque<bool> m_answers;
  std::deque<std::optional<std::string>> m_inputs;
  std::deque<std::optional<int>> m_choices;
};

// Holds posted tasks until the test runs them on its own thread with drain().
class ManualUiQueue : public UiQueue {
 public:
  void post(std::function<void()> task) override;
  // Runs every task posted so far, and those they post; returns how many ran.
  int drain();
  std::size_t pending() const;

 private:
  mutable std::mutex m_mutex;
  std::deque<std::function<void()>> m_tasks;
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
  void openSettingsWindow(SettingsPage page) override {
    calls.push_back("openSettings:" + std::to_string(static_cast<int>(page)));
  }
  void openAccountsWindow() override { calls.push_back("openAccounts"); }
  void openAddSupplierWindow() override {
    calls.push_back("openAddSupplier");
    if (onOpenAddSupplier) onOpenAddSupplier();
  }
  // Without a stand-in the shift change goes on as where no close window exists.
  void openShiftCloseWindow() override {
    calls.push_back("openShiftClose");
    if (onOpenShiftClose) {
      onOpenShiftClose();
    } else {
      Windows::openShiftCloseWindow();
    }
  }
  void openShiftReportWindow() override { calls.push_back("openShiftReport"); }
  void openSalesReportWindow() override { calls.push_back("openSalesReport"); }
  void openStockWindow() override { calls.push_back("openStock"); }
  void openCreateGoodsWindow() override { calls.push_back("openCreateGoods"); }
  void openMemberListWindow() override { calls.push_back("openMemberList"); }
  void openAddMemberWindow() override { calls.push_back("openAddMember"); }
  void openPurchaseWindow() override { calls.push_back("openPurchase"); }
  void openOrderList(OrderKind kind) override {
    calls.push_back(kind == OrderKind::Sale ? "openSalesList" : "openPurchaseList");
  }
  void openOrderDetail(OrderKind kind, const std::vector<std::string>& cells) override {
    calls.push_back(kind == OrderKind::Sale ? "openSaleDetail" : "openPurchaseDetail");
    detailCells = cells;
  }

  std::vector<std::string> calls;
  // Run when the main window is opened / destroyed, so a test can stand in a presenter.
  std::function<void()> onOpenMain;
  std::function<void()> onDestroyMain;
  // Run while the modal shift close window would be open.
  std::function<void()> onOpenShiftClose;
  // Run while the modal add-supplier window would be open.
  std::function<void()> onOpenAddSupplier;
  // The cells handed to the last openOrderDetail.
  std::vector<std::string> detailCells;

 private:
  bool m_mainLoaded = false;
};

}  // namespace cz::test
