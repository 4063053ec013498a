#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cz {

// The one place where the program reads numbers from text, rounds money and writes numbers as
// text. Nobody formats an amount with a printf of their own.

// Reads the longest leading decimal number (leading blanks, an optional sign, digits with an
// optional fraction and an optional exponent). Empty or non-numeric text reads as 0.
double readNumber(std::string_view text);

// readNumber stored in single precision.
float readSingle(std::string_view text);

// A double stored in single precision as readSingle stores what it reads: values beyond the
// single range become its largest value of that sign.
float toSingle(double value);

// Reads the leading integer digits with an optional sign: "2.7" reads as 2, "abc" as 0.
// Values beyond the 64-bit range are clamped to it.
std::int64_t readInteger(std::string_view text);

// Drops the fraction of a number (2.7 → 2, −2.7 → −2); out-of-range values are clamped and NaN
// gives 0.
std::int64_t truncateToInteger(double value);

// Rounds to one decimal, halves away from zero. The only rounding of money and points.
double round1(double x);

// Text of a single-precision value, written like printf "%.6g"; negative zero is written "0".
std::string singleText(float value);

// Text of a double, written like printf "%.13g"; negative zero is written "0".
std::string doubleText(double value);

// Plain decimal text of an integer.
std::string integerText(std::int64_t value);

// "真" or "假".
std::string boolText(bool value);

// The points total rounded to one decimal, as text (totals from 100 000 on read without single
// rounding).
std::string roundedPointsText(const std::string& pointsTotal);

}  // namespace cz
