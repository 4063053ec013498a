#include "catalogue/goods_attributes.h"

#include <algorithm>
#include <cmath>

#include "storage/database.h"
#include "util/numbers.h"

namespace cz {

GoodsAttributes readGoodsAttributes(Database& db, const std::string& barcode) {
  RecordSet set(db);
  GoodsAttributes attributes;
  if (set.open("select 称重,预警 from 商品属性 where 条码=?", {barcode}) && set.next()) {
    attributes.weighed = set.field(1) == "真";
    attributes.level = set.field(2);
  }
  return attributes;
}

bool writeGoodsAttributes(Database& db, const std::string& barcode,
                          const GoodsAttributes& attributes) {
  // One statement, so two tills marking the same goods at once both succeed, the later winning.
  return db.execute(
      "insert into 商品属性(条码,称重,预警) values(?,?,?) on conflict(条码) do update set "
      "称重=excluded.称重,预警=excluded.预警",
      {barcode, boolText(attributes.weighed), attributes.level});
}

std::string stockWarningText(const std::vector<LowStockGoods>& goods) {
  std::string text;
  for (const LowStockGoods& item : goods) {
    text += text.empty() ? "库存预警：" : "，";
    text += "[" + item.name + "]剩余" + item.stock;
  }
  return text;
}

std::string checkoutStockWarning(const GoodsAttributeCache& cache,
                                 const std::vector<SoldStock>& sold) {
  if (cache.highestLevel() <= 0) return {};
  std::vector<LowStockGoods> low;
  for (const SoldStock& item : sold) {
    const double level = cache.level(item.barcode);
    if (!atWarningLevel(item.left, level)) continue;
    const auto same = std::find_if(low.begin(), low.end(), [&](const LowStockGoods& seen) {
      return seen.barcode == item.barcode;
    });
    // Stock is shown to the gram, without the noise sums of decimals leave.
    const std::string left = doubleText(std::round(item.left * 1000) / 1000);
    if (same == low.end()) {
      low.push_back({item.name, item.barcode, left, level});
    } else if (readNumber(left) < readNumber(same->stock)) {
      same->stock = left;
    }
  }
  return stockWarningText(low);
}

namespace {

// Reads the 库存 rows at or below their level into `found`, each as the row's nine fields.
template <typename Found>
void readLow(Database& db, const GoodsAttributeCache& cache, Found found) {
  const double highest = cache.highestLevel();
  if (highest <= 0) return;
  // The query keeps only the goods at or below the highest level; each row is then held to its
  // own level, which an empty 预警 (a text on a file, NULL on a server) makes hard to do in SQL
  // that both engines read alike.
  RecordSet set(db);
  if (!set.open("select * from 库存 where 当前库存<=?", {doubleText(highest + 0.0000005)})) return;
  while (set.next()) {
    const std::string barcode = set.field(2);
    const double level = cache.level(barcode);
    if (!atWarningLevel(readNumber(set.field(7)), level)) continue;
    std::vector<std::string> fields;
    fields.reserve(9);
    for (int f = 1; f <= 9; ++f) fields.push_back(set.field(f));
    found(std::move(fields), level);
  }
}

}  // namespace

std::vector<std::vector<std::string>> readLowStockRows(Database& db,
                                                       const GoodsAttributeCache& cache) {
  std::vector<std::vector<std::string>> rows;
  readLow(db, cache, [&rows](std::vector<std::string> fields, double) {
    fields.insert(fields.begin(), integerText(static_cast<std::int64_t>(rows.size()) + 1));
    rows.push_back(std::move(fields));
  });
  return rows;
}

std::vector<LowStockGoods> lowStockGoods(Database& db, const GoodsAttributeCache& cache) {
  std::vector<LowStockGoods> goods;
  readLow(db, cache, [&goods](std::vector<std::string> fields, double level) {
    goods.push_back({fields[0], fields[1], fields[6], level});
  });
  return goods;
}

std::vector<std::string> lowStockReportLines(Database& db, const GoodsAttributeCache& cache) {
  if (cache.highestLevel() <= 0) return {};
  const std::vector<LowStockGoods> goods = lowStockGoods(db, cache);
  if (goods.empty()) return {"库存预警：无"};
  std::vector<std::string> lines = {"库存预警："};
  for (const LowStockGoods& item : goods) {
    lines.push_back("[" + item.name + "]剩余" + item.stock + "（预警" + doubleText(item.level) +
                    "）");
  }
  return lines;
}

}  // namespace cz
