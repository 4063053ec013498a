#include "history/order_time.h"

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
  const LocalDateTime start{first.year, first.month, first.day, 0, 0, 0};
  const LocalDateTime end{last.year, last.month, last.day, 0, 0, 0};
  return {timestampText(start), integerText(secondsSinceEpoch(end) + kDay)};
}

}  // namespace cz
