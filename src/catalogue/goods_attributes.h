#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/goods_attribute_cache.h"

namespace cz {

class Database;

// What 商品属性 keeps about a goods beside its 库存 row: whether it is sold by weight (its stock
// and quantities are kilograms with up to three decimals) and its own low-stock warning level.
struct GoodsAttributes {
  bool weighed = false;  // 称重 is "真"
  // 预警 as stored: empty when the goods has no level of its own and takes the default.
  std::string level;
};

// The attributes stored for `barcode`; the defaults (not weighed, no level) when there is no row
// or the read fails.
GoodsAttributes readGoodsAttributes(Database& db, const std::string& barcode);

// Stores the attributes of `barcode`, replacing any row it has. False on failure (lastError set).
bool writeGoodsAttributes(Database& db, const std::string& barcode,
                          const GoodsAttributes& attributes);

// A goods whose stock is at or below its warning level.
struct LowStockGoods {
  std::string name;
  std::string barcode;
  std::string stock;  // 当前库存 as text
  double level = 0;
};

// "库存预警：[苹果]剩余4，[梨]剩余0.35": the bottom bar's warning for the goods given; empty
// text for none.
std::string stockWarningText(const std::vector<LowStockGoods>& goods);

// A goods a checkout sold, with the stock it read back once it took the units.
struct SoldStock {
  std::string name;
  std::string barcode;
  double left = 0;
};

// The bottom bar's warning after a checkout: every sold goods now at or below its level, once
// each (with its lowest stock read), in line order; empty text when none is. Works from memory
// only, so the checkout waits for no query.
std::string checkoutStockWarning(const GoodsAttributeCache& cache,
                                 const std::vector<SoldStock>& sold);

// The lines the 当班报表 ends with: "库存预警：" and one line per goods at or below its level
// ("[苹果]剩余4（预警5）"), or "库存预警：无". Nothing at all while no goods has a level.
std::vector<std::string> lowStockReportLines(Database& db, const GoodsAttributeCache& cache);

// The 库存 rows at or below their level, in storage order, as the stock list's grid rows (row
// number, then the nine fields). Levels from `cache`. A failing query reads nothing.
std::vector<std::vector<std::string>> readLowStockRows(Database& db,
                                                       const GoodsAttributeCache& cache);

// The same goods as name, barcode, stock and level.
std::vector<LowStockGoods> lowStockGoods(Database& db, const GoodsAttributeCache& cache);

}  // namespace cz
