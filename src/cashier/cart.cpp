#include "cashier/cart.h"

#include <algorithm>
#include <cmath>

#include "cashier/cart_lines.h"
#include "cashier/sale_area.h"
#include "cashier/scale_sale.h"
#include "storage/database.h"
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

AddResult addGoodsToCart(Cart& cart, const GoodsRecord& g, AddSource source, float memberRate) {
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

  const CartLine& held = cart.line(line);
  const bool isReturn = held.isReturn();
  const double remaining = held.stockLeft - 1;
  // A returned unit comes back into stock, so only a sale needs stock left.
  if (!isReturn && remaining < -kGramSlack) return AddResult::OutOfStock;
  if (held.quantity >= static_cast<double>(kMaxQuantity)) return AddResult::TooMany;
  const double q = held.quantity + 1;
  cart.setQuantity(line, q);
  float rate = held.rate;
  if (source == AddSource::Chosen) {
    rate = effectiveRate(memberRate, g.minimumRate);
    cart.setRate(line, rate);
  }
  // A return line shows the negatives of the figures the same line shows sold. The goods' own
  // price and the rate just worked out price the unit, not the line's cells.
  const double sign = isReturn ? -1 : 1;
  const double total = round1(q * g.salePrice);
  cart.setAmount(line, kCartTotal, sign * total);
  cart.setAmount(line, kCartReceived, sign * round1(total * rate / 10));
  if (g.earnsPoints) cart.setAmount(line, kCartPoints, sign * total);
  if (!isReturn) cart.setStockLeft(line, remaining);
  return AddResult::Added;
}

CartTotals recomputeTotals(Cart& cart) {
  float due = 0;
  float received = 0;
  double points = 0;
  double exactDue = 0;
  double exactReceived = 0;
  double exactPoints = 0;
  for (int row = 1; row < cart.rowCount(); ++row) {
    put(cart, row, kCartNumber, integerText(row));
    const CartLine& line = cart.line(row);
    // The labels sum each amount as its cell reads in single precision, and again as a double
    // for sums from 100 000 on.
    due += toSingle(line.total);
    received += toSingle(line.received);
    points += toSingle(line.points);
    exactDue += line.total;
    exactReceived += line.received;
    exactPoints += line.points;
  }
  return {sumText(due, exactDue), sumText(received, exactReceived),
          std::fabs(points) < kLargeSum ? doubleText(points) : doubleText(round1(exactPoints))};
}

void repriceCart(Cart& cart, float memberRate) {
  for (int row = 1; row < cart.rowCount(); ++row) {
    const CartLine& line = cart.line(row);
    const float total = toSingle(line.total);
    const float rate = effectiveRate(memberRate, line.minimumRate);
    const float factor = rate / 10;
    cart.setRate(row, rate);
    cart.setAmount(row, kCartReceived,
                   round1(static_cast<double>(total) * static_cast<double>(factor)));
  }
}

bool lineEdited(Cart& cart, int row, double q0) {
  if (row < 1 || row >= cart.rowCount()) return false;
  const CartLine& line = cart.line(row);
  const float p = line.unitPrice;
  double q = line.quantity;
  const float d = line.rate;
  const double rem = line.stockLeft;
  const bool earns = line.earnsPoints;
  // A quantity below zero would turn the line's sign around, and one beyond the largest is no
  // quantity a shop sells: keep the one the line had.
  if (q < 0 || q > static_cast<double>(kMaxQuantity)) q = q0;
  bool capped = false;
  const bool isReturn = line.isReturn();
  if (!isReturn && q != q0) {
    if (q > q0) {
      const double delta = q - q0;
      if (delta - rem > kGramSlack) {
        q = q0 + rem;
        cart.setStockLeft(row, 0);
        capped = true;
      } else {
        cart.setStockLeft(row, rem - delta);
      }
    } else {
      cart.setStockLeft(row, rem + (q0 - q));
    }
  }
  cart.setQuantity(row, q);
  const double gross = static_cast<double>(p) * q;
  const double total = round1(gross);
  const double received = round1(gross * d / 10);
  // An 实收 typed into the cell is priced over like any edit.
  const double sign = isReturn ? -1 : 1;
  cart.setAmount(row, kCartTotal, sign * total);
  cart.setAmount(row, kCartReceived, sign * received);
  if (earns) cart.setAmount(row, kCartPoints, sign * std::fabs(received));
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

bool hasQuantityAboveZero(const Cart& cart) {
  for (int row = 1; row < cart.rowCount(); ++row) {
    if (cart.line(row).quantity > 0) return true;
  }
  return false;
}

namespace {

// The same amount with the other sign, as text: "16" and "-16" turn into each other, so a line
// switched to a return and back shows exactly what it showed. Blank and zero stay as they are.
std::string negated(const std::string& amount, double value) {
  if (value == 0) return amount;
  return amount.front() == '-' ? amount.substr(1) : "-" + amount;
}

}  // namespace

ToggleResult toggleLineType(Cart& cart, int row) {
  if (row < 1 || row >= cart.rowCount()) return ToggleResult::NotEnoughStock;
  const CartLine& line = cart.line(row);
  const double q = line.quantity;
  const bool toReturn = !line.isReturn();
  // A sale line's 剩余库存 is the stock on hand less its quantity, a return line's the stock on
  // hand itself: switching moves between the two, so a line switched back and forth and scanned
  // in between never sells more than the stock holds.
  const double stockLeft = line.stockLeft;
  if (!toReturn && stockLeft - q < -kGramSlack) return ToggleResult::NotEnoughStock;
  cart.setStockLeft(row, toReturn ? stockLeft + q : stockLeft - q);
  cart.setBackColour(row, kCartNumber, row, kCartMinimumRate,
                     toReturn ? kReturnLineColour : kSaleLineColour);
  cart.setType(row, toReturn ? LineType::Return : LineType::Sale);
  // A return takes back exactly what the sale gave, points included (a sale earns points on
  // its 总价): the line's own figures with the other sign, never figures worked out anew.
  const double values[] = {line.total, line.received, line.points};
  const int columns[] = {kCartTotal, kCartReceived, kCartPoints};
  for (int i = 0; i < 3; ++i) {
    cart.setAmountText(row, columns[i], negated(cart.text(row, columns[i]), values[i]));
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
