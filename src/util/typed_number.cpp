#include "util/typed_number.h"

#include "util/numbers.h"

namespace cz {

namespace {

// Upper bounds that keep every figure worked out from a cell exact and far from overflow.
constexpr double kMaxAmount = 99999999;
constexpr double kMaxCount = 999999999;
constexpr double kMaxQuantity = 999999;
// A rate is compared in single precision with this slack, as the discount checks do.
constexpr double kRateTolerance = 0.0000001;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string typedNumberText(std::string_view text) {
  return std::string(trimmed(text));
}

TypedNumberCheck checkTypedNumber(std::string_view text, TypedNumberKind kind) {
  text = trimmed(text);
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  size_t digits = 0;
  size_t points = 0;
  size_t decimals = 0;
  for (const char c : text) {
    if (isDigit(c)) {
      ++digits;
      if (points > 0) ++decimals;
    } else if (c == '.') {
      ++points;
    } else {
      return TypedNumberCheck::NotANumber;
    }
  }
  if (digits == 0 || points > 1) return TypedNumberCheck::NotANumber;
  const double value = readNumber(text);
  if (negative) return TypedNumberCheck::OutOfRange;
  const bool whole = points == 0;
  switch (kind) {
    case TypedNumberKind::Amount:
      return value <= kMaxAmount ? TypedNumberCheck::Fine : TypedNumberCheck::OutOfRange;
    case TypedNumberKind::Count:
      return whole && value <= kMaxCount ? TypedNumberCheck::Fine : TypedNumberCheck::OutOfRange;
    case TypedNumberKind::Quantity:
      return whole && value >= 1 && value <= kMaxQuantity ? TypedNumberCheck::Fine
                                                          : TypedNumberCheck::OutOfRange;
    case TypedNumberKind::WeightCount:
      return decimals <= 3 && value <= kMaxCount ? TypedNumberCheck::Fine
                                                 : TypedNumberCheck::OutOfRange;
    case TypedNumberKind::Weight:
      return decimals <= 3 && value >= 0.001 && value <= kMaxQuantity
                 ? TypedNumberCheck::Fine
                 : TypedNumberCheck::OutOfRange;
    case TypedNumberKind::Rate:
      return static_cast<double>(static_cast<float>(value)) - 10.0 > kRateTolerance
                 ? TypedNumberCheck::OutOfRange
                 : TypedNumberCheck::Fine;
  }
  return TypedNumberCheck::NotANumber;
}

std::string typedNumberMessage(std::string_view column, TypedNumberKind kind,
                               TypedNumberCheck check) {
  const std::string name = "[" + std::string(column) + "]";
  if (check == TypedNumberCheck::NotANumber) return name + "不是有效的数字";
  switch (kind) {
    case TypedNumberKind::Amount:
      return name + "必须在0到" + integerText(static_cast<std::int64_t>(kMaxAmount)) + "之间";
    case TypedNumberKind::Count:
      return name + "必须是0到" + integerText(static_cast<std::int64_t>(kMaxCount)) +
             "之间的整数";
    case TypedNumberKind::Quantity:
      return name + "必须是1到" + integerText(static_cast<std::int64_t>(kMaxQuantity)) +
             "之间的整数";
    case TypedNumberKind::WeightCount:
      return name + "必须在0到" + integerText(static_cast<std::int64_t>(kMaxCount)) +
             "之间，最多三位小数";
    case TypedNumberKind::Weight:
      return name + "必须在0.001到" + integerText(static_cast<std::int64_t>(kMaxQuantity)) +
             "之间，最多三位小数";
    case TypedNumberKind::Rate:
      return name + "必须在0到10之间";
  }
  return name + "不是有效的数字";
}

std::string typedNumberProblem(std::string_view column, std::string_view text,
                               TypedNumberKind kind) {
  const TypedNumberCheck check = checkTypedNumber(text, kind);
  return check == TypedNumberCheck::Fine ? std::string() : typedNumberMessage(column, kind, check);
}

}  // namespace cz
