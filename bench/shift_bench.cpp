// Times the till's day: the shift report over 2 000 orders inside a file of 1 000 000, and
// parking and taking back an order of 50 lines, each durable.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/shift_report.h"
#include "printing/printer.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/timestamp.h"

namespace {

namespace fs = std::filesystem;

constexpr int kOrders = 1000000;
constexpr int kShiftOrders = 2000;
// The shift's day; the orders before it spread over the two years up to it.
const cz::LocalDateTime kShiftDay{2026, 11, 30, 0, 0, 0};

// Answers every question 是 and picks the first parked order.
class PickingDialogs : public cz::AnsweringDialogs {
 public:
  PickingDialogs() : AnsweringDialogs(true) {}
  std::optional<int> choose(const std::string&, const std::vector<std::string>&,
                            const std::vector<std::vector<std::string>>&) override {
    return 0;
  }
};

std::string details(int lines) {
  std::string text = "{\"详情页\":[";
  for (int i = 0; i < lines; ++i) {
    text += std::string(i ? "," : "") +
            "{\"商品名称\":\"商品\",\"条码\":\"6901\",\"单价\":\"3.5\",\"数量\":\"2\","
            "\"总价\":\"7\",\"折扣\":\"10\",\"实收\":\"7\"}";
  }
  return text + "]}";
}

// data.db with every table and 1 000 000 sales, the last 2 000 of them on the shift's day.
fs::path prepareSales() {
  const fs::path dir = fs::temp_directory_path() / "chenzhou-shift-bench";
  const fs::path file = dir / "data.db";
  if (fs::exists(file)) return file;
  fs::create_directories(dir);
  cz::Database db;
  if (!db.open(file.string())) return file;
  for (const auto& table : cz::schemaTables()) db.createTable(table.name, table.columns);
  cz::ensureIndexes(db);
  const std::int64_t dayStart = cz::secondsSinceEpoch(kShiftDay);
  const std::int64_t before = kOrders - kShiftOrders;
  const char* payments[] = {"现金支付", "微信支付", "支付宝支付", "其他支付"};
  db.begin();
  for (int i = 0; i < kOrders; ++i) {
    // Two years of orders before the day, then the shift's from 08:00 on, 15 s apart.
    const std::int64_t at = i < before ? dayStart - 2 * 365 * 86400 + i * (2 * 365 * 86400 / before)
                                       : dayStart + 8 * 3600 + (i - before) * 15;
    const std::string when = cz::timestampText(cz::dateTimeFromSeconds(at));
    db.execute(
        "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
        "values(?,?,'-','',?,'21','20.5','0',?,?)",
        {"SX" + std::to_string(i), when, details(1 + i % 5), payments[i % 4],
         i % 2 ? "admin" : "clerk"});
    if (i % 100000 == 99999) {
      db.commit();
      db.begin();
    }
  }
  db.commit();
  return file;
}

void BM_ShiftReport2000Of1000000(benchmark::State& state) {
  cz::Database db;
  if (!db.open(prepareSales().string())) {
    state.SkipWithError("no data.db");
    return;
  }
  cz::LocalDateTime end = kShiftDay;
  end.hour = 23;
  const std::string start = cz::currentShiftStart(db, end);
  for (auto _ : state) {
    cz::ShiftFigures figures;
    if (!cz::readShiftFigures(db, start, cz::timestampText(end), figures) ||
        figures.orders != kShiftOrders) {
      state.SkipWithError("the report did not find the shift's orders");
    }
  }
}
BENCHMARK(BM_ShiftReport2000Of1000000)->Unit(benchmark::kMillisecond);

std::string barcodeOf(int i) {
  return "69" + std::to_string(10000000 + i);
}

// A small shop of 100 goods for the parked orders.
struct Till {
  Till() {
    const fs::path dir = fs::temp_directory_path() / "chenzhou-park-bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    db.open((dir / "data.db").string());
    for (const auto& table : cz::schemaTables()) db.createTable(table.name, table.columns);
    cz::ensureIndexes(db);
    db.begin();
    for (int i = 0; i < 100; ++i) {
      db.execute("insert into 库存 values(?,?,'瓶','',1,2.5,1000000,0,'真')",
                 {"商品" + std::to_string(i), barcodeOf(i)});
    }
    db.commit();
    session.currentAccount = "admin";
    session.settings.printingEnabled = false;
    cz::setUpSaleArea(area);
  }
  void fillCart() {
    sale.startNewOrder();
    for (int line = 0; line < 50; ++line) {
      sale.barcodeTextChanged(barcodeOf(line));
      sale.barcodeKeyDown(13);
    }
  }
  cz::Database db;
  cz::Session session;
  cz::ListModel logList;
  cz::SystemClock clock;
  cz::HeadlessWindows windows;
  cz::DiscardingUiQueue queue;
  cz::OperationLog log{db, session, clock, logList};
  cz::AppContext app{db, session, log, clock, windows, queue, "", ""};
  PickingDialogs dialogs;
  cz::NoPrinter printer;
  cz::SaleArea area;
  cz::SalePresenter sale{app, dialogs, printer, area};
};

void BM_Park50Lines(benchmark::State& state) {
  Till till;
  for (auto _ : state) {
    state.PauseTiming();
    till.fillCart();
    state.ResumeTiming();
    till.sale.parkClicked();
    if (till.sale.orderOpen()) state.SkipWithError("the order was not parked");
    state.PauseTiming();
    till.db.execute("delete from 挂单");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Park50Lines)->Unit(benchmark::kMillisecond);

void BM_TakeBack50Lines(benchmark::State& state) {
  Till till;
  for (auto _ : state) {
    state.PauseTiming();
    till.fillCart();
    till.sale.parkClicked();
    state.ResumeTiming();
    till.sale.takeBackClicked();
    if (till.area.cart.rowCount() != 51) state.SkipWithError("the order did not come back");
  }
}
BENCHMARK(BM_TakeBack50Lines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
