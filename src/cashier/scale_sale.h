#pragma once

#include <optional>
#include <string>

#include "cashier/scale_label.h"

namespace cz {

class Database;
class TextGrid;

// A quantity as a cart line and the stock show it: to the gram, without trailing zeros ("0.617",
// "2"). Whole numbers, as every goods not sold by weight has, stay whole.
std::string quantityText(double quantity);

// A quantity typed into the line of a weighed goods: above 0 and at most the largest quantity,
// with up to three decimals, digits and one point only, blanks around allowed. Nothing for
// anything else.
std::optional<double> typedWeight(const std::string& text);

// What a scanned scale label did to the cart.
enum class LabelAdded {
  Added,
  UnknownGoods,  // no goods has the PLU as its 条码
  NoPrice,       // an amount-only label for goods without a 销售价: no weight to work out
  OutOfStock,    // the weight is more than the stock left
};
struct LabelAddResult {
  LabelAdded result = LabelAdded::UnknownGoods;
  std::string name;  // the goods' 名称, once found
};

// Adds the line `label` (a read label, ScaleScan::Label) makes: the goods whose 条码 is its PLU,
// 数量 the weight in kilograms, 总价 the label's amount (or weight × 单价), 实收 at the rate the
// goods gets for `memberRate`. Always a new line, so two labels of one goods are two lines. The
// stock left is the stock read now less what the cart's lines of that goods already hold.
LabelAddResult addScaleLabel(Database& db, TextGrid& cart, const ScaleLabel& label,
                             float memberRate);

}  // namespace cz
