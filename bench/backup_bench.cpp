// Times the backups on the big shop (2.8 GB): one copy at the program's pace and at full speed,
// the longest the UI thread is held by a running backup, and a checkout of 20 lines while a
// backup copies the same file. The big shop is only read; the checkout runs on a copy of it in
// the temp folder, made once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "big_shop.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/backup_service.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "printing/printer.h"
#include "storage/backup.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/ini_file.h"
#include "util/list_model.h"
#include "util/ui_queue.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

fs::path scratch() {
  const fs::path dir = fs::temp_directory_path() / "chenzhou-backup-bench";
  fs::create_directories(dir);
  return dir;
}

// One copy of the big shop into an empty folder; the copy is removed afterwards.
void copyBigShop(benchmark::State& state, int pagesPerStep, std::chrono::milliseconds pause) {
  const std::string shop = bigShopFile();
  if (shop.empty()) {
    state.SkipWithError("no big shop (CHENZHOU_BIGSHOP_DB)");
    return;
  }
  const fs::path folder = scratch() / "copies";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const double megabytes = static_cast<double>(fs::file_size(shop)) / 1e6;
  for (auto _ : state) {
    cz::CopyControl control;
    control.pagesPerStep = pagesPerStep;
    control.pause = pause;
    const cz::BackupResult result =
        cz::writeBackup(shop, folder.string(), 1, cz::SystemClock().now(), control);
    if (!result.ok) state.SkipWithError(result.error.c_str());
    state.PauseTiming();
    fs::remove_all(folder);
    fs::create_directories(folder);
    state.ResumeTiming();
  }
  state.counters["MB"] = megabytes;
  state.counters["MB_per_s"] = benchmark::Counter(
      megabytes * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  fs::remove_all(folder);
}

// The pace of a backup while the till may be storing orders (立即备份, the day's first start,
// --backup): 256 pages, each megabyte sent to the disk, then 10 ms for the till.
void BM_BackupBigShop(benchmark::State& state) {
  const cz::CopyControl pace;
  copyBigShop(state, pace.pagesPerStep, pace.pause);
}
BENCHMARK(BM_BackupBigShop)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// The pace at exit and during a restore, when nobody works at the till.
void BM_BackupBigShopAlone(benchmark::State& state) {
  copyBigShop(state, 4096, std::chrono::milliseconds(0));
}
BENCHMARK(BM_BackupBigShopAlone)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// The UI thread's queue: tasks from the worker wait here until the loop below runs them.
class LoopQueue : public cz::UiQueue {
 public:
  void post(std::function<void()> task) override {
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
  }
  // Runs what is queued; returns the longest single task.
  Clock::duration drain() {
    Clock::duration longest{};
    while (true) {
      std::function<void()> task;
      {
        std::lock_guard lock(m_mutex);
        if (m_tasks.empty()) return longest;
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
      }
      const auto start = Clock::now();
      task();
      longest = std::max(longest, Clock::now() - start);
    }
  }

 private:
  std::mutex m_mutex;
  std::deque<std::function<void()>> m_tasks;
};

class SilentScreen : public cz::BackupScreen {
 public:
  void showProgress(const std::string&, bool, std::function<void()>) override {}
  void setProgress(std::int64_t, std::int64_t) override { ++updates; }
  void hideProgress() override {}
  void notify(const std::string&, const std::string&, cz::MessageIcon) override {}
  int updates = 0;
};

// 立即备份 of the big shop through the program's backups, the UI thread running a loop that
// wakes every millisecond as an event loop does. The time is the longest the UI thread spent in
// one piece of the backup's work (starting it, a progress update, its outcome); max_late_ms is
// how late the loop woke at worst.
void BM_BackupUiThreadLongestBlock(benchmark::State& state) {
  const std::string shop = bigShopFile();
  if (shop.empty()) {
    state.SkipWithError("no big shop (CHENZHOU_BIGSHOP_DB)");
    return;
  }
  // A program folder whose data.db is the big shop (a link: the shop is only read) and whose
  // settings send the copies to the temp folder.
  const fs::path program = scratch() / "program";
  fs::remove_all(program);
  fs::create_directories(program / "备份");
  fs::create_symlink(shop, program / "data.db");
  cz::IniFile((program / "配置.ini").string()).write("备份", "目录", (program / "备份").string());

  cz::Database db;  // never opened: opening would switch the shop to the write-ahead log
  cz::Session session;
  session.dataDirectory = program.string() + "/";
  cz::ListModel logList;
  cz::SystemClock clock;
  cz::HeadlessWindows windows;
  LoopQueue queue;
  cz::OperationLog log{db, session, clock, logList};
  cz::AppContext app{db, session, log, clock, windows, queue, program.string(), ""};
  cz::AnsweringDialogs dialogs{true};
  SilentScreen screen;
  double longestTask = 0;
  double latest = 0;
  for (auto _ : state) {
    cz::Backups backups(app, dialogs, screen);
    app.backups = &backups;
    {
      cz::BackupClient client(app, dialogs, screen);
      const auto start = Clock::now();
      backups.backupNow(client);
      Clock::duration longest = Clock::now() - start;
      Clock::duration late{};
      while (backups.busy()) {
        const auto before = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        late = std::max(late, Clock::now() - before - std::chrono::milliseconds(1));
        longest = std::max(longest, queue.drain());
      }
      longestTask = std::max(longestTask, milliseconds(longest));
      latest = std::max(latest, milliseconds(late));
      state.SetIterationTime(std::chrono::duration<double>(longest).count());
    }
    app.backups = nullptr;
    if (dialogs.messages != 1) state.SkipWithError("the backup did not report its outcome");
  }
  state.counters["max_late_ms"] = latest;
  state.counters["progress_updates"] = screen.updates;
  fs::remove_all(program);
}
BENCHMARK(BM_BackupUiThreadLongestBlock)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime();

// A writable copy of the big shop, made once (delete it to make it anew).
std::string writableShop() {
  const std::string shop = bigShopFile();
  if (shop.empty()) return {};
  const fs::path copy = scratch() / "shop" / "data.db";
  if (!fs::exists(copy)) {
    fs::create_directories(copy.parent_path());
    const fs::path part = copy.string() + ".part";
    fs::copy_file(shop, part, fs::copy_options::overwrite_existing);
    fs::rename(part, copy);
  }
  return copy.string();
}

// The till on the writable copy, with 20 goods that never run out.
struct Till {
  explicit Till(const std::string& file) {
    db.open(file);
    cz::ensureIndexes(db);
    session.currentAccount = "admin";
    session.settings.printingEnabled = false;
    cz::setUpSaleArea(area);
    cz::RecordSet goods(db);
    goods.open("select 条码 from 库存 where rowid % 997 = 0 limit 20");
    while (goods.next()) barcodes.push_back(goods.field(1));
    for (const std::string& code : barcodes) {
      db.execute("update 库存 set 当前库存=1000000000 where 条码=?", {code});
    }
    cz::RecordSet last(db);
    last.open("select max(rowid) from 销售");
    if (last.next()) lastSale = last.field(1);
  }
  ~Till() {
    // The copy keeps its size from one run to the next.
    db.execute("delete from 销售 where rowid > ?", {lastSale.empty() ? "0" : lastSale});
  }
  // One checkout of 20 lines; its time.
  Clock::duration checkout() {
    sale.startNewOrder();
    for (const std::string& code : barcodes) {
      sale.barcodeTextChanged(code);
      sale.barcodeKeyDown(13);
    }
    const int before = dialogs.messages;
    const auto start = Clock::now();
    sale.checkoutClicked();
    const auto took = Clock::now() - start;
    if (dialogs.messages != before + 1 || sale.orderOpen()) failed = true;
    return took;
  }

  cz::Database db;
  cz::Session session;
  cz::ListModel logList;
  cz::SystemClock clock;
  cz::HeadlessWindows windows;
  cz::DiscardingUiQueue queue;
  cz::OperationLog log{db, session, clock, logList};
  cz::AppContext app{db, session, log, clock, windows, queue, "", ""};
  cz::AnsweringDialogs dialogs{true};
  cz::NoPrinter printer;
  cz::SaleArea area;
  cz::SalePresenter sale{app, dialogs, printer, area};
  std::vector<std::string> barcodes;
  std::string lastSale;
  bool failed = false;
};

void report(benchmark::State& state, std::vector<double> times) {
  if (times.empty()) return;
  std::sort(times.begin(), times.end());
  state.counters["median_ms"] = times[times.size() / 2];
  state.counters["p99_ms"] = times[std::min(times.size() - 1, times.size() * 99 / 100)];
  state.counters["max_ms"] = times.back();
  state.counters["checkouts"] = static_cast<double>(times.size());
}

// A durable checkout of 20 lines on the big shop, nothing else running: the figure to compare.
void BM_CheckoutBigShop(benchmark::State& state) {
  const std::string file = writableShop();
  if (file.empty()) {
    state.SkipWithError("no big shop (CHENZHOU_BIGSHOP_DB)");
    return;
  }
  Till till(file);
  std::vector<double> times;
  for (auto _ : state) {
    const auto took = till.checkout();
    state.SetIterationTime(std::chrono::duration<double>(took).count());
    times.push_back(milliseconds(took));
  }
  if (till.failed || till.barcodes.size() != 20) state.SkipWithError("a checkout failed");
  report(state, times);
}
BENCHMARK(BM_CheckoutBigShop)->Unit(benchmark::kMillisecond)->Iterations(200)->UseManualTime();

// The same checkout while a backup copies the same file at the background pace, from its own
// connection, as 立即备份 or the day's first start does: one checkout every 20 ms for the
// whole copy (and the first ones after it, which would fold the log the copy held back).
void BM_CheckoutDuringBackup(benchmark::State& state) {
  const std::string file = writableShop();
  if (file.empty()) {
    state.SkipWithError("no big shop (CHENZHOU_BIGSHOP_DB)");
    return;
  }
  Till till(file);
  const fs::path folder = scratch() / "copies-of-the-till";
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::vector<double> times;
  std::string error;
  for (auto _ : state) {
    std::atomic<bool> done{false};
    std::thread backup([&] {
      cz::CopyControl control;
      const cz::BackupResult result =
          cz::writeBackup(file, folder.string(), 1, cz::SystemClock().now(), control);
      if (!result.ok) error = result.error;
      done = true;
    });
    Clock::duration total{};
    int count = 0;
    std::optional<Clock::time_point> end;
    while (!end || Clock::now() < *end + std::chrono::seconds(1)) {
      if (done && !end) end = Clock::now();
      const auto took = till.checkout();
      total += took;
      ++count;
      times.push_back(milliseconds(took));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    backup.join();
    state.SetIterationTime(std::chrono::duration<double>(total).count() / std::max(1, count));
  }
  if (!error.empty()) state.SkipWithError(error.c_str());
  if (till.failed) state.SkipWithError("a checkout failed");
  report(state, times);
  fs::remove_all(folder);
}
BENCHMARK(BM_CheckoutDuringBackup)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
