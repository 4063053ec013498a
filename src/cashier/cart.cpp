#include "cashier/cart.h"

#include <algorithm>
#include <cmath>

#include "cashier/sale_area.h"
#include "cashier/scale_sale.h"
#include "core/database.h"
#include "util/list_model.h"
#include "util/numbers.h"
#include "util/text_grid.h"

namespace cz {
namespace {

// Sums from this size on are shown from the double sum, so they keep their decimal.
constexpr double kLargeSum = 100000;

double cappedStock(double stock) {
  return std::clamp(stock, -static_cast<double>(kMaxStock), static_cast<double>(kMaxStock));
}

// What sums of weighed quantities may be off by: half a gram.
constexpr double kGramSlack = 0.0005;

// Writes a cell only when its text changes, so a view is not told about unchanged cells.
void put(TextGrid& cart, int row, int col, const std::string& text) {
  if (cart.text(row, col) != text) cart.setText(row, col, text);
}

}  // namespace

namespace {

std::vector<GoodsRecord> readGoods(RecordSet& set) {
  std::vector<GoodsRecord> found;
  while (set.next()) {
    GoodsRecord g;
    g.name = set.field("名称");
    g.barcode = set.field("条码");
    g.specText = set.field("规格");
    g.note = set.field("备注");
    g.costPrice = readSingle(set.field("进货价"));
    g.salePrice = readSingle(set.field("销售价"));
    g.stock = cappedStock(readNumber(set.field("当前库存")));
    g.minimumRate = readSingle(set.field("最低折扣"));
    g.earnsPoints = set.field("参与积分") == "真";
    found.push_back(std::move(g));
  }
  return found;
}

}  // namespace

std::vector<GoodsRecord> lookupGoods(Database& db, const std::string& text) {
  RecordSet set(db);
  if (!set.open("select * from 库存 where 名称=? or 条码=? order by rowid", {text, text})) {
    return {};
  }
  return readGoods(set);
}

std::vector<GoodsRecord> lookupGoodsContaining(Database& db, const std::string& text, int limit) {
  // instr, not like: a % or _ typed by the cashier is an ordinary character.
  RecordSet set(db);
  if (text.empty() || !set.open("select * from 库存 where instr(名称,?)>0 order by rowid limit ?",
                                {text, std::to_string(limit)})) {
    return {};
  }
  return readGoods(set);
}

std::vector<std::string> goodsChoiceTexts(const GoodsRecord& g) {
  return {"",
          g.name,
          g.barcode,
          g.specText,
          singleText(g.costPrice),
          singleText(g.salePrice),
          quantityText(g.stock),
          singleText(g.minimumRate),
          boolText(g.earnsPoints)};
}

GoodsRecord goodsFromChoice(const ListModel& list, int index) {
  GoodsRecord g;
  g.name = list.text(index, 1);
  g.barcode = list.text(index, 2);
  g.specText = list.text(index, 3);
  g.costPrice = readSingle(list.text(index, 4));
  g.salePrice = readSingle(list.text(index, 5));
  g.stock = cappedStock(readNumber(list.text(index, 6)));
  g.minimumRate = readSingle(list.text(index, 7));
  g.earnsPoints = list.text(index, 8) == "真";
  return g;
}

float effectiveRate(float memberRate, float minimumRate) {
  return memberRate < minimumRate ? minimumRate : memberRate;
}

AddResult addGoodsToCart(TextGrid& cart, const GoodsRecord& g, AddSource source, float memberRate) {
  int line = 0;
  // Weighed goods' sale lines of the cart have taken their share of the stock already.
  double stock = g.stock;
  for (int row = 1; row < cart.rowCount(); ++row) {
    if (cart.text(row, kCartBarcode) != g.barcode) continue;
    if (!g.weighed) {
      line = row;
      break;
    }
    if (cart.text(row, kCartType) == kSaleType) {
      stock = std::min(stock, readNumber(cart.text(row, kCartStockLeft)));
    }
  }
  if (line == 0) {
    if (g.weighed && stock - 1 < -kGramSlack) return AddResult::OutOfStock;
    const float rate = effectiveRate(memberRate, g.minimumRate);
    cart.appendRow({integerText(cart.rowCount()), g.name, g.barcode, g.specText, kSaleType,
                    singleText(g.salePrice), "1", singleText(g.salePrice), singleText(rate),
                    doubleText(round1(static_cast<double>(g.salePrice) * rate / 10)),
                    boolText(g.earnsPoints), singleText(g.costPrice), quantityText(stock - 1),
                    singleText(g.minimumRate), g.earnsPoints ? singleText(g.salePrice) : ""});
    return AddResult::Added;
  }

  const bool isReturn = cart.text(line, kCartType) == kReturnType;
  const double remaining = readNumber(cart.text(line, kCartStockLeft)) - 1;
  // A returned unit comes back into stock, so only a sale needs stock left.
  if (!isReturn && remaining < -kGramSlack) return AddResult::OutOfStock;
  const double held = readNumber(cart.text(line, kCartQuantity));
  if (held >= static_cast<double>(kMaxQuantity)) return AddResult::TooMany;
  const double q = held + 1;
  put(cart, line, kCartQuantity, quantityText(q));
  float rate = readSingle(cart.text(line, kCartRate));
  if (source == AddSource::Chosen) {
    rate = effectiveRate(memberRate, g.minimumRate);
    put(cart, line, kCartRate, singleText(rate));
  }
  // A return line shows the negatives of the figures the same line shows sold.
  const double sign = isReturn ? -1 : 1;
  const double total = round1(q * g.salePrice);
  put(cart, line, kCartTotal, doubleText(sign * total));
  put(cart, line, kCartReceived, doubleText(sign * round1(total * rate / 10)));
  if (g.earnsPoints) put(cart, line, kCartPoints, doubleText(sign * total));
  if (!isReturn) put(cart, line, kCartStockLeft, quantityText(remaining));
  return AddResult::Added;
}

CartTotals recomputeTotals(TextGrid& cart) {
  float due = 0;
  float received = 0;
  double points = 0;
  double exactDue = 0;
  double exactReceived = 0;
  double exactPoints = 0;
  for (int row = 1; row < cart.rowCount(); ++row) {
    put(cart, row, kCartNumber, integerText(row));
    const std::string& total = cart.text(row, kCartTotal);
    const std::string& paid = cart.text(row, kCartReceived);
    const std::string& earned = cart.text(row, kCartPoints);
    due += readSingle(total);
    received += readSingle(paid);
    points += readSingle(earned);
    exactDue += readNumber(total);
    exactReceived += readNumber(paid);
    exactPoints += readNumber(earned);
  }
  return {sumText(due, exactDue), sumText(received, exactReceived),
          std::fabs(points) < kLargeSum ? doubleText(points) : doubleText(round1(exactPoints))};
}

void repriceCart(TextGrid& cart, float memberRate) {
  for (int row = 1; row < cart.rowCount(); ++row) {
    const float minimum = readSingle(cart.text(row, kCartMinimumRate));
    const float total = readSingle(cart.text(row, kCartTotal));
    const float rate = effectiveRate(memberRate, minimum);
    const float factor = rate / 10;
    put(cart, row, kCartRate, singleText(rate));
    put(cart, row, kCartReceived,
        doubleText(round1(static_cast<double>(total) * static_cast<double>(factor))));
  }
}

bool lineEdited(TextGrid& cart, int row, double q0) {
  if (row < 1 || row >= cart.rowCount()) return false;
  const float p = readSingle(cart.text(row, kCartUnitPrice));
  double q = readNumber(cart.text(row, kCartQuantity));
  const float d = readSingle(cart.text(row, kCartRate));
  const double rem = readNumber(cart.text(row, kCartStockLeft));
  const bool earns = cart.text(row, kCartEarnsPoints) == "真";
  // A quantity below zero would turn the line's sign around, and one beyond the largest is no
  // quantity a shop sells: keep the one the line had.
  if (q < 0 || q > static_cast<double>(kMaxQuantity)) q = q0;
  bool capped = false;
  const bool isReturn = cart.text(row, kCartType) == kReturnType;
  if (!isReturn && q != q0) {
    if (q > q0) {
      const double delta = q - q0;
      if (delta - rem > kGramSlack) {
        q = q0 + rem;
        put(cart, row, kCartStockLeft, "0");
        capped = true;
      } else {
        put(cart, row, kCartStockLeft, quantityText(rem - delta));
      }
    } else {
      put(cart, row, kCartStockLeft, quantityText(rem + (q0 - q)));
    }
  }
  put(cart, row, kCartQuantity, quantityText(q));
  const double gross = static_cast<double>(p) * q;
  const double total = round1(gross);
  const double received = round1(gross * d / 10);
  if (isReturn) {
    put(cart, row, kCartTotal, doubleText(-total));
    put(cart, row, kCartReceived, doubleText(-received));
    if (earns) put(cart, row, kCartPoints, doubleText(-std::fabs(received)));
  } else {
    put(cart, row, kCartTotal, doubleText(total));
    put(cart, row, kCartReceived, doubleText(received));
    if (earns) put(cart, row, kCartPoints, doubleText(std::fabs(received)));
  }
  return capped;
}

std::optional<std::int64_t> typedQuantity(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::nullopt;
  const size_t end = text.find_last_not_of(" \t") + 1;
  std::int64_t value = 0;
  for (size_t i = begin; i < end; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kMaxQuantity) return std::nullopt;
  }
  if (value < 1) return std::nullopt;
  return value;
}

