#pragma once

#include <array>
#include <optional>
#include <string>

#include "catalogue/guarded_write.h"
#include "util/colour.h"

namespace cz {

class Database;
class RowSink;
class TextGrid;

// The nine columns of a 库存 row in table order; grid column i + 1 shows field i.
inline constexpr int kGoodsFieldCount = 9;
using GoodsFields = std::array<std::string, kGoodsFieldCount>;

// Columns of the stock grid; each equals its column's position in the 库存 table.
enum GoodsColumn {
  GoodsNumber = 0,
  GoodsName = 1,
  GoodsBarcode = 2,
  GoodsSize = 3,
  GoodsNote = 4,
  GoodsCostPrice = 5,
  GoodsSalePrice = 6,
  GoodsStock = 7,
  GoodsMinDiscount = 8,
  GoodsPoints = 9,
};

// Text colours of a full listing: stock in blue, sale price in red.
inline constexpr Rgb kStockColour = rgb(0, 0, 255);
inline constexpr Rgb kSalePriceColour = rgb(255, 0, 0);

// Header texts and widths of the stock grid; 进货价 is 80 wide, or hidden when `showCostPrice` is
// false (its values are still loaded and written back).
void setUpStockGrid(TextGrid& grid, bool showCostPrice);

// Reads the goods into the sink as grid rows (row number, then the nine fields): every item when
// `search` is empty, else those whose name, barcode, 规格 or note contains the text.
// Stops early when the sink is cancelled; a query that fails reads nothing.
void readGoods(Database& db, const std::optional<std::string>& search, RowSink& sink);

// The stored fields of the item with this barcode, or nothing when there is none.
std::optional<GoodsFields> readStoredGoods(Database& db, const std::string& barcode);

// Writes `value` into one column (GoodsName … GoodsPoints, not the barcode) of the item, in one
// statement and only while the column still holds `loaded`, the text the list showed for it. So
// a view loaded before another till's sale or purchase never writes its old figure over the new
// one, on a file shared by two programs as on a server. On success `stored` gets the whole row
// as stored now.
GuardedWrite writeGoodsColumn(Database& db, const std::string& barcode, int column,
                              const std::string& value, const std::string& loaded,
                              GoodsFields& stored);

}  // namespace cz
