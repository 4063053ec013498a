#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "util/colour.h"

namespace cz {

class Cart;
class Database;
class ListModel;

// One 库存 row as the cart uses it.
struct GoodsRecord {
  std::string name;      // 名称
  std::string barcode;   // 条码
  std::string specText;  // 规格
  std::string note;      // 备注
  float costPrice = 0;   // 进货价
  float salePrice = 0;   // 销售价
  // 当前库存: kilograms with up to three decimals for goods sold by weight.
  double stock = 0;
  float minimumRate = 0;     // 最低折扣
  bool earnsPoints = false;  // 参与积分 is "真"
  // Sold by weight: each scan is a line of its own, and its quantity may have decimals.
  bool weighed = false;
};

// Background of a return line (columns 0 to 13).
inline constexpr Rgb kReturnLineColour = rgb(255, 239, 247);
// A sale line has no colour of its own: it shows the grid's background (white while the order is
// open, grey once it is checked out).
inline constexpr Rgb kSaleLineColour = kNoColour;

// The largest quantity a line takes. A typed quantity above it is refused like any invalid entry,
// so no sum or difference of quantities and stock can overflow.
inline constexpr std::int64_t kMaxQuantity = 999'999'999;
// Stock read from the goods is taken as at most this, far beyond any shop, for the same reason.
inline constexpr std::int64_t kMaxStock = 1'000'000'000'000'000;

inline constexpr const char* kSaleType = "售出";
inline constexpr const char* kReturnType = "退货";

// Every goods whose name or barcode equals `text` exactly, in storage order. A failing query
// finds nothing.
std::vector<GoodsRecord> lookupGoods(Database& db, const std::string& text);

// Goods whose name contains `text` (the text itself, no wildcards), at most `limit`, in storage
// order. Empty text or a failing query finds nothing.
std::vector<GoodsRecord> lookupGoodsContaining(Database& db, const std::string& text, int limit);

// The goods chooser's item for a record (columns 1 to 8 as texts), and the record back from an
// item of the chooser.
std::vector<std::string> goodsChoiceTexts(const GoodsRecord& goods);
GoodsRecord goodsFromChoice(const ListModel& list, int index);

// The rate a line gets: the member's rate, or the goods' minimum when the member's is below it.
float effectiveRate(float memberRate, float minimumRate);

// How a unit came into the cart: a scan keeps an existing line's rate, a choice from the list
// sets it from the member's rate again.
enum class AddSource { Scanned, Chosen };

enum class AddResult { Added, OutOfStock, TooMany };

// Puts one unit of `goods` into the cart: one more on the line with its barcode, or a new line
// (always a new line for weighed goods, whose lines may come from scale labels).
// OutOfStock (cart unchanged) when the line's remaining stock is used up; TooMany when the line
// already holds the largest quantity. A unit added to a return line is priced as a return
// (negative amounts) and leaves the remaining stock alone.
//
// 剩余库存 of a sale line is the stock left once the line sells; on a return line it is the stock
// on hand, which a return takes nothing from.
AddResult addGoodsToCart(Cart& cart, const GoodsRecord& goods, AddSource source,
                         float memberRate);

// The totals of the cart as the labels show them.
struct CartTotals {
  std::string due;       // sum of 总价
  std::string received;  // sum of 实收
  std::string points;    // sum of 获得积分
};

// Renumbers the lines and sums them. Sums of 100 000 or more keep their decimal.
CartTotals recomputeTotals(Cart& cart);

// Applies the member's rate to every line (never below a goods' minimum) and recomputes 实收.
void repriceCart(Cart& cart, float memberRate);

// Recomputes line `row` after its 数量 or 实收 was edited; `q0` is the quantity when the edit
// began. Returns true when a sale line's quantity had to be capped to the stock left. A quantity
// below 0 or above kMaxQuantity is taken back to q0; 数量 always ends as the quantity the line
// was priced with (a whole number, or kilograms to the gram for weighed goods).
bool lineEdited(Cart& cart, int row, double q0);

// A quantity typed into a cart line: a whole number from 1 to kMaxQuantity, digits only, blanks
// around allowed. Nothing for anything else (a fraction, a sign, letters, blank, 0), which the
// cart refuses with kBadQuantityMessage rather than reading it as some other number.
std::optional<std::int64_t> typedQuantity(const std::string& text);
inline constexpr const char* kBadQuantityMessage = "数量不是有效的数字";

// True when some line holds a quantity above 0: an order of none sells nothing.
bool hasQuantityAboveZero(const Cart& cart);

enum class ToggleResult { ToReturn, ToSale, NotEnoughStock };

// Switches line `row` between 售出 and 退货 and reprices it. Back to 售出 needs the whole quantity
// in the stock on hand (NotEnoughStock, line unchanged, otherwise).
ToggleResult toggleLineType(Cart& cart, int row);

// Text of a money or points sum: the single sum's text below 100 000, otherwise the one-decimal
// text of the double sum, so large totals keep their decimal.
std::string sumText(float singleSum, double doubleSum);

// The text of a rounded points value as the member update adds it: the single value's text,
// with the decimal kept from 100 000 on.
std::string pointsValueText(const std::string& roundedPoints);

}  // namespace cz
