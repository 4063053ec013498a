#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cz {

// The program's one text-encoding pair. Inside the program every text is UTF-8; files shared with
// Windows installations (the INI files) hold GBK. The conversion uses GB18030, which is GBK for
// every GBK character and can still encode every other Unicode character, so nothing is lost.
// Both functions are thread-safe.

// Converts UTF-8 text to GBK. Never throws: each invalid UTF-8 sequence becomes one '?' and the
// conversion goes on. The 24 private-use characters that GBK gave two-byte codes but newer GB18030
// tables no longer encode are written with those codes; they read back as the proper characters
// that the codes stand for today (U+FE10…, U+9FB4…, U+20087…). If the platform has no converter at
// all, ASCII passes through and every other character becomes '?'.
std::string utf8ToGbk(std::string_view utf8);

// Converts GBK text to UTF-8. Never throws: each invalid or unmappable byte sequence becomes one
// U+FFFD and the conversion goes on. If the platform has no converter at all, ASCII passes through
// and every other character becomes U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

// Length in bytes (1, 2 or 4) of the GBK character that starts at byte `pos` of `gbk`, so that
// callers can scan GBK text without splitting a character: a two-byte character's second byte
// may look like ASCII ('@' to '~', including '[', '\' and ']'). A byte that does not start a
// complete, well-formed character counts as 1. Returns 0 when `pos` is past the end.
std::size_t gbkCharLength(std::string_view gbk, std::size_t pos);

}  // namespace cz
