#include "util/clock.h"

#include <cstdio>
#include <ctime>

namespace cz {

LocalDateTime SystemClock::now() const {
  const std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string timeText(const LocalDateTime& t) {
  // Every log entry is stamped with it: the usual case without the formatter.
  const auto twoDigits = [](int v) { return v >= 0 && v <= 99; };
  if (t.year >= 1000 && t.year <= 9999 && twoDigits(t.month) && twoDigits(t.day) &&
      twoDigits(t.hour) && twoDigits(t.minute) && twoDigits(t.second)) {
    std::string text(19, '-');
    const auto put = [&text](size_t at, int v) {
      text[at] = static_cast<char>('0' + v / 10);
      text[at + 1] = static_cast<char>('0' + v % 10);
    };
    put(0, t.year / 100);
    put(2, t.year % 100);
    put(5, t.month);
    put(8, t.day);
    text[10] = ' ';
    put(11, t.hour);
    text[13] = ':';
    put(14, t.minute);
    text[16] = ':';
    put(17, t.second);
    return text;
  }
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return buffer;
}

}  // namespace cz
