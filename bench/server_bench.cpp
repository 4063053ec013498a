// The till's hot paths against a PostgreSQL server: a scan against 100 000 goods, a durable
// checkout of 20 lines with a member, and the first, middle and last page of a million sales.
// The server is named by CZ_BENCH_SERVER (a connection string, e.g.
// "host=/tmp/chenzhou-bench user=postgres dbname=postgres"); without it nothing runs. The data
// goes into a database chenzhou_bench of its own on that server, made once and kept, so later
// runs start at once. For durable figures the server must run with fsync on.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench_shop.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "history/order_list.h"
#include "printing/printer.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/ui_queue.h"

namespace {

constexpr int kGoods = 100000;
constexpr int kSales = 1000000;
constexpr const char* kDatabase = "chenzhou_bench";

std::string barcodeOf(int i) {
  return "69" + std::to_string(10000000 + i);
}

std::string server() {
  const char* text = std::getenv("CZ_BENCH_SERVER");
  return text ? text : "";
}

void fail(cz::Database& db, const char* what) {
  std::fprintf(stderr, "%s: %s\n", what, db.lastError().c_str());
  std::exit(1);
}

// The bench database with every table, 100 000 goods, one member and a million sales, each made
// on the server in one statement.
std::string prepare() {
  {
    cz::Database admin;
    if (!admin.openServer(server())) fail(admin, "cannot reach the server");
    cz::RecordSet found(admin);
    if (!found.open("select count(*) from pg_database where datname=?", {kDatabase}) ||
        !found.next()) {
      fail(admin, "cannot list the databases");
    }
    if (found.field(1) == "0" && !admin.execute(std::string("create database ") + kDatabase)) {
      fail(admin, "cannot create the bench database");
    }
  }
  const std::string connection = server() + " dbname=" + kDatabase;
  cz::Database db;
  // Making the shop takes longer than a till waits for one answer.
  if (!db.openServer(connection, false)) fail(db, "cannot open the bench database");
  if (db.tableCount() > 0) return connection;
  std::fprintf(stderr, "making %d goods and %d sales on the server...\n", kGoods, kSales);
  if (!db.begin()) fail(db, "begin");
  for (const auto* tables : {&cz::schemaTables(), &cz::tillTables()}) {
    for (const cz::TableDef& table : *tables) {
      if (!db.createTable(table.name, table.columns)) fail(db, "create table");
    }
  }
  if (!db.execute(
          "insert into 库存(名称,条码,规格,备注,进货价,销售价,当前库存,最低折扣,参与积分) "
          "select '商品' || i, '69' || (10000000 + i), '瓶', '', 2, 3.5 + i % 50, 1000000000, "
          "case when i % 3 = 0 then '9' else '0' end, '真' from generate_series(0, " +
          std::to_string(kGoods - 1) + ") i")) {
    fail(db, "goods");
  }
  if (!db.execute("insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) "
                  "values('会员甲','13900000000','',8,0,'admin')")) {
    fail(db, "member");
  }
  // One sale every 30 seconds from 2020-09-13 on, a tenth of them to a member.
  if (!db.execute(
          "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
          "select 'SX' || i, (1600000000 + i * 30)::text, "
          "case when i % 10 = 0 then '张三' else '-' end, "
          "case when i % 10 = 0 then '7' else '' end, "
          "'{\"详情页\":[{\"商品名称\":\"可乐\",\"条码\":\"690\",\"单价\":\"3.5\",\"数量\":\"' || "
          "(i % 5 + 1) || '\"}]}', 12.5, 12.5, 0, "
          "case when i % 3 = 0 then '微信支付' else '现金支付' end, 'admin' "
          "from generate_series(1, " +
          std::to_string(kSales) + ") i")) {
    fail(db, "sales");
  }
  if (!db.commit()) fail(db, "commit");
  cz::ensureIndexes(db);
  db.execute("analyze");
  return connection;
}

// One running program on the bench database.
struct Shop : bench::SaleShop<> {
  Shop() {
    if (!db.openServer(prepare())) fail(db, "open");
    session.settings.printingEnabled = false;
  }
};

Shop& shop() {
  static Shop s;
  return s;
}

bool skipped(benchmark::State& state) {
  if (!server().empty()) return false;
  state.SkipWithError("CZ_BENCH_SERVER is not set");
  return true;
}

void scan(cz::SalePresenter& sale, const std::string& text) {
  sale.barcodeTextChanged(text);
  sale.barcodeKeyDown(13);
}

void BM_ServerScanToLine(benchmark::State& state) {
  if (skipped(state)) return;
  Shop& s = shop();
  s.sale.startNewOrder();
  int i = 0;
  for (auto _ : state) {
    scan(s.sale, barcodeOf((i++ * 7919) % kGoods));
    if (s.area.cart.rowCount() > 50) {
      state.PauseTiming();
      s.area.cart.reset();
      state.ResumeTiming();
    }
  }
  if (s.dialogs.messages != 0) state.SkipWithError("a scan showed a message");
}
BENCHMARK(BM_ServerScanToLine)->Unit(benchmark::kMicrosecond);

void BM_ServerCheckout20Lines(benchmark::State& state) {
  if (skipped(state)) return;
  Shop& s = shop();
  {
    cz::RecordSet fsync(s.db);
    if (fsync.open("show fsync") && fsync.next()) state.SetLabel("fsync " + fsync.field(1));
  }
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    s.sale.startNewOrder();
    for (int line = 0; line < 20; ++line) scan(s.sale, barcodeOf(round * 20 + line));
    s.sale.memberTextChanged("13900000000");
    s.sale.memberKeyDown(13);
    ++round;
    const int before = s.dialogs.messages;
    state.ResumeTiming();
    s.sale.checkoutClicked();
    if (s.dialogs.messages != before + 1 || s.sale.orderOpen()) {
      state.SkipWithError("the checkout did not complete");
    }
  }
  // Leave the shop as it was for the next run.
  s.db.execute("delete from 销售 where rowid > ?", {std::to_string(kSales)});
  s.db.execute("update 库存 set 当前库存=1000000000 where 当前库存<>1000000000");
}
BENCHMARK(BM_ServerCheckout20Lines)->Unit(benchmark::kMillisecond);

void BM_ServerOpenList(benchmark::State& state) {
  if (skipped(state)) return;
  Shop& s = shop();
  for (auto _ : state) {
    cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
    benchmark::DoNotOptimize(list.grid().rowCount());
  }
}
BENCHMARK(BM_ServerOpenList)->Unit(benchmark::kMillisecond);

// Arg: 0 first page, 1 middle page, 2 last page.
void BM_ServerFlipAllOrders(benchmark::State& state) {
  if (skipped(state)) return;
  Shop& s = shop();
  cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
  const int pages = list.pageCount();
  const int where = static_cast<int>(state.range(0));
  const std::string page = std::to_string(where == 0 ? 1 : where == 1 ? (pages + 1) / 2 : pages);
  for (auto _ : state) list.jump(page);
  state.counters["pages"] = pages;
}
BENCHMARK(BM_ServerFlipAllOrders)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
