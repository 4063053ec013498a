// Times the start-up bootstrap on a database whose log holds a million entries: the reload of
// the latest 100 entries must not depend on how long the log is.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "big_shop.h"
#include "core/app_context.h"
#include "core/bootstrap.h"
#include "core/dialogs.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "storage/database.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/ui_queue.h"

namespace {

namespace fs = std::filesystem;

// A program directory whose data.db holds every table and `entries` log entries.
fs::path prepare(int entries) {
  const fs::path dir = fs::temp_directory_path() / ("chenzhou-bench-" + std::to_string(entries));
  const fs::path file = dir / "data.db";
  if (fs::exists(file)) return dir;
  fs::create_directories(dir);
  cz::Database db;
  if (!db.open(file.string())) return dir;
  db.execute("CREATE TABLE 日志 (时间 TEXT(13), 类型 TEXT(20), 账号 TEXT(20), 日志 TEXT)");
  db.begin();
  for (int i = 0; i < entries; ++i) {
    db.execute("insert into 日志(时间,账号,类型,日志) values(?,?,?,?)",
               {"2026-01-01 08:00:00", "admin", std::to_string(i % 9),
                "[admin]成功登录了系统 " + std::to_string(i)});
  }
  db.commit();
  return dir;
}

// Start-up to a usable login on the data.db in `dir`.
void timeBootstrap(benchmark::State& state, const fs::path& dir) {
  cz::AnsweringDialogs dialogs{false};
  cz::HeadlessWindows windows;
  cz::DiscardingUiQueue queue;
  cz::SystemClock clock;
  for (auto _ : state) {
    cz::Database db;
    cz::Session session;
    cz::ListModel list;
    cz::OperationLog log(db, session, clock, list);
    cz::AppContext app{db,      session, log,          clock,
                       windows, queue,   dir.string(), (dir / "memory.ini").string()};
    benchmark::DoNotOptimize(cz::runBootstrap(app, dialogs));
    if (list.itemCount() != 101) state.SkipWithError("the log list does not hold 101 rows");
    // Keep the log at its size: drop the welcome entry this start wrote.
    db.execute("delete from 日志 where rowid=(select max(rowid) from 日志)");
  }
}
void BM_Bootstrap(benchmark::State& state) {
  timeBootstrap(state, prepare(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_Bootstrap)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_BootstrapBigShop(benchmark::State& state) {
  const std::string big = bigShopFile();
  if (big.empty()) {
    state.SkipWithError("no big shop: make bigshop writes it");
    return;
  }
  timeBootstrap(state, fs::path(big).parent_path());
}
BENCHMARK(BM_BootstrapBigShop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
