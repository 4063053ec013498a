#include "reports/report_runner.h"

#include <cmath>
#include <utility>

#include "storage/database.h"
#include "util/ui_queue.h"

namespace cz {

struct ReportRunner::State {
  std::atomic<bool> cancelled{false};
  // Touched on the UI thread only.
  bool finished = false;
};

ReportRunner::~ReportRunner() {
  cancel();
  wait();
}

void ReportRunner::start(Database& db, const ReportDay& first, const ReportDay& last,
                         Progress progress, Done done) {
  cancel();
  wait();
  auto state = std::make_shared<State>();
  m_current = state;
  m_thread = std::thread([state, &db, &ui = m_ui, first, last, progress = std::move(progress),
                          done = std::move(done)]() mutable {
    int shown = -1;
    ReportProgress tell;
    tell.cancelled = &state->cancelled;
    tell.progress = [&](double share) {
      const int percent = static_cast<int>(std::floor(share * 100));
      if (percent == shown) return;
      shown = percent;
      ui.post([state, progress, share] {
        if (!state->cancelled.load()) progress(share);
      });
    };
    auto report = std::make_shared<SalesReport>();
    const ReportResult result = readSalesReport(db, first, last, *report, tell);
    const std::string error = result == ReportResult::Failed ? db.lastError() : std::string();
    ui.post([state, report, result, error, done = std::move(done)] {
      if (state->cancelled.load()) return;
      state->finished = true;
      done(result, std::move(*report), error);
    });
  });
}

void ReportRunner::cancel() {
  if (m_current) m_current->cancelled.store(true);
}

void ReportRunner::wait() {
  if (m_thread.joinable()) m_thread.join();
}

bool ReportRunner::running() const {
  return m_current && !m_current->cancelled.load() && !m_current->finished;
}

}  // namespace cz
