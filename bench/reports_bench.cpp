// Times the sales report (销售统计) over the big shop: the month of November 2026, the 86 000
// orders up to its end, and the year up to its end. Without the big shop a file of the same
// shape is made in the temp folder (a year of 1 400 orders a day, 1 to 20 lines each).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "big_shop.h"
#include "reports/sales_report.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/timestamp.h"

namespace {

namespace fs = std::filesystem;

constexpr int kOrdersPerDay = 1400;

std::string details(int order) {
  std::string text = "{\"详情页\":[";
  const int lines = 1 + (order * 7919) % 20;
  for (int i = 0; i < lines; ++i) {
    const int goods = (order * 31 + i * 977) % 100000;
    text += std::string(i ? "," : "") + "{\"商品名称\":\"商品" + std::to_string(goods) +
            "\",\"条码\":\"69" + std::to_string(10000000 + goods) +
            "\",\"规格\":\"瓶\",\"类型\":\"售出\",\"单价\":\"3.5\",\"数量\":\"2\",\"总价\":\"7\","
            "\"折扣\":\"10\",\"实收\":\"7\",\"参与积分\":\"真\",\"进货价\":\"2.1\","
            "\"剩余库存\":\"100\",\"最低折扣\":\"0\",\"获得积分\":\"7\"}";
  }
  return text + "]}";
}

// The big shop, or a year of orders up to 2026-11-30 made once in the temp folder.
std::string shopFile() {
  if (const std::string big = bigShopFile(); !big.empty()) return big;
  const fs::path dir = fs::temp_directory_path() / "chenzhou-reports-bench";
  const fs::path file = dir / "data.db";
  if (fs::exists(file)) return file.string();
  fs::create_directories(dir);
  cz::Database db;
  if (!db.open((dir / "data.db.part").string())) return {};
  for (const auto& table : cz::schemaTables()) db.createTable(table.name, table.columns);
  cz::ensureIndexes(db);
  const char* payments[] = {"现金支付", "微信支付", "支付宝支付", "其他支付"};
  const std::int64_t first = cz::secondsSinceEpoch({2025, 12, 1, 8, 0, 0});
  int order = 0;
  for (int day = 0; day < 365; ++day) {
    db.begin();
    for (int i = 0; i < kOrdersPerDay; ++i, ++order) {
      const std::int64_t at = first + day * 86400LL + i * (14 * 3600 / kOrdersPerDay);
      db.execute(
          "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
          "values(?,?,'-','',?,'21','20.5','0',?,?)",
          {"SX" + std::to_string(order), cz::timestampText(cz::dateTimeFromSeconds(at)),
           details(order), payments[order % 4], order % 3 ? "admin" : "clerk"});
    }
    db.commit();
  }
  db.close();
  fs::rename(dir / "data.db.part", file);
  return file.string();
}

void runReport(benchmark::State& state, const cz::ReportDay& first, const cz::ReportDay& last) {
  cz::Database db;
  if (!db.openReadOnly(shopFile())) {
    state.SkipWithError("no data.db");
    return;
  }
  std::int64_t orders = 0;
  for (auto _ : state) {
    cz::SalesReport report;
    if (cz::readSalesReport(db, first, last, report) != cz::ReportResult::Done) {
      state.SkipWithError("the report could not be read");
      return;
    }
    orders = report.total.orders;
  }
  state.counters["orders"] = static_cast<double>(orders);
}

void BM_SalesReportMonth(benchmark::State& state) {
  runReport(state, {2026, 11, 1}, {2026, 11, 30});
}
BENCHMARK(BM_SalesReportMonth)->Unit(benchmark::kMillisecond);

// About 86 000 orders: the 63 days up to the end of November 2026.
void BM_SalesReport86000Orders(benchmark::State& state) {
  runReport(state, {2026, 9, 29}, {2026, 11, 30});
}
BENCHMARK(BM_SalesReport86000Orders)->Unit(benchmark::kMillisecond);

void BM_SalesReportYear(benchmark::State& state) {
  runReport(state, {2025, 12, 1}, {2026, 11, 30});
}
BENCHMARK(BM_SalesReportYear)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
