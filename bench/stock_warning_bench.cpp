// Times what the low-stock warning adds to a checkout: each of 20 sold lines' level looked up
// among 100 000 goods that all have one, two of them at or below it, and the bottom bar's text.
// Everything is in memory: the checkout reads the stock left in its own transaction already.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "catalogue/goods_attributes.h"
#include "core/goods_attribute_cache.h"

namespace {

constexpr int kGoods = 100000;

std::string barcodeOf(int i) {
  return "69" + std::to_string(10000000 + i);
}

void BM_StockWarningCheck20Lines(benchmark::State& state) {
  cz::GoodsAttributeCache cache;
  for (int i = 0; i < kGoods; ++i) cache.set(barcodeOf(i), i % 10 == 0, std::to_string(5 + i % 7));
  std::vector<cz::SoldStock> sold;
  for (int line = 0; line < 20; ++line) {
    const int i = (line * 7919) % kGoods;
    sold.push_back({"商品" + std::to_string(i), barcodeOf(i), line % 10 == 0 ? 1.5 : 500});
  }
  // The first checkout after a level changed works out the highest level once.
  benchmark::DoNotOptimize(cache.highestLevel());
  for (auto _ : state) {
    const std::string warning = cz::checkoutStockWarning(cache, sold);
    if (warning.empty()) state.SkipWithError("no warning");
    benchmark::DoNotOptimize(warning);
  }
}
BENCHMARK(BM_StockWarningCheck20Lines)->Unit(benchmark::kMicrosecond);

// The same with no goods at its level, the common case.
void BM_StockWarningCheck20LinesNoneLow(benchmark::State& state) {
  cz::GoodsAttributeCache cache;
  for (int i = 0; i < kGoods; ++i) cache.set(barcodeOf(i), false, "5");
  std::vector<cz::SoldStock> sold;
  for (int line = 0; line < 20; ++line) {
    sold.push_back({"商品", barcodeOf((line * 7919) % kGoods), 500});
  }
  benchmark::DoNotOptimize(cache.highestLevel());
  for (auto _ : state) benchmark::DoNotOptimize(cz::checkoutStockWarning(cache, sold));
}
BENCHMARK(BM_StockWarningCheck20LinesNoneLow)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
