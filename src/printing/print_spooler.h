#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace cz {

class UiQueue;

// A byte stream for a receipt printer and where it goes.
struct PrintJob {
  std::string device;  // the [打印机] 设备 text
  std::string bytes;
  // Ask the paper sensor first (DLE EOT 4) and send nothing when the paper is out. A printer
  // that does not answer in time is sent the job as usual.
  bool checkPaper = false;
};

// How long a job may take.
struct PrintLimits {
  // From the start of the job to its last byte delivered.
  std::chrono::milliseconds job{5000};
  // How long the printer has to answer the paper question.
  std::chrono::milliseconds statusAnswer{400};
};

// Sends one job now, on the calling thread: connects, asks for the paper when the job says so,
// writes, and waits until the printer has the bytes. `cancelFd` (or -1) stops it at once when it
// becomes readable. Returns empty text when delivered, otherwise the reason for the cashier
// ("缺纸", "连接打印机127.0.0.1:9100超时", …).
std::string sendPrintJob(const PrintJob& job, const PrintLimits& limits, int cancelFd = -1);

// Sends print jobs on a thread of its own, one after the other in the order submitted, so the
// UI thread never waits for a printer. Each outcome is handed to the UI thread.
class PrintSpooler {
 public:
  // Empty text when the job was delivered, otherwise the reason.
  using Done = std::function<void(const std::string& failure)>;

  // `ui` runs the outcomes on the UI thread.
  explicit PrintSpooler(UiQueue& ui, PrintLimits limits = {});
  // Stops the job being sent at once and drops the waiting ones; their outcomes never come.
  ~PrintSpooler();
  PrintSpooler(const PrintSpooler&) = delete;
  PrintSpooler& operator=(const PrintSpooler&) = delete;

  // Queues the job; `done` runs on the UI thread once it is delivered or failed.
  void submit(PrintJob job, Done done);

  // Waits until every job submitted so far is delivered or failed, at most one job's time limit
  // in all; then stops whatever is still being sent. For the end of the program: outcomes posted
  // meanwhile are not waited for.
  void finishPending();

 private:
  void run();

  UiQueue& m_ui;
  const PrintLimits m_limits;
  int m_cancel[2] = {-1, -1};
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::pair<PrintJob, Done>> m_jobs;
  bool m_stopping = false;
  // A job is being sent.
  bool m_sending = false;
  std::condition_variable m_idle;
  std::thread m_thread;
};

}  // namespace cz
