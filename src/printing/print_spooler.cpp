#include "printing/print_spooler.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "printing/escpos.h"
#include "printing/printer_port.h"
#include "util/ui_queue.h"

namespace cz {

std::string sendPrintJob(const PrintJob& job, const PrintLimits& limits, int cancelFd) {
  const Deadline deadline = std::chrono::steady_clock::now() + limits.job;
  std::string error;
  const std::unique_ptr<PrinterConnection> printer =
      connectPrinter(parsePrinterTarget(job.device), deadline, cancelFd, error);
  if (!printer) return error;
  if (job.checkPaper) {
    const Deadline answerBy =
        std::min(deadline, std::chrono::steady_clock::now() + limits.statusAnswer);
    const std::string answer = printer->ask(escpos::kPaperStatusRequest, answerBy);
    for (const char c : answer) {
      if (paperOutInStatus(static_cast<unsigned char>(c))) return "缺纸";
    }
  }
  error = printer->write(job.bytes, deadline);
  if (!error.empty()) return error;
  return printer->finish(deadline);
}

PrintSpooler::PrintSpooler(UiQueue& ui, PrintLimits limits) : m_ui(ui), m_limits(limits) {
  if (pipe2(m_cancel, O_CLOEXEC | O_NONBLOCK) != 0) m_cancel[0] = m_cancel[1] = -1;
  m_thread = std::thread([this] { run(); });
}

PrintSpooler::~PrintSpooler() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_jobs.clear();
  }
  m_wake.notify_all();
  if (m_cancel[1] >= 0) {
    const char stop = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_cancel[1], &stop, 1);
  }
  m_thread.join();
  for (const int fd : m_cancel) {
    if (fd >= 0) ::close(fd);
  }
}

void PrintSpooler::submit(PrintJob job, Done done) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping) return;
    m_jobs.emplace_back(std::move(job), std::move(done));
  }
  m_wake.notify_one();
}

void PrintSpooler::finishPending() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_idle.wait_for(lock, m_limits.job, [this] { return m_jobs.empty() && !m_sending; });
}

void PrintSpooler::run() {
  for (;;) {
    std::pair<PrintJob, Done> next;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
      if (m_stopping) return;
      next = std::move(m_jobs.front());
      m_jobs.pop_front();
      m_sending = true;
    }
    std::string failure = sendPrintJob(next.first, m_limits, m_cancel[0]);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_sending = false;
      m_idle.notify_all();
      if (m_stopping) return;
    }
    if (next.second) {
      m_ui.post([done = std::move(next.second), failure = std::move(failure)] { done(failure); });
    }
  }
}

}  // namespace cz
