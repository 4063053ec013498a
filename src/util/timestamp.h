#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "util/clock.h"

namespace cz {

// Whole seconds from 1970-01-01 08:00:00 to the local date-time `t`, by calendar arithmetic
// (the machine's time zone plays no part). Negative before that moment.
std::int64_t secondsSinceEpoch(const LocalDateTime& t);

// The timestamp text of `t`: the seconds above in decimal, followed by the milliseconds as three
// digits (000: the clock has whole seconds), cut to ten characters and padded with "0" to ten.
// For any moment after September 2001 this is exactly the ten-digit second count. It is the
// stored 日期 of sales and purchase orders.
std::string timestampText(const LocalDateTime& t);

// prefix + year + month + day (no leading zeros) + timestampText, all from the one reading `t`:
// "SX" + "20211014" + "1634198805" for a sale ("CG" for a purchase).
std::string orderNumber(const std::string& prefix, const LocalDateTime& t);

// The local date-time `seconds` after 1970-01-01 08:00:00 (clamped far beyond any calendar a
// shop uses).
LocalDateTime dateTimeFromSeconds(std::int64_t seconds);

// The local date-time of a stored timestamp text (the inverse of timestampText for moments after
// September 2001). Nothing when the text is not a plain run of decimal digits.
std::optional<LocalDateTime> dateTimeFromTimestamp(const std::string& text);

}  // namespace cz
