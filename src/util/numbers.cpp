#include "util/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace cz {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

size_t skipBlanks(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

// Length of the longest leading decimal number starting at `start`, 0 when there is none.
size_t numberLength(std::string_view text, size_t start) {
  size_t i = start;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    size_t j = i + 1;
    size_t fraction = 0;
    while (j < text.size() && isDigit(text[j])) ++j, ++fraction;
    if (digits + fraction > 0) {
      i = j;
      digits += fraction;
    }
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    size_t expDigits = 0;
    while (j < text.size() && isDigit(text[j])) ++j, ++expDigits;
    if (expDigits > 0) i = j;
  }
  return i - start;
}

std::string printfText(const char* format, double value) {
  if (value == 0) value = 0;  // folds negative zero
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

double readNumber(std::string_view text) {
  const size_t start = skipBlanks(text);
  const size_t length = numberLength(text, start);
  if (length == 0) return 0;
  const char* first = text.data() + start;
  if (*first == '+') ++first;  // from_chars takes no plus sign
  double value = 0;
  const auto [end, error] = std::from_chars(first, text.data() + start + length, value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // Too large reads as the largest finite number, too small as 0, so no amount is infinite.
    const bool negative = text[start] == '-';
    const bool tiny = [&] {
      for (const char* p = first; p < text.data() + start + length; ++p) {
        if (*p == 'e' || *p == 'E') return p[1] == '-';
      }
      return false;
    }();
    if (tiny) return 0;
    return negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
  }
  return value;
}

float readSingle(std::string_view text) {
  return toSingle(readNumber(text));
}

float toSingle(double value) {
  constexpr double maxSingle = std::numeric_limits<float>::max();
  if (value > maxSingle) return std::numeric_limits<float>::max();
  if (value < -maxSingle) return -std::numeric_limits<float>::max();
  return static_cast<float>(value);
}

std::int64_t readInteger(std::string_view text) {
  size_t i = skipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
  for (; i < text.size() && isDigit(text[i]); ++i) {
    const int digit = text[i] - '0';
    if (value > (limit - digit) / 10)
      return negative ? std::numeric_limits<std::int64_t>::min() : limit;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

std::int64_t truncateToInteger(double value) {
  if (std::isnan(value)) return 0;
  constexpr double bound = 9223372036854775807.0;
  if (value >= bound) return std::numeric_limits<std::int64_t>::max();
  if (value <= -bound) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

double round1(double x) {
  if (x == 0 || !std::isfinite(x)) return x == 0 ? 0 : x;
  // So large a value has no tenths to round, and scaling it by ten would overflow to infinity
  // (a typed "1e308" is read as the largest finite number).
  if (std::fabs(x) > std::numeric_limits<double>::max() / 10) return x;
  // The tiny addend lets values such as 2.35, stored as 2.3499999…, round up as written.
  const double v = std::fabs(x) * 10 + 0.000000000001;
  const double n = std::floor(v);
  const double r = (v - n >= 0.5) ? n + 1 : n;
  const double result = r / 10;
  return x < 0 ? -result : result;
}

std::string singleText(float value) {
  return printfText("%.6g", static_cast<double>(value));
}

std::string doubleText(double value) {
  return printfText("%.13g", value);
}

std::string integerText(std::int64_t value) {
  return std::to_string(value);
}

std::string boolText(bool value) {
  return value ? "真" : "假";
}

std::string roundedPointsText(const std::string& pointsTotal) {
  const float single = readSingle(pointsTotal);
  if (std::fabs(single) < 100000) return doubleText(round1(single));
  return doubleText(round1(readNumber(pointsTotal)));
}

}  // namespace cz
