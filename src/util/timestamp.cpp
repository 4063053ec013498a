#include "util/timestamp.h"

#include "util/numbers.h"

namespace cz {
namespace {

// Days from 1970-01-01 to the proleptic Gregorian date y-m-d (negative before it).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The date of a day count from 1970-01-01.
void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kOffset = 8 * 3600;

}  // namespace

std::int64_t secondsSinceEpoch(const LocalDateTime& t) {
  return daysFromCivil(t.year, t.month, t.day) * kDay + t.hour * 3600 + t.minute * 60 + t.second -
         kOffset;
}

std::string timestampText(const LocalDateTime& t) {
  std::string text = integerText(secondsSinceEpoch(t)) + "000";
  text.resize(10, '0');
  return text;
}

std::string orderNumber(const std::string& prefix, const LocalDateTime& t) {
  return prefix + integerText(t.year) + integerText(t.month) + integerText(t.day) +
         timestampText(t);
}

LocalDateTime dateTimeFromSeconds(std::int64_t seconds) {
  constexpr std::int64_t kLimit = 100000000000000LL;
  if (seconds > kLimit) seconds = kLimit;
  if (seconds < -kLimit) seconds = -kLimit;
  seconds += kOffset;
  std::int64_t days = seconds / kDay;
  std::int64_t rest = seconds % kDay;
  if (rest < 0) {
    rest += kDay;
    --days;
  }
  LocalDateTime t;
  civilFromDays(days, t.year, t.month, t.day);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest % 3600 / 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

std::optional<LocalDateTime> dateTimeFromTimestamp(const std::string& text) {
  if (text.empty() || text.size() > 15) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return dateTimeFromSeconds(readInteger(text));
}

}  // namespace cz
