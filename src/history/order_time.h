#pragma once

#include <string>

#include "core/timestamp.h"

namespace cz {

// Order times are stored as timestamp texts (core/timestamp.h); these are the order lists' views
// of them.

// A calendar day.
struct CalendarDay {
  int year = 1970;
  int month = 1;
  int day = 1;
  bool operator==(const CalendarDay&) const = default;
};

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

}  // namespace cz
