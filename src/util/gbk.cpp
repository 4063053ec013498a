#include "util/gbk.h"

#include <iconv.h>

#include <cerrno>

namespace cz {

namespace {

constexpr std::string_view kGbkReplacement = "?";
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";  // U+FFFD

// One iconv descriptor per thread and direction: iconv_t keeps conversion state, so it must not
// be shared between threads, and opening one per call would cost a module lookup each time.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t handle() const { return m_cd; }

 private:
  iconv_t m_cd;
};

// Bytes to skip at an invalid or unconvertible UTF-8 sequence: the lead byte and the continuation
// bytes that follow it, up to the length the lead byte announces, so that one bad character
// becomes one replacement.
std::size_t utf8SkipLength(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t expected = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    expected = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    expected = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    expected = 4;
  }
  std::size_t length = 1;
  while (length < expected && pos + length < text.size() &&
         (static_cast<unsigned char>(text[pos + length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

using SkipLength = std::size_t (*)(std::string_view, std::size_t);
// The bytes to write for a sequence the converter refused, instead of the replacement; empty when
// there are none. Moves `pos` past what it took.
using Substitute = std::string_view (*)(std::string_view, std::size_t& pos);

// Private-use characters that GBK and the 2005 GB18030 table encode in two bytes, and that newer
// GB18030 tables (glibc's among them) no longer encode, because their characters have proper
// code points now. They are written with those two bytes, so the character reaches the file (and
// a Windows reader) instead of a '?'; read back here, the bytes give the proper code point.
struct LegacyCode {
  char32_t codePoint;
  const char* bytes;
};
constexpr LegacyCode kLegacyCodes[] = {
    {0xE78D, "\xA6\xD9"}, {0xE78E, "\xA6\xDA"}, {0xE78F, "\xA6\xDB"}, {0xE790, "\xA6\xDC"},
    {0xE791, "\xA6\xDD"}, {0xE792, "\xA6\xDE"}, {0xE793, "\xA6\xDF"}, {0xE794, "\xA6\xEC"},
    {0xE795, "\xA6\xED"}, {0xE796, "\xA6\xF3"}, {0xE816, "\xFE\x51"}, {0xE817, "\xFE\x52"},
    {0xE818, "\xFE\x53"}, {0xE81E, "\xFE\x59"}, {0xE826, "\xFE\x61"}, {0xE82B, "\xFE\x66"},
    {0xE82C, "\xFE\x67"}, {0xE831, "\xFE\x6C"}, {0xE832, "\xFE\x6D"}, {0xE83B, "\xFE\x76"},
    {0xE843, "\xFE\x7E"}, {0xE854, "\xFE\x90"}, {0xE855, "\xFE\x91"}, {0xE864, "\xFE\xA0"},
};

std::string_view legacyCode(std::string_view utf8, std::size_t& pos) {
  // Every one of them is a three-byte UTF-8 sequence starting with 0xEE.
  if (pos + 3 > utf8.size() || static_cast<unsigned char>(utf8[pos]) != 0xEE) return {};
  const char32_t c = ((static_cast<unsigned char>(utf8[pos]) & 0x0F) << 12) |
                     ((static_cast<unsigned char>(utf8[pos + 1]) & 0x3F) << 6) |
                     (static_cast<unsigned char>(utf8[pos + 2]) & 0x3F);
  if ((static_cast<unsigned char>(utf8[pos + 1]) & 0xC0) != 0x80 ||
      (static_cast<unsigned char>(utf8[pos + 2]) & 0xC0) != 0x80) {
    return {};
  }
  for (const LegacyCode& code : kLegacyCodes) {
    if (code.codePoint == c) {
      pos += 3;
      return std::string_view(code.bytes, 2);
    }
  }
  return {};
}

std::string_view noSubstitute(std::string_view, std::size_t&) {
  return {};
}

// Used only when the platform cannot open the converter: keeps ASCII, replaces everything else.
std::string asciiOnly(std::string_view in, std::string_view replacement, SkipLength skipLength) {
  std::string out;
  out.reserve(in.size());
  std::size_t pos = 0;
  while (pos < in.size()) {
    if (static_cast<unsigned char>(in[pos]) < 0x80) {
      out += in[pos++];
    } else {
      out += replacement;
      pos += skipLength(in, pos);
    }
  }
  return out;
}

std::string convert(const Converter& converter, std::string_view in, std::string_view replacement,
                    SkipLength skipLength, Substitute substitute) {
  if (!converter.valid()) return asciiOnly(in, replacement, skipLength);
  iconv_t cd = converter.handle();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state

  std::string out(in.size() * 2 + 16, '\0');
  std::size_t outPos = 0;
  // iconv's interface takes char**, but it never writes through the input pointer.
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();

  while (inLeft > 0) {
    if (out.size() - outPos < 16) out.resize(out.size() * 2);
    char* outPtr = out.data() + outPos;
    std::size_t outLeft = out.size() - outPos;
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    outPos = static_cast<std::size_t>(outPtr - out.data());
    if (result != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ (invalid or unmappable sequence) or EINVAL (incomplete sequence at the end): put one
    // replacement (or a legacy code) in its place and carry on after it. Anything else is
    // unexpected; the same handling still guarantees progress.
    const std::size_t pos = in.size() - inLeft;
    std::size_t next = pos;
    const std::string_view substitution = error == EILSEQ ? substitute(in, next) : "";
    const std::size_t skip = !substitution.empty() ? next - pos
                             : error == EINVAL     ? inLeft
                                                   : skipLength(in, pos);
    out.resize(outPos);
    out += substitution.empty() ? replacement : substitution;
    outPos = out.size();
    out.resize(outPos + inLeft * 2 + 16);
    inPtr += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(outPos);
  return out;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
  thread_local const Converter converter("GB18030", "UTF-8");
  return convert(converter, utf8, kGbkReplacement, utf8SkipLength, legacyCode);
}

std::string gbkToUtf8(std::string_view gbk) {
  thread_local const Converter converter("UTF-8", "GB18030");
  // A well-formed but unmappable character is skipped as a whole, anything else one byte at a
  // time: the byte after a stray lead byte may well be ASCII.
  return convert(converter, gbk, kUtf8Replacement, gbkCharLength, noSubstitute);
}

std::size_t gbkCharLength(std::string_view gbk, std::size_t pos) {
  if (pos >= gbk.size()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(gbk[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x81 || lead == 0xFF || pos + 1 >= gbk.size()) return 1;
  const unsigned char second = byte(pos + 1);
  if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE)) return 2;
  if (second >= 0x30 && second <= 0x39 && pos + 3 < gbk.size()) {
    const unsigned char third = byte(pos + 2);
    const unsigned char fourth = byte(pos + 3);
    if (third >= 0x81 && third <= 0xFE && fourth >= 0x30 && fourth <= 0x39) return 4;
  }
  return 1;
}

}  // namespace cz
