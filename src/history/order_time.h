#pragma once

#include <cstdint>
#include <string>

#include "core/clock.h"

namespace cz {

// Order times are stored as the whole seconds from 1970-01-01 08:00:00 local time (Unix time of a
// clock at UTC+8), as decimal text. These conversions are plain calendar arithmetic, so they do not
// depend on the machine's time zone.

// A calendar day.
struct CalendarDay {
  int year = 1970;
  int month = 1;
  int day = 1;
  bool operator==(const CalendarDay&) const = default;
};

// Days from 1970-01-01 to the given date (negative before it).
std::int64_t daysFromCivil(int year, int month, int day);

// The seconds of a local date-time as stored in 日期 ("1634191509" for 2021-10-14 14:05:09).
std::int64_t orderSeconds(const LocalDateTime& t);
std::string timestampText(const LocalDateTime& t);

// The local date-time of a stored seconds value.
LocalDateTime orderDateTime(std::int64_t seconds);

// The display form of a stored 日期 text: "2021-3-5 09:05:09" (month and day without leading
// zeros, 24-hour clock). A value that is not ten digits long is cut to its first ten digits, so
// a millisecond value shows its second; text that is not a number shows the start of the epoch.
std::string orderTimeDisplay(const std::string& stored);

// The bounds of the days first..last as stored texts: from 00:00:00 of `first` (inclusive) to
// 00:00:00 of the day after `last` (exclusive).
struct DayRange {
  std::string from;
  std::string until;
};
DayRange dayRange(const CalendarDay& first, const CalendarDay& last);

// "CG" / "SX" + year + month + day without leading zeros + the timestamp text.
std::string orderNumber(const std::string& prefix, const LocalDateTime& t);

}  // namespace cz
