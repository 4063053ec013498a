// Feeds arbitrary text to the number readers and the values they give to the rounding and the
// writers: no amount read from text may be infinite or NaN, and no conversion may overflow.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "util/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const double number = cz::readNumber(text);
  FUZZ_CHECK(std::isfinite(number));
  const float single = cz::readSingle(text);
  FUZZ_CHECK(std::isfinite(single));
  const std::int64_t integer = cz::readInteger(text);

  // Rounding keeps a finite amount finite and moves it by at most half a tenth (a hair more for
  // values a hair below a half, which round up on purpose).
  const double rounded = cz::round1(number);
  FUZZ_CHECK(std::isfinite(rounded));
  FUZZ_CHECK(std::fabs(rounded - number) <= 0.05 + 2e-13 + std::fabs(number) * 1e-15);
  FUZZ_CHECK(std::isfinite(cz::round1(single)));
  cz::truncateToInteger(number);
  cz::truncateToInteger(rounded);

  // What the writers give reads back: integers exactly, doubles to their 13 written digits.
  FUZZ_CHECK(cz::readInteger(cz::integerText(integer)) == integer);
  const double reread = cz::readNumber(cz::doubleText(number));
  FUZZ_CHECK(std::fabs(reread - number) <= std::fabs(number) * 1e-12 + 1e-300);
  const float singleAgain = cz::readSingle(cz::singleText(single));
  FUZZ_CHECK(std::fabs(singleAgain - single) <= std::fabs(single) * 1e-5f + 1e-38f);
  return 0;
}
