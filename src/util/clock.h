#pragma once

#include <string>

namespace cz {

// A local calendar date and wall-clock time.
struct LocalDateTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const LocalDateTime&) const = default;
};

// Where "now" comes from, so that time-stamped behaviour can be tested with a fixed time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime now() const = 0;
};

// The machine's local time.
class SystemClock : public Clock {
 public:
  LocalDateTime now() const override;
};

// "2021-10-14 09:05:03": year as a plain number, the rest with two digits, 24-hour clock.
std::string timeText(const LocalDateTime& t);

}  // namespace cz
