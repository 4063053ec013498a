#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "reports/sales_report.h"

namespace cz {

class Database;
class UiQueue;

// Reads one sales report at a time on a worker thread and hands its progress and its result to
// the UI thread. A new start() or cancel() drops the running read: nothing more of it arrives.
// The destructor cancels and waits for the thread, so a window closed mid-read neither crashes
// nor leaks.
class ReportRunner {
 public:
  // On the UI thread: the share done, 0 to 1 (only when it moved by a percent or more).
  using Progress = std::function<void(double done)>;
  // On the UI thread, once: the result; `error` is the database's text when it Failed.
  using Done = std::function<void(ReportResult result, SalesReport&& report, std::string error)>;

  explicit ReportRunner(UiQueue& ui) : m_ui(ui) {}
  ~ReportRunner();
  ReportRunner(const ReportRunner&) = delete;
  ReportRunner& operator=(const ReportRunner&) = delete;

  void start(Database& db, const ReportDay& first, const ReportDay& last, Progress progress,
             Done done);
  void cancel();
  // Waits for the worker thread; its last messages are then queued on the UI queue.
  void wait();
  // From start() until its result arrived, or it was cancelled.
  bool running() const;

 private:
  struct State;
  UiQueue& m_ui;
  std::shared_ptr<State> m_current;
  std::thread m_thread;
};

}  // namespace cz
