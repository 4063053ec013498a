// Times the order list at a big shop's scale: a million sales. Opening the list and flipping to
// the first, middle or last page, also inside a one-day date search, must each stay well under
// 100 ms; every flip counts the result again. A search on typed text pays one scan to find its
// matches; its page flips, also after a new sale, read only the orders stored since.
//
// The big shop is opened read-only. The benchmark that stores sales works on a copy of it in the
// temp directory, made when that benchmark first runs and removed when the program ends.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_shop.h"
#include "big_shop.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "history/order_list.h"
#include "history/order_time.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/ui_queue.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSales = 1000000;
// One sale every 30 seconds: 2880 a day, about 347 days in all.
constexpr int kSpacing = 30;
constexpr long long kFirstSecond = 1600000000;

// A data.db with every table and a million sales, made once and kept in the temp directory.
std::string prepare() {
  if (const std::string big = bigShopFile(); !big.empty()) return big;
  const fs::path dir = fs::temp_directory_path() / "chenzhou-bench-history";
  const fs::path file = dir / "data.db";
  if (fs::exists(file)) return file.string();
  fs::create_directories(dir);
  cz::Database db;
  if (!db.open(file.string())) return file.string();
  db.begin();
  for (const cz::TableDef& table : cz::schemaTables()) db.createTable(table.name, table.columns);
  // One statement generates every row: a tenth of them to a member, a few lines of details each.
  db.execute(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < CAST(? AS "
      "INTEGER)) "
      "INSERT INTO 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
      "SELECT 'SX' || i, CAST(CAST(? AS INTEGER) + i * CAST(? AS INTEGER) AS TEXT), CASE WHEN i % "
      "10 = 0 THEN '张三' ELSE '-' END, "
      "CASE WHEN i % 10 = 0 THEN '7' ELSE '' END, "
      "'{\"详情页\":[{\"商品名称\":\"可乐\",\"条码\":\"690\",\"单价\":\"3.5\",\"数量\":\"' || "
      "(i % 5 + 1) || '\"}]}', '12.5', '12.5', '0', "
      "CASE WHEN i % 3 = 0 THEN '微信支付' ELSE '现金支付' END, 'admin' FROM n",
      {std::to_string(kSales), std::to_string(kFirstSecond), std::to_string(kSpacing)});
  db.commit();
  cz::ensureIndexes(db);
  return file.string();
}

// A URI that opens `path` read-only, so the benchmarks never change the big shop (a plain open
// would also switch its journal to the write-ahead log).
std::string readOnlyUri(const std::string& path) {
  sqlite3_config(SQLITE_CONFIG_URI, 1);  // in case the library was built without URIs on
  std::string uri = "file:";
  for (const char c : fs::absolute(path).string()) {
    if (c == '%' || c == '?' || c == '#') {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      uri += escaped;
    } else {
      uri += c;
    }
  }
  return uri + "?mode=ro";
}

struct Shop : bench::Shop<> {
  // Read-only on the big shop; a file of our own may be written.
  Shop(const std::string& file, bool readOnly) : bench::Shop<>({.answer = false}) {
    if (!db.open(readOnly ? readOnlyUri(file) : file) || db.tableCount() <= 0) {
      std::fprintf(stderr, "cannot open %s: %s\n", file.c_str(), db.lastError().c_str());
      std::exit(1);
    }
    cz::ensureIndexes(db);
  }
};

Shop& shop() {
  static Shop s(prepare(), !bigShopFile().empty());
  return s;
}

// A copy of the shop that sales can be stored in.
struct Copy {
  Copy() {
    fs::create_directories(file.parent_path());
    fs::copy_file(prepare(), file, fs::copy_options::overwrite_existing);
  }
  ~Copy() {
    std::error_code ignored;
    fs::remove_all(file.parent_path(), ignored);
  }
  const fs::path file = fs::temp_directory_path() / "chenzhou-bench-history" / "copy" / "data.db";
};

Shop& writableShop() {
  static Copy copy;
  static Shop s(copy.file.string(), false);
  return s;
}

// The day of the median sale.
cz::CalendarDay middleDay() {
  cz::RecordSet median(shop().db);
  cz::LocalDateTime t = cz::dateTimeFromSeconds(kFirstSecond + kSales / 2 * kSpacing);
  if (median.open(
          "select 日期 from 销售 order by 日期 limit 1 offset (select count(*) / 2 from 销售)") &&
      median.next()) {
    t = cz::dateTimeFromTimestamp(median.field(1).substr(0, 10)).value_or(t);
  }
  return {t.year, t.month, t.day};
}

void BM_OpenList(benchmark::State& state) {
  Shop& s = shop();
  for (auto _ : state) {
    cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
    benchmark::DoNotOptimize(list.grid().rowCount());
  }
}
BENCHMARK(BM_OpenList)->Unit(benchmark::kMillisecond);

// Arg: 0 first page, 1 middle page, 2 last page.
std::string pageOf(const cz::OrderListPresenter& list, int where) {
  const int pages = list.pageCount();
  return std::to_string(where == 0 ? 1 : where == 1 ? (pages + 1) / 2 : pages);
}

void BM_FlipAllOrders(benchmark::State& state) {
  Shop& s = shop();
  cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
  const std::string page = pageOf(list, static_cast<int>(state.range(0)));
  for (auto _ : state) list.jump(page);
  state.counters["pages"] = list.pageCount();
}
BENCHMARK(BM_FlipAllOrders)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_OneDaySearch(benchmark::State& state) {
  Shop& s = shop();
  cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
  list.search.dateRange = true;
  list.search.firstDay = list.search.lastDay = middleDay();
  for (auto _ : state) list.runSearch();
  state.counters["pages"] = list.pageCount();
}
BENCHMARK(BM_OneDaySearch)->Unit(benchmark::kMillisecond);

void BM_FlipOneDay(benchmark::State& state) {
  Shop& s = shop();
  cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
  list.search.dateRange = true;
  list.search.firstDay = list.search.lastDay = middleDay();
  list.runSearch();
  const std::string page = pageOf(list, static_cast<int>(state.range(0)));
  for (auto _ : state) list.jump(page);
}
BENCHMARK(BM_FlipOneDay)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A typed text: one scan to find the matches.
void BM_TypedSearch(benchmark::State& state) {
  Shop& s = shop();
  cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
  list.search.customer = "张";
  for (auto _ : state) list.runSearch();
  state.counters["pages"] = list.pageCount();
}
BENCHMARK(BM_TypedSearch)->Unit(benchmark::kMillisecond);

// ... and no scan to flip through them.
void BM_FlipTypedSearch(benchmark::State& state) {
  Shop& s = shop();
  cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
  list.search.customer = "张";
  list.runSearch();
  const std::string page = pageOf(list, static_cast<int>(state.range(0)));
  for (auto _ : state) list.jump(page);
}
BENCHMARK(BM_FlipTypedSearch)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The same flips, each after one more sale is stored (a match, the newest order); only the
// flip is timed. Runs on a copy of the shop.
void BM_FlipTypedSearchAfterSale(benchmark::State& state) {
  Shop& s = writableShop();
  cz::OrderListPresenter list(s.app, s.dialogs, cz::OrderKind::Sale);
  list.search.customer = "张";
  list.runSearch();
  const std::string page = pageOf(list, static_cast<int>(state.range(0)));
  long long sale = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++sale;
    s.db.execute(
        "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
        "values(?,?,?,?,?,?,?,?,?,?)",
        {"SXBENCH" + std::to_string(sale), std::to_string(1800000000 + sale), "张三", "7",
         R"({"详情页":[{"商品名称":"可乐","条码":"690","单价":"3.5","数量":"1"}]})", "3.5", "3.5",
         "0", "现金支付", "admin"});
    state.ResumeTiming();
    list.jump(page);
  }
  state.counters["pages"] = list.pageCount();
}
BENCHMARK(BM_FlipTypedSearchAfterSale)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
