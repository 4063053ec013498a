// Times the receipt printer's paths: the ESC/POS bytes of a 50-line receipt, what printing
// costs the UI thread after a checkout, and a checkout to the last byte on a loopback printer.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "../tests/support/loopback_printer.h"
#include "bench_shop.h"
#include "cashier/cart_receipt.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "printing/escpos.h"
#include "printing/print_spooler.h"
#include "printing/printer.h"
#include "printing/receipt.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/text_grid.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// 50 goods lines with names as long as a big shop's.
std::vector<cz::ReceiptLine> fiftyLines() {
  std::vector<cz::ReceiptLine> lines;
  for (int i = 0; i < 50; ++i) {
    lines.push_back({"晨舟纯牛奶250ml特浓高钙早餐奶" + std::to_string(i),
                     "69" + std::to_string(10000000000 + i), "12.5", std::to_string(1 + i % 6),
                     "12.5"});
  }
  return lines;
}

void BM_EscPosBytes50Lines(benchmark::State& state) {
  cz::Settings settings;
  settings.receiptFooter = "谢谢惠顾\r\n欢迎再来";
  const std::vector<cz::ReceiptLine> lines = fiftyLines();
  size_t bytes = 0;
  for (auto _ : state) {
    const cz::Receipt receipt =
        cz::composeReceipt(lines, "SX202612101796839103", {2026, 12, 10, 9, 5, 3}, "张三",
                           {"1875", "1687.5", "现金支付", "1875"}, settings);
    const std::string out = cz::escPosReceipt(receipt, static_cast<int>(state.range(0)), true);
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EscPosBytes50Lines)->Arg(58)->Arg(80)->Unit(benchmark::kMicrosecond);

// A program directory whose data.db holds every table and ten goods.
fs::path prepare() {
  const fs::path dir = fs::temp_directory_path() / "chenzhou-print-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  cz::Database db;
  db.open((dir / "data.db").string());
  for (const auto& table : cz::schemaTables()) db.createTable(table.name, table.columns);
  for (int i = 0; i < 10; ++i) {
    db.execute("insert into 库存 values(?,?,'瓶','',2,?,1000000000,'0','真')",
               {"晨舟纯牛奶" + std::to_string(i), "690" + std::to_string(i), "3.5"});
  }
  return dir;
}

// One running program with a sale presenter printing ESC/POS to `device`.
struct Shop : bench::SaleShop<> {
  Shop(const fs::path& dir, const std::string& device) : bench::SaleShop<>({.spooler = true}) {
    db.open((dir / "data.db").string());
    cz::ensureIndexes(db);
    session.settings.printer.method = cz::PrintMethod::EscPos;
    session.settings.printer.device = device;
    session.settings.printer.cashDrawer = true;
  }

  void fillCart() {
    sale.startNewOrder();
    for (int i = 0; i < 10; ++i) {
      sale.barcodeTextChanged("690" + std::to_string(i));
      sale.barcodeKeyDown(13);
    }
  }
};

// From 收款 to the receipt's last byte (and the drawer pulse) on a printer on loopback. The
// counters: the checkout handler's time on the UI thread (the durable commit included) and the
// part of it that printing takes (composing, the bytes, handing them to the spooler).
void BM_CheckoutToLastByte(benchmark::State& state) {
  cz::test::LoopbackPrinter printer;
  Shop shop(prepare(), printer.device());
  shop.fillCart();
  shop.sale.checkoutClicked();
  // The receipt, then the drawer pulse as a job of its own.
  if (!printer.waitForJobs(2)) {
    state.SkipWithError("the loopback printer got no receipt and pulse");
    return;
  }
  const size_t jobBytes = printer.jobs()[0].size() + printer.jobs()[1].size();
  size_t total = jobBytes;
  double handler = 0;
  double printing = 0;
  for (auto _ : state) {
    shop.fillCart();
    const auto start = Clock::now();
    shop.sale.checkoutClicked();
    const auto returned = Clock::now();
    total += jobBytes;
    Clock::time_point last;
    if (!printer.waitForBytes(total, last)) {
      state.SkipWithError("the receipt did not arrive");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(last - start).count());
    handler += std::chrono::duration<double, std::milli>(returned - start).count();

    // The printing part of the handler alone, on the same cart.
    const auto composeStart = Clock::now();
    const cz::Receipt receipt =
        cz::receiptFromCart(shop.area.cart, shop.sale.state().orderNumber, shop.clock.now(), "-",
                            {shop.sale.state().due, shop.sale.state().received, "现金支付", "0"},
                            shop.session.settings);
    shop.spooler->submit({printer.device(), cz::escPosReceipt(receipt, 58, false), true}, nullptr);
    shop.spooler->submit({printer.device(), cz::escPosDrawerPulse(), false}, nullptr);
    printing += std::chrono::duration<double, std::micro>(Clock::now() - composeStart).count();
    total += jobBytes;
    if (!printer.waitForBytes(total, last)) {
      state.SkipWithError("the second receipt did not arrive");
      return;
    }
  }
  state.counters["handler_ms"] = handler / static_cast<double>(state.iterations());
  state.counters["print_ui_us"] = printing / static_cast<double>(state.iterations());
  state.counters["bytes"] = static_cast<double>(jobBytes);
}
BENCHMARK(BM_CheckoutToLastByte)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

BENCHMARK_MAIN();
