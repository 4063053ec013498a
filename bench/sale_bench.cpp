// Times the sale's hot paths: a scan against a shop of 100 000 goods, a durable checkout of 20
// lines with a member, and scan / reprice / recompute on a 500-line cart.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_shop.h"
#include "cashier/cart.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "printing/printer.h"
#include "purchasing/purchase_entry.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/text_grid.h"
#include "util/timestamp.h"
#include "util/ui_queue.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGoods = 100000;

std::string barcodeOf(int i) {
  return "69" + std::to_string(10000000 + i);
}

// A program directory whose data.db holds every table, 100 000 goods and one member.
fs::path prepare() {
  const fs::path dir = fs::temp_directory_path() / "chenzhou-sale-bench";
  const fs::path file = dir / "data.db";
  if (fs::exists(file)) return dir;
  fs::create_directories(dir);
  cz::Database db;
  if (!db.open(file.string())) return dir;
  for (const auto& table : cz::schemaTables()) db.createTable(table.name, table.columns);
  db.begin();
  for (int i = 0; i < kGoods; ++i) {
    db.execute("insert into 库存 values(?,?,'瓶','',?,?,?,?,'真')",
               {"商品" + std::to_string(i), barcodeOf(i), "2", std::to_string(3 + i % 50) + ".5",
                "1000000000", i % 3 == 0 ? "9" : "0"});
  }
  db.execute(
      "insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) "
      "values('会员甲','13900000000','',8,0,'admin')");
  db.commit();
  return dir;
}

// The machine's time, moved on by a second at each order: a till opens at most about one order a
// second, and orders opened in the same second would each walk past the numbers taken before
// them, a cost that grows with the run and that no till sees.
class OrderClock : public cz::Clock {
 public:
  cz::LocalDateTime now() const override { return cz::dateTimeFromSeconds(m_seconds); }
  void nextOrder() { ++m_seconds; }

 private:
  std::int64_t m_seconds = cz::secondsSinceEpoch(cz::SystemClock().now());
};

// One running program on the prepared shop, with a sale presenter.
struct Shop : bench::SaleShop<cz::DiscardingUiQueue, OrderClock> {
  explicit Shop(const fs::path& dir) {
    db.open((dir / "data.db").string());
    cz::ensureIndexes(db);
    session.settings.printingEnabled = false;
  }
};

void scan(cz::SalePresenter& sale, const std::string& text) {
  sale.barcodeTextChanged(text);
  sale.barcodeKeyDown(13);
}

void BM_ScanToLine(benchmark::State& state) {
  Shop shop(prepare());
  shop.sale.startNewOrder();
  int i = 0;
  for (auto _ : state) {
    scan(shop.sale, barcodeOf((i++ * 7919) % kGoods));
    if (shop.area.cart.rowCount() > 50) {
      state.PauseTiming();
      shop.area.cart.reset();
      state.ResumeTiming();
    }
  }
  if (shop.dialogs.messages != 0) state.SkipWithError("a scan showed a message");
}
BENCHMARK(BM_ScanToLine)->Unit(benchmark::kMicrosecond);

// One write of 8 kB to a file in `dir` made durable with fdatasync, in milliseconds: the least a
// durable commit on that disk can cost. −1 when the file cannot be written.
double fdatasyncMs(const fs::path& dir) {
  const std::string path = (dir / "fdatasync-probe").string();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
  if (fd < 0) return -1;
  static const std::string block(8192, 'x');
  const auto start = std::chrono::steady_clock::now();
  const bool ok = ::pwrite(fd, block.data(), block.size(), 0) == static_cast<ssize_t>(block.size()) &&
                  ::fdatasync(fd) == 0;
  const auto end = std::chrono::steady_clock::now();
  ::close(fd);
  return ok ? std::chrono::duration<double, std::milli>(end - start).count() : -1;
}

double threadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The checkout's wall and CPU time are also kept per run, beside one fdatasync of the same folder
// taken between the runs, so the counters compare them under the same load: `wall_ms`, `cpu_ms`
// and `fdatasync_ms` are medians, `wall_per_sync` is wall_ms / fdatasync_ms.
void BM_Checkout20Lines(benchmark::State& state) {
  const fs::path dir = prepare();
  Shop shop(dir);
  int round = 0;
  std::vector<double> walls;
  std::vector<double> cpus;
  std::vector<double> syncs;
  for (auto _ : state) {
    state.PauseTiming();
    shop.clock.nextOrder();
    shop.sale.startNewOrder();
    for (int line = 0; line < 20; ++line) scan(shop.sale, barcodeOf(round * 20 + line));
    shop.sale.memberTextChanged("13900000000");
    shop.sale.memberKeyDown(13);
    ++round;
    const int before = shop.dialogs.messages;
    syncs.push_back(fdatasyncMs(dir));
    state.ResumeTiming();
    const double cpuStart = threadCpuMs();
    const auto wallStart = std::chrono::steady_clock::now();
    shop.sale.checkoutClicked();
    const auto wallEnd = std::chrono::steady_clock::now();
    const double cpuEnd = threadCpuMs();
    walls.push_back(std::chrono::duration<double, std::milli>(wallEnd - wallStart).count());
    cpus.push_back(cpuEnd - cpuStart);
    if (shop.dialogs.messages != before + 1 || shop.sale.orderOpen()) {
      state.SkipWithError("the checkout did not complete");
    }
  }
  const double sync = median(syncs);
  state.counters["wall_ms"] = median(walls);
  state.counters["cpu_ms"] = median(cpus);
  state.counters["fdatasync_ms"] = sync;
  state.counters["wall_per_sync"] = sync > 0 ? median(walls) / sync : 0;
  fs::remove(dir / "fdatasync-probe");
  // Leave the shop as it was for the next run.
  shop.db.execute("delete from 销售");
  shop.db.execute("update 库存 set 当前库存=1000000000");
}
BENCHMARK(BM_Checkout20Lines)->Unit(benchmark::kMillisecond);

void BM_Purchase20Lines(benchmark::State& state) {
  Shop shop(prepare());
  // A shop prepared by an older run may have no supplier yet.
  shop.db.execute(
      "insert into 供应商(名称,联系方式,创建者) select '甲商行','13800000000','admin' "
      "where not exists (select 1 from 供应商 where 名称='甲商行')");
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    shop.clock.nextOrder();
    cz::PurchasePresenter purchase(shop.app, shop.dialogs, shop.dialogs);
    for (int line = 0; line < 20; ++line) {
      purchase.barcodeText = barcodeOf(round * 20 + line);
      purchase.barcodeKeyDown(13);
    }
    purchase.supplierText = "甲商行";
    purchase.supplierKeyDown(13);
    ++round;
    const int before = shop.dialogs.messages;
    state.ResumeTiming();
    purchase.submit();
    if (shop.dialogs.messages != before + 1 || purchase.submitEnabled()) {
      state.SkipWithError("the purchase was not stored");
    }
  }
  shop.db.execute("delete from 进货");
  shop.db.execute("update 库存 set 当前库存=1000000000");
}
BENCHMARK(BM_Purchase20Lines)->Unit(benchmark::kMillisecond);

// A cart of 500 lines, built without a database.
struct BigCart {
  BigCart() {
    cz::setUpSaleArea(area);
    for (int i = 0; i < 500; ++i) {
      cz::GoodsRecord g;
      g.name = "商品" + std::to_string(i);
      g.barcode = barcodeOf(i);
      g.salePrice = 3.5f + static_cast<float>(i % 50);
      g.costPrice = 2;
      g.stock = 1000000000;
      g.minimumRate = i % 3 == 0 ? 9 : 0;
      g.earnsPoints = true;
      cz::addGoodsToCart(area.cart, g, cz::AddSource::Scanned, 10);
      last = g;
    }
  }
  cz::SaleArea area;
  cz::GoodsRecord last;
};

void BM_Cart500Scan(benchmark::State& state) {
  BigCart cart;
  for (auto _ : state) {
    // The last line: the longest walk to find it.
    cz::addGoodsToCart(cart.area.cart, cart.last, cz::AddSource::Scanned, 10);
    benchmark::DoNotOptimize(cz::recomputeTotals(cart.area.cart));
  }
}
BENCHMARK(BM_Cart500Scan)->Unit(benchmark::kMicrosecond);

void BM_Cart500Reprice(benchmark::State& state) {
  BigCart cart;
  float rate = 8;
  for (auto _ : state) {
    cz::repriceCart(cart.area.cart, rate);
    rate = rate == 8 ? 9 : 8;
  }
}
BENCHMARK(BM_Cart500Reprice)->Unit(benchmark::kMicrosecond);

void BM_Cart500Recompute(benchmark::State& state) {
  BigCart cart;
  for (auto _ : state) benchmark::DoNotOptimize(cz::recomputeTotals(cart.area.cart));
}
BENCHMARK(BM_Cart500Recompute)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
