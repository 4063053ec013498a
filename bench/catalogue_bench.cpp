// Times the stock list and the member list loads of a big shop through their presenters: the
// first rows on screen and the whole list, with the worker thread handing batches to a queue
// that this thread runs, as the UI thread would. Also reports the grid's heap bytes per row.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "bench_shop.h"
#include "big_shop.h"
#include "catalogue/goods_presenter.h"
#include "catalogue/member_presenter.h"
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
using Clock = std::chrono::steady_clock;

// The UI thread's queue: tasks posted by the worker wait until this thread runs them.
class WaitingQueue : public cz::UiQueue {
 public:
  void post(std::function<void()> task) override {
    {
      std::lock_guard lock(m_mutex);
      m_tasks.push_back(std::move(task));
    }
    m_ready.notify_one();
  }
  // Runs tasks as they arrive until `done` holds.
  void runUntil(const std::function<bool()>& done) {
    while (!done()) {
      std::function<void()> task;
      {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_tasks.empty(); });
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
      }
      task();
    }
  }
  void clear() {
    std::lock_guard lock(m_mutex);
    m_tasks.clear();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_ready;
  std::deque<std::function<void()>> m_tasks;
};

// A program directory whose data.db holds 100 000 goods and 10 000 members with texts of
// everyday length.
fs::path prepare() {
  const fs::path dir = fs::temp_directory_path() / "chenzhou-bench-catalogue";
  const fs::path file = dir / "data.db";
  if (fs::exists(file)) return dir;
  fs::create_directories(dir);
  cz::Database db;
  cz::Session session;
  cz::ListModel list;
  cz::SystemClock clock;
  cz::OperationLog log(db, session, clock, list);
  cz::AnsweringDialogs dialogs{false};
  if (!db.open(file.string()) || !cz::createSchema(db, log, dialogs)) return dir;
  db.begin();
  for (int i = 1; i <= 100000; ++i) {
    const std::string n = std::to_string(i);
    db.execute("insert into 库存 values(?,?,?,?,?,?,?,?,?)",
               {"商品名称" + n, "69" + std::string(11 - n.size(), '0') + n, "500ml×12", "备注" + n,
                "3.5", "12.8", std::to_string(i % 500), "8.5", i % 3 ? "真" : "假"});
  }
  for (int i = 1; i <= 10000; ++i) {
    const std::string n = std::to_string(i);
    db.execute("insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) values(?,?,?,?,?,?)",
               {"会员" + n, "138" + std::string(8 - n.size(), '0') + n, "", "9.5", n, "admin"});
  }
  db.commit();
  return dir;
}

struct Shop : bench::Shop<WaitingQueue> {
  Shop() : bench::Shop<WaitingQueue>({.answer = false}) {
    app.dataFolder = dir.string();
    app.accountMemoryPath = (dir / "memory.ini").string();
    db.open((dir / "data.db").string());
    session.permissions.flags.fill(true);
  }
  fs::path dir = bigShopFile().empty() ? prepare() : fs::path(bigShopFile()).parent_path();
};

std::size_t heapInUse() {
  return mallinfo2().uordblks;
}

template <typename Presenter>
void timeLoad(benchmark::State& state, bool firstRowsOnly, int expectedRows) {
  Shop shop;
  double bytesPerRow = 0;
  for (auto _ : state) {
    const std::size_t before = heapInUse();
    const auto start = Clock::now();
    {
      Presenter presenter(shop.app, shop.dialogs);
      presenter.created();
      shop.queue.runUntil(
          [&] { return firstRowsOnly ? presenter.grid().rowCount() > 1 : !presenter.loading(); });
      const auto end = Clock::now();
      state.SetIterationTime(std::chrono::duration<double>(end - start).count());
      if (!firstRowsOnly) {
        if (presenter.grid().rowCount() != expectedRows + 1) state.SkipWithError("rows missing");
        bytesPerRow = static_cast<double>(heapInUse() - before) / expectedRows;
      }
    }
    shop.queue.clear();
  }
  if (!firstRowsOnly) state.counters["heap_bytes_per_row"] = bytesPerRow;
}

void BM_StockListFirstRows(benchmark::State& state) {
  timeLoad<cz::StockListPresenter>(state, true, 100000);
}
void BM_StockListFullLoad(benchmark::State& state) {
  timeLoad<cz::StockListPresenter>(state, false, 100000);
}
void BM_MemberListFirstRows(benchmark::State& state) {
  timeLoad<cz::MemberListPresenter>(state, true, 10000);
}
void BM_MemberListFullLoad(benchmark::State& state) {
  timeLoad<cz::MemberListPresenter>(state, false, 10000);
}

BENCHMARK(BM_StockListFirstRows)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StockListFullLoad)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemberListFirstRows)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemberListFullLoad)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
