#include "history/order_time.h"

#include <algorithm>
#include <cstdio>

#include "util/numbers.h"

namespace cz {

std::string orderTimeDisplay(const std::string& stored) {
  std::int64_t v = readInteger(stored);
  const std::string digits = integerText(v);
  if (digits.size() != 10) v = readInteger(digits.substr(0, 10));
  const LocalDateTime t = dateTimeFromSeconds(v);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d-%d-%d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buffer;
}

DayRange dayRange(const CalendarDay& first, const CalendarDay& last) {
  constexpr std::int64_t kDay = 86400;
  constexpr std::int64_t kFirstTen = 1000000000;  // the first ten-digit time
  constexpr std::int64_t kPastTen = 10000000000;  // one past the last
  const std::int64_t from =
      std::max(kFirstTen, secondsSinceEpoch({first.year, first.month, first.day, 0, 0, 0}));
  const std::int64_t until =
      std::min(kPastTen, secondsSinceEpoch({last.year, last.month, last.day, 0, 0, 0}) + kDay);
  if (from >= until) return {integerText(kFirstTen), integerText(kFirstTen)};
  // ':' follows '9', so "9999999999:" sorts after "9999999999" and every longer run of digits
  // that begins with it.
  return {integerText(from), until == kPastTen ? "9999999999:" : integerText(until)};
}

}  // namespace cz
