#include "history/order_time.h"

#include <gtest/gtest.h>

namespace cz {
namespace {

TEST(OrderTime, DisplayUsesA24HourClockWithoutLeadingZerosInTheDate) {
  struct Case {
    std::string stored;
    std::string shown;
  };
  const Case cases[] = {
      {"1634191509", "2021-10-14 14:05:09"},
      {"1634191509123", "2021-10-14 14:05:09"},  // milliseconds: the first ten digits
      {timestampText({2021, 3, 5, 9, 5, 9}), "2021-3-5 09:05:09"},
      {timestampText({2021, 3, 5, 0, 0, 0}), "2021-3-5 00:00:00"},
      {"", "1970-1-1 08:00:00"},
      {"abc", "1970-1-1 08:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(orderTimeDisplay(c.stored), c.shown) << c.stored;
}

TEST(OrderTime, DayRangeRunsFromMidnightToTheNextMidnight) {
  const DayRange one = dayRange({2021, 10, 14}, {2021, 10, 14});
  EXPECT_EQ(one.from, timestampText({2021, 10, 14, 0, 0, 0}));
  EXPECT_EQ(one.until, timestampText({2021, 10, 15, 0, 0, 0}));
  const DayRange leap = dayRange({2024, 2, 28}, {2024, 2, 29});
  EXPECT_EQ(leap.until, timestampText({2024, 3, 1, 0, 0, 0}));
  EXPECT_EQ(one.from.size(), 10u);
}

}  // namespace
}  // namespace cz