bool hasQuantityAboveZero(const TextGrid& cart) {
  for (int row = 1; row < cart.rowCount(); ++row) {
    if (readNumber(cart.text(row, kCartQuantity)) > 0) return true;
  }
  return false;
}

namespace {

// The same amount with the other sign, as text: "16" and "-16" turn into each other, so a line
// switched to a return and back shows exactly what it showed. Blank and zero stay as they are.
std::string negated(const std::string& amount) {
  if (amount.empty() || readNumber(amount) == 0) return amount;
  return amount.front() == '-' ? amount.substr(1) : "-" + amount;
}

}  // namespace

ToggleResult toggleLineType(TextGrid& cart, int row) {
  if (row < 1 || row >= cart.rowCount()) return ToggleResult::NotEnoughStock;
  const double q = readNumber(cart.text(row, kCartQuantity));
  const bool toReturn = cart.text(row, kCartType) != kReturnType;
  // A sale line's 剩余库存 is the stock on hand less its quantity, a return line's the stock on
  // hand itself: switching moves between the two, so a line switched back and forth and scanned
  // in between never sells more than the stock holds.
  const double stockLeft = readNumber(cart.text(row, kCartStockLeft));
  if (!toReturn && stockLeft - q < -kGramSlack) return ToggleResult::NotEnoughStock;
  put(cart, row, kCartStockLeft, quantityText(toReturn ? stockLeft + q : stockLeft - q));
  cart.setBackColour(row, kCartNumber, row, kCartMinimumRate,
                     toReturn ? kReturnLineColour : kSaleLineColour);
  put(cart, row, kCartType, toReturn ? kReturnType : kSaleType);
  // A return takes back exactly what the sale gave, points included (a sale earns points on
  // its 总价): the line's own figures with the other sign, never figures worked out anew.
  for (const int col : {kCartTotal, kCartReceived, kCartPoints}) {
    put(cart, row, col, negated(cart.text(row, col)));
  }
  return toReturn ? ToggleResult::ToReturn : ToggleResult::ToSale;
}

std::string sumText(float singleSum, double doubleSum) {
  if (std::fabs(singleSum) < kLargeSum) return singleText(singleSum);
  return doubleText(round1(doubleSum));
}

std::string pointsValueText(const std::string& roundedPoints) {
  const float single = readSingle(roundedPoints);
  if (std::fabs(single) < kLargeSum) return singleText(single);
  return doubleText(round1(readNumber(roundedPoints)));
}

}  // namespace cz
