#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/session.h"

namespace cz {

// The check digit of a GS1 barcode over `digits` (the digits before the check digit): weights 3
// and 1 alternate from the rightmost digit, and the digit brings the sum to a multiple of ten.
// `digits` must hold ASCII digits only.
int gs1CheckDigit(std::string_view digits);

// What a scanned text is for the till.
enum class ScaleScan {
  NotALabel,      // an ordinary barcode: the scale is off, or the text has no label's form
  BadCheckDigit,  // a label's form and flag, but its last digit does not check
  Label,          // a label; the fields of ScaleLabel hold its values
};

struct ScaleLabel {
  ScaleScan scan = ScaleScan::NotALabel;
  std::string plu;  // the five PLU digits, leading zeros kept: the goods' 条码
  bool hasAmount = false;
  std::int64_t amountFen = 0;
  bool hasWeight = false;
  std::int64_t grams = 0;
};

// Reads `text` as a scale label: 13 digits FF PPPPP VVVVV C (VVVVV the amount in fen, or the
// weight in grams with 格式=重量) or 18 digits FF PPPPP AAAAA WWWWW C (amount and weight), FF one
// of the flags, C the check digit. Anything else, or any text while the scale is off, is
// NotALabel.
ScaleLabel readScaleLabel(const std::string& text, const ScaleSettings& settings);

// The cart line a label makes for goods sold at `unitPrice` per kilogram.
struct ScaleLine {
  bool ok = false;           // false: an amount-only label for goods without a price
  std::int64_t grams = 0;    // the quantity in grams
  std::string quantityText;  // 数量: kilograms, up to three decimals ("0.617")
  double total = 0;          // 总价, rounded to one decimal
};

// The weight is the label's, or the amount ÷ unitPrice to the gram; 总价 is the label's amount,
// or the weight × unitPrice for a weight-only label, rounded like every amount.
ScaleLine scaleLine(const ScaleLabel& label, double unitPrice);

// Kilograms as the cart and the stock show them: up to three decimals, no trailing zeros.
std::string kilogramText(std::int64_t grams);

// "称重条码校验错误": a label whose check digit is wrong; nothing is added.
inline constexpr const char* kBadScaleLabelMessage = "称重条码校验错误";

}  // namespace cz
