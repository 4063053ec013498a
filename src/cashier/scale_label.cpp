#include "cashier/scale_label.h"

#include <cmath>

#include "util/numbers.h"

namespace cz {

namespace {

bool allDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return !text.empty();
}

std::int64_t digitsValue(std::string_view digits) {
  std::int64_t value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

int gs1CheckDigit(std::string_view digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = weight == 3 ? 1 : 3;
  }
  return (10 - sum % 10) % 10;
}

ScaleLabel readScaleLabel(const std::string& text, const ScaleSettings& settings) {
  ScaleLabel label;
  if (!settings.enabled || (text.size() != 13 && text.size() != 18) || !allDigits(text)) {
    return label;
  }
  bool flagged = false;
  for (const std::string& flag : settings.flags) flagged = flagged || text.compare(0, 2, flag) == 0;
  if (!flagged) return label;
  const std::string_view digits(text);
  if (gs1CheckDigit(digits.substr(0, digits.size() - 1)) != digits.back() - '0') {
    label.scan = ScaleScan::BadCheckDigit;
    return label;
  }
  label.scan = ScaleScan::Label;
  label.plu = text.substr(2, 5);
  if (text.size() == 18) {
    label.hasAmount = label.hasWeight = true;
    label.amountFen = digitsValue(digits.substr(7, 5));
    label.grams = digitsValue(digits.substr(12, 5));
  } else if (settings.thirteenDigitWeight) {
    label.hasWeight = true;
    label.grams = digitsValue(digits.substr(7, 5));
  } else {
    label.hasAmount = true;
    label.amountFen = digitsValue(digits.substr(7, 5));
  }
  return label;
}

ScaleLine scaleLine(const ScaleLabel& label, double unitPrice) {
  ScaleLine line;
  if (label.hasWeight) {
    line.grams = label.grams;
  } else if (unitPrice > 0) {
    line.grams = std::llround(static_cast<double>(label.amountFen) * 10.0 / unitPrice);
  } else {
    return line;
  }
  line.ok = true;
  line.quantityText = kilogramText(line.grams);
  line.total = label.hasAmount ? round1(static_cast<double>(label.amountFen) / 100.0)
                               : round1(static_cast<double>(line.grams) / 1000.0 * unitPrice);
  return line;
}

std::string kilogramText(std::int64_t grams) {
  return doubleText(static_cast<double>(grams) / 1000.0);
}

}  // namespace cz
