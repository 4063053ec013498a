// Times the settings window's log functions on a log of a million entries and the supplier
// page's load of ten thousand suppliers, with the part that runs on the UI thread measured apart.
#include <benchmark/benchmark.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "admin/settings_presenter.h"
#include "bench_shop.h"
#include "core/app_context.h"
#include "core/bootstrap.h"
#include "core/dialogs.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/ui_queue.h"

namespace {

namespace fs = std::filesystem;

// Holds posted tasks until drain() runs them on the calling thread.
class HeldQueue : public cz::UiQueue {
 public:
  void post(std::function<void()> task) override {
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
  }
  void drain() {
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard lock(m_mutex);
        if (m_tasks.empty()) return;
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
      }
      task();
    }
  }

 private:
  std::mutex m_mutex;
  std::deque<std::function<void()>> m_tasks;
};

// A data.db with every table, `entries` log entries and `suppliers` suppliers, made once.
fs::path prepare(int entries, int suppliers) {
  const fs::path dir =
      fs::temp_directory_path() /
      ("chenzhou-admin-bench-" + std::to_string(entries) + "-" + std::to_string(suppliers));
  const fs::path file = dir / "data.db";
  if (fs::exists(file)) return dir;
  fs::create_directories(dir);
  cz::Database db;
  cz::Session session;
  cz::ListModel list;
  cz::SystemClock clock;
  cz::OperationLog log(db, session, clock, list);
  cz::AnsweringDialogs dialogs{true};
  if (!db.open(file.string()) || !cz::createSchema(db, log, dialogs)) return dir;
  db.execute("delete from 日志");  // the creation's own entry
  db.begin();
  for (int i = 0; i < entries; ++i) {
    db.execute("insert into 日志(时间,账号,类型,日志) values(?,?,?,?)",
               {"2026-01-01 08:00:00", "admin", std::to_string(i % 9),
                "[admin]成功登录了系统 " + std::to_string(i)});
  }
  for (int i = 0; i < suppliers; ++i) {
    db.execute("insert into 供应商(名称,联系方式,创建者) values(?,?,'admin')",
               {"供应商" + std::to_string(i), "138" + std::to_string(10000000 + i)});
  }
  db.commit();
  return dir;
}

// One process's worth of state on a copy of the prepared database.
struct Shop : bench::Shop<HeldQueue> {
  explicit Shop(const fs::path& dir) {
    session.dataDirectory = dir.string() + "/";
    session.permissions.flags.fill(true);
    db.open(session.databasePath());
  }
};

void BM_CheckLog(benchmark::State& state) {
  Shop shop(prepare(1000000, 0));
  cz::SettingsPresenter settings(shop.app, shop.dialogs);
  for (auto _ : state) {
    settings.checkLogClicked();
    benchmark::DoNotOptimize(settings.logCountCaption());
  }
  if (settings.logCountCaption() != "日志条数：1000000条") state.SkipWithError("wrong count");
}
BENCHMARK(BM_CheckLog)->Unit(benchmark::kMillisecond);

void BM_ClearLog(benchmark::State& state) {
  const fs::path source = prepare(1000000, 0);
  const fs::path work = fs::temp_directory_path() / "chenzhou-admin-bench-clear";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy_file(source / "data.db", work / "data.db");
    auto shop = std::make_unique<Shop>(work);
    shop->log.reloadRecent();  // the log window lists the latest 100
    cz::SettingsPresenter settings(shop->app, shop->dialogs);
    state.ResumeTiming();

    settings.clearLogClicked();

    state.PauseTiming();
    if (shop->logList.itemCount() != 0) state.SkipWithError("the log list was not emptied");
    shop.reset();
    state.ResumeTiming();
  }
  fs::remove_all(work);
}
BENCHMARK(BM_ClearLog)->Iterations(3)->Unit(benchmark::kMillisecond);

// The whole load (worker read and UI fill) and, as a counter, the time spent on the UI thread.
void BM_LoadSuppliers(benchmark::State& state) {
  Shop shop(prepare(0, 10000));
  cz::SettingsPresenter settings(shop.app, shop.dialogs);
  cz::SupplierPagePresenter& page = settings.suppliers();
  double uiSeconds = 0;
  for (auto _ : state) {
    page.load();
    page.waitForLoad();
    const auto start = std::chrono::steady_clock::now();
    shop.queue.drain();
    uiSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  if (page.grid().rowCount() != 10001) state.SkipWithError("not every supplier was listed");
  state.counters["ui_fill_ms"] =
      benchmark::Counter(uiSeconds * 1000 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_LoadSuppliers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
