#include "cashier/scale_sale.h"

#include <algorithm>
#include <cmath>

#include "cashier/cart.h"
#include "cashier/sale_area.h"
#include "storage/database.h"
#include "util/numbers.h"
#include "util/text_grid.h"

namespace cz {

namespace {

// A gram's half: what decimal sums of weighed stock may be off by.
constexpr double kGramSlack = 0.0005;

}  // namespace

std::string quantityText(double quantity) {
  // Whole numbers (every quantity and stock of goods not sold by weight) as integers, so a large
  // stock reads in full rather than in exponent form.
  const double whole = std::round(quantity);
  if (std::fabs(quantity - whole) < kGramSlack) {
    return integerText(static_cast<std::int64_t>(std::clamp(whole, -9.0e18, 9.0e18)));
  }
  return doubleText(std::round(quantity * 1000) / 1000);
}

std::optional<double> typedWeight(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::nullopt;
  const size_t end = text.find_last_not_of(" \t") + 1;
  int digits = 0;
  int points = 0;
  int decimals = 0;
  for (size_t i = begin; i < end; ++i) {
    const char c = text[i];
    if (c == '.') {
      if (++points > 1) return std::nullopt;
    } else if (c >= '0' && c <= '9') {
      ++digits;
      if (points > 0 && ++decimals > 3) return std::nullopt;
      // Ten digits before the point are past the largest quantity already.
      if (points == 0 && digits > 10) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  const double value = readNumber(text.substr(begin, end - begin));
  if (value < 0.001 || value > static_cast<double>(kMaxQuantity)) return std::nullopt;
  return value;
}

LabelAddResult addScaleLabel(Database& db, TextGrid& cart, const ScaleLabel& label,
                             float memberRate) {
  LabelAddResult outcome;
  RecordSet set(db);
  if (!set.open("select * from 库存 where 条码=? order by rowid limit 1", {label.plu}) ||
      !set.next()) {
    return outcome;
  }
  outcome.name = set.field("名称");
  const float price = readSingle(set.field("销售价"));
  const ScaleLine line = scaleLine(label, price);
  if (!line.ok) {
    outcome.result = LabelAdded::NoPrice;
    return outcome;
  }
  // The cart's sale lines of this goods have taken their share already; its return lines none.
  double stock = readNumber(set.field("当前库存"));
  for (int row = 1; row < cart.rowCount(); ++row) {
    if (cart.text(row, kCartBarcode) == label.plu && cart.text(row, kCartType) == kSaleType) {
      stock = std::min(stock, readNumber(cart.text(row, kCartStockLeft)));
    }
  }
  const double weight = static_cast<double>(line.grams) / 1000;
  if (stock - weight < -kGramSlack) {
    outcome.result = LabelAdded::OutOfStock;
    return outcome;
  }
  const float minimum = readSingle(set.field("最低折扣"));
  const float rate = effectiveRate(memberRate, minimum);
  const bool earns = set.field("参与积分") == "真";
  cart.appendRow({integerText(cart.rowCount()), outcome.name, label.plu, set.field("规格"),
                  kSaleType, singleText(price), line.quantityText, doubleText(line.total),
                  singleText(rate), doubleText(round1(line.total * rate / 10)), boolText(earns),
                  singleText(readSingle(set.field("进货价"))), quantityText(stock - weight),
                  singleText(minimum), earns ? doubleText(line.total) : ""});
  outcome.result = LabelAdded::Added;
  return outcome;
}

}  // namespace cz
