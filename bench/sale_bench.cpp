// Times the sale's hot paths: a scan against a shop of 100 000 goods, a durable checkout of 20
// lines with a member, and scan / reprice / recompute on a 500-line cart.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "cashier/cart.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/clock.h"
#include "core/database.h"
#include "core/dialogs.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/windows.h"
#include "printing/printer.h"
#include "purchasing/purchase_entry.h"
#include "util/list_model.h"
#include "util/text_grid.h"
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

// One running program on the prepared shop, with a sale presenter.
struct Shop {
  explicit Shop(const fs::path& dir) {
    db.open((dir / "data.db").string());
    cz::ensureIndexes(db);
    session.currentAccount = "admin";
    session.settings.printingEnabled = false;
    cz::setUpSaleArea(area);
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

void BM_Checkout20Lines(benchmark::State& state) {
  Shop shop(prepare());
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    shop.sale.startNewOrder();
    for (int line = 0; line < 20; ++line) scan(shop.sale, barcodeOf(round * 20 + line));
    shop.sale.memberTextChanged("13900000000");
    shop.sale.memberKeyDown(13);
    ++round;
    const int before = shop.dialogs.messages;
    state.ResumeTiming();
    shop.sale.checkoutClicked();
    if (shop.dialogs.messages != before + 1 || shop.sale.orderOpen()) {
      state.SkipWithError("the checkout did not complete");
    }
  }
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
