// Feeds arbitrary bytes to both directions of the GBK pair. Valid UTF-8 must survive the trip to
// GBK and back unchanged; anything read from GBK must be valid UTF-8; the character scanner must
// step through any text in whole characters.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "util/gbk.h"

namespace {

// Strict UTF-8: shortest forms only, no surrogates, nothing past U+10FFFF. Counts the
// private-use characters that are written with their old GBK codes and read back as the proper
// characters of those codes, so do not come back as they went.
bool isValidUtf8(std::string_view text, int* legacyCharacters = nullptr) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, smallest = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    if (legacyCharacters != nullptr &&
        ((c >= 0xE78D && c <= 0xE796) || (c >= 0xE816 && c <= 0xE864))) {
      ++*legacyCharacters;
    }
    i += length;
  }
  return true;
}

void checkCharacterSteps(std::string_view gbk) {
  std::size_t pos = 0;
  while (pos < gbk.size()) {
    const std::size_t length = cz::gbkCharLength(gbk, pos);
    FUZZ_CHECK(length == 1 || length == 2 || length == 4);
    FUZZ_CHECK(pos + length <= gbk.size());
    pos += length;
  }
  FUZZ_CHECK(cz::gbkCharLength(gbk, gbk.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The bytes as GBK.
  const std::string utf8 = cz::gbkToUtf8(bytes);
  FUZZ_CHECK(isValidUtf8(utf8));
  checkCharacterSteps(bytes);

  // The bytes as UTF-8.
  const std::string gbk = cz::utf8ToGbk(bytes);
  checkCharacterSteps(gbk);
  int legacy = 0;
  if (isValidUtf8(bytes, &legacy)) {
    if (legacy == 0) {
      FUZZ_CHECK(cz::gbkToUtf8(gbk) == bytes);
    } else {
      // No character is lost to a '?' all the same.
      const auto questionMarks = [](std::string_view text) {
        return std::count(text.begin(), text.end(), '?');
      };
      FUZZ_CHECK(questionMarks(gbk) == questionMarks(bytes));
    }
  }
  return 0;
}
