#pragma once

#include <string>

#include "util/timestamp.h"

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

// The bounds of the days first..last as stored texts, for `日期 >= from and 日期 < until`: from
// 00:00:00 of `first` (inclusive) to 00:00:00 of the day after `last` (exclusive).
//
// Stored texts compare as text (so the 日期 index serves the range), which orders them like the
// times only while both sides have ten digits: a nine-digit bound (before 2001-09-09) would sort
// after every stored time. Stored times are ten digits, or longer with milliseconds, which fall in
// the range of their first ten; so each bound is clamped to the ten-digit times (1000000000 up to
// 9999999999, that is 2001-09-09 09:46:40 to 2286-11-21 01:46:39). A range ending after the last
// ten-digit time gets an upper bound above every such text and its longer forms; a range that
// holds no ten-digit time gets from == until, which finds nothing.
struct DayRange {
  std::string from;
  std::string until;
};
DayRange dayRange(const CalendarDay& first, const CalendarDay& last);

}  // namespace cz
