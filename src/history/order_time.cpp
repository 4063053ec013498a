#include "history/order_time.h"

#include <cstdio>

#include "util/numbers.h"

namespace cz {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// The stored seconds count from 08:00:00, not from midnight.
constexpr std::int64_t kEpochOffset = 8 * 3600;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

CalendarDay civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = floorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

}  // namespace

std::int64_t daysFromCivil(int year, int month, int day) {
  const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = floorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = month > 2 ? month - 3 : month + 9;
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int64_t orderSeconds(const LocalDateTime& t) {
  return daysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 +
         t.second - kEpochOffset;
}

std::string timestampText(const LocalDateTime& t) {
  return integerText(orderSeconds(t));
}

LocalDateTime orderDateTime(std::int64_t seconds) {
  // Far beyond any calendar a shop uses; keeps the arithmetic clear of overflow.
  constexpr std::int64_t kLimit = 100000000000000LL;
  if (seconds > kLimit) seconds = kLimit;
  if (seconds < -kLimit) seconds = -kLimit;
  const std::int64_t local = seconds + kEpochOffset;
  const std::int64_t days = floorDiv(local, kSecondsPerDay);
  const std::int64_t rest = local - days * kSecondsPerDay;
  const CalendarDay d = civilFromDays(days);
  return {d.year,
          d.month,
          d.day,
          static_cast<int>(rest / 3600),
          static_cast<int>(rest / 60 % 60),
          static_cast<int>(rest % 60)};
}

std::string orderTimeDisplay(const std::string& stored) {
  std::int64_t v = readInteger(stored);
  const std::string digits = integerText(v);
  if (digits.size() != 10) v = readInteger(digits.substr(0, 10));
  const LocalDateTime t = orderDateTime(v);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d-%d-%d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buffer;
}

DayRange dayRange(const CalendarDay& first, const CalendarDay& last) {
  const LocalDateTime start{first.year, first.month, first.day, 0, 0, 0};
  const std::int64_t end =
      (daysFromCivil(last.year, last.month, last.day) + 1) * kSecondsPerDay - kEpochOffset;
  return {timestampText(start), integerText(end)};
}

std::string orderNumber(const std::string& prefix, const LocalDateTime& t) {
  return prefix + std::to_string(t.year) + std::to_string(t.month) + std::to_string(t.day) +
         timestampText(t);
}

}  // namespace cz
