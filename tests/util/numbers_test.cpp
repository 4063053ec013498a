#include "util/numbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cz {
namespace {

TEST(Numbers, ReadNumberTakesTheLongestLeadingNumber) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"", 0},        {"abc", 0},       {"12.5", 12.5}, {"12.5kg", 12.5},
      {"  7", 7},     {"-3.25", -3.25}, {"+4", 4},      {".5", 0.5},
      {"5.", 5},      {"1e3", 1000},    {"1e", 1},      {"2.5e-1x", 0.25},
      {"1.2.3", 1.2}, {"-", 0},         {"-.", 0},      {"1e999", 1.7976931348623157e308},
      {"1e-999", 0},  {"0x10", 0},      {"1,000", 1},   {"1.23457e+06", 1234570},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(readNumber(c.text), c.expected) << c.text;
}

TEST(Numbers, ReadSingleAndIntegers) {
  EXPECT_EQ(readSingle("0.1"), 0.1f);
  EXPECT_EQ(readSingle("1e300"), std::numeric_limits<float>::max());
  const struct {
    const char* text;
    std::int64_t expected;
  } cases[] = {{"2.7", 2},   {"-2.7", -2}, {"abc", 0}, {"", 0},
               {" 42x", 42}, {"+8", 8},    {"1e3", 1}, {"99999999999999999999", INT64_MAX}};
  for (const auto& c : cases) EXPECT_EQ(readInteger(c.text), c.expected) << c.text;
  EXPECT_EQ(truncateToInteger(2.7), 2);
  EXPECT_EQ(truncateToInteger(-2.7), -2);
  EXPECT_EQ(truncateToInteger(NAN), 0);
}

TEST(Numbers, Round1RoundsHalvesAwayFromZero) {
  const struct {
    double x;
    double expected;
  } cases[] = {
      {0, 0},        {0.05, 0.1},   {-0.05, -0.1}, {0.04, 0},
      {2.35, 2.4},   {2.25, 2.3},   {-2.35, -2.4}, {1.15, 1.2},
      {12.34, 12.3}, {12.36, 12.4}, {99.95, 100},  {-0.04, 0},
      {7, 7},        {0.15, 0.2},   {1.005, 1},    {123456.75, 123456.8},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(round1(c.x), c.expected) << c.x;
  EXPECT_EQ(doubleText(round1(-0.04)), "0");  // no "-0" on screen
}

TEST(Numbers, Round1KeepsTheLargestAmountsFinite) {
  // What "1e999" and "8e438.999/" read as: scaling by ten must not turn it into infinity.
  const double largest = readNumber("8e438.999/");
  EXPECT_EQ(round1(largest), largest);
  EXPECT_EQ(round1(-largest), -largest);
  EXPECT_EQ(round1(1e307), 1e307);
}

TEST(Numbers, TextsOfNumbers) {
  const struct {
    float value;
    const char* expected;
  } singles[] = {{12.35f, "12.35"},      {10, "10"},
                 {123.4567f, "123.457"}, {1234567, "1.23457e+06"},
                 {-0.0f, "0"},           {0, "0"},
                 {0.1f, "0.1"},          {-5.5f, "-5.5"},
                 {100000.5f, "100000"},  {99999.95f, "100000"}};
  for (const auto& c : singles) EXPECT_EQ(singleText(c.value), c.expected) << c.expected;

  EXPECT_EQ(doubleText(0.1), "0.1");
  EXPECT_EQ(doubleText(1234567.5), "1234567.5");
  EXPECT_EQ(doubleText(1.0 / 3), "0.3333333333333");
  EXPECT_EQ(doubleText(-0.0), "0");
  EXPECT_EQ(integerText(-42), "-42");
  EXPECT_EQ(boolText(true), "真");
  EXPECT_EQ(boolText(false), "假");
}

}  // namespace
}  // namespace cz
