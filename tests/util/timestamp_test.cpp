#include "util/timestamp.h"

#include <gtest/gtest.h>

#include "util/clock.h"

namespace cz {
namespace {

TEST(Timestamp, CountsSecondsFromEightInTheMorningOfNewYear1970) {
  const struct {
    LocalDateTime t;
    std::int64_t seconds;
    std::string text;
  } cases[] = {
      {{1970, 1, 1, 8, 1, 40}, 100, "1000000000"},
      {{2001, 9, 9, 9, 46, 40}, 1000000000, "1000000000"},
      {{2021, 10, 14, 13, 40, 5}, 1634190005, "1634190005"},
      {{2024, 2, 29, 23, 59, 59}, 1709222399, "1709222399"},
      {{2024, 3, 1, 0, 0, 0}, 1709222400, "1709222400"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(secondsSinceEpoch(c.t), c.seconds);
    EXPECT_EQ(timestampText(c.t), c.text);
    if (c.seconds >= 1000000000) {
      EXPECT_EQ(dateTimeFromTimestamp(c.text), c.t);
    }
  }
}

TEST(Timestamp, OrderNumberWritesTheDateWithoutLeadingZeros) {
  EXPECT_EQ(orderNumber("SX", {2021, 3, 5, 8, 0, 0}),
            "SX202135" + timestampText({2021, 3, 5, 8, 0, 0}));
  EXPECT_EQ(orderNumber("CG", {2021, 10, 14, 13, 40, 5}), "CG202110141634190005");
}

TEST(Timestamp, TimeTextPadsEveryFieldButTheYear) {
  const struct {
    LocalDateTime t;
    const char* text;
  } cases[] = {
      {{2021, 10, 14, 9, 5, 3}, "2021-10-14 09:05:03"},
      {{1999, 12, 31, 23, 59, 59}, "1999-12-31 23:59:59"},
      {{999, 1, 2, 3, 4, 5}, "999-01-02 03:04:05"},
      {{12345, 1, 1, 0, 0, 0}, "12345-01-01 00:00:00"},
      {{2021, 1, 1, 0, 0, 100}, "2021-01-01 00:00:100"},
  };
  for (const auto& c : cases) EXPECT_EQ(timeText(c.t), c.text);
}

TEST(Timestamp, OnlyDigitsReadBack) {
  for (const char* text : {"", "12a", "-5", " 1634190005", "1234567890123456"}) {
    EXPECT_FALSE(dateTimeFromTimestamp(text)) << text;
  }
}

}  // namespace
}  // namespace cz
