#include "util/json_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace cz::json_text {

// ---------------------------------------------------------------------------------------------
// UTF-8

static constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// Decodes the character starting at text[pos] and moves pos past it. A byte that does not start
// a well-formed sequence gives kInvalidUtf8 and moves pos by one.
static char32_t decodeUtf8(std::string_view text, std::size_t& pos) {
  const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byteAt(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  std::size_t length = 0;
  char32_t c = 0;
  char32_t smallest = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, smallest = 0x10000;
  } else {
    ++pos;
    return kInvalidUtf8;
  }
  if (pos + length > text.size()) {
    ++pos;
    return kInvalidUtf8;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = byteAt(pos + k);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kInvalidUtf8;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return kInvalidUtf8;
  }
  pos += length;
  return c;
}

static bool isCjkIdeograph(char32_t c) {
  return (c >= 0x3005 && c <= 0x3007) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0x20000 && c <= 0x323AF);
}

static bool isIdentifierStart(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
         isCjkIdeograph(c);
}

bool isIdentifier(std::string_view name) {
  if (name.empty()) return false;
  for (std::size_t pos = 0; pos < name.size();) {
    const bool first = pos == 0;
    const char32_t c = decodeUtf8(name, pos);
    if (!isIdentifierStart(c) && (first || c < '0' || c > '9')) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

// Invisible and formatting characters are written as \u escapes so that a stored text shows
// every character it holds in any viewer and is never broken across lines by one.
static bool isWrittenAsUnicodeEscape(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xAD || (c >= 0x600 && c <= 0x604) ||
         c == 0x70F || c == 0x17B4 || c == 0x17B5 || (c >= 0x200C && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202F) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
         (c >= 0xFFF0 && c <= 0xFFFF);
}

void writeString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (std::size_t pos = 0; pos < text.size();) {
    // A run of characters written as they are goes in at once.
    const auto plain = [&](std::size_t at) {
      const unsigned char byte = static_cast<unsigned char>(text[at]);
      return byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\';
    };
    if (plain(pos)) {
      std::size_t end = pos + 1;
      while (end < text.size() && plain(end)) ++end;
      out.append(text, pos, end - pos);
      pos = end;
      continue;
    }
    const std::size_t start = pos;
    char32_t c = decodeUtf8(text, pos);
    switch (c) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\b':
        out += "\\b";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\f':
        out += "\\f";
        continue;
      case '\r':
        out += "\\r";
        continue;
      default:
        break;
    }
    // A byte that is not UTF-8 becomes U+FFFD, so the written text always reads back.
    if (c == kInvalidUtf8) c = 0xFFFD;
    if (isWrittenAsUnicodeEscape(c)) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    } else {
      out.append(text, start, pos - start);
    }
  }
  out += '"';
}

// A finite number as JavaScript writes it: the shortest digits that read back as the same
// double, plain up to 21 integer digits and down to 1e-6, otherwise 1.5e+21 / 1e-7.
static std::string finiteNumberText(double value) {
  if (value == 0) return "0";  // also −0
  char buffer[40];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
  std::string text;
  if (scientific.front() == '-') {
    text += '-';
    scientific.remove_prefix(1);
  }
  const std::size_t e = scientific.find('e');
  std::string digits(1, scientific[0]);
  if (e > 1) digits.append(scientific.substr(2, e - 2));
  std::string_view exponentText = scientific.substr(e + 1);
  if (exponentText.front() == '+') exponentText.remove_prefix(1);
  int exponent = 0;
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;  // position of the decimal point relative to the digits
  if (k <= n && n <= 21) {
    text += digits;
    text.append(static_cast<std::size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    text.append(digits, 0, static_cast<std::size_t>(n));
    text += '.';
    text.append(digits, static_cast<std::size_t>(n));
  } else if (-6 < n && n <= 0) {
    text += "0.";
    text.append(static_cast<std::size_t>(-n), '0');
    text += digits;
  } else {
    text += digits[0];
    if (k > 1) {
      text += '.';
      text.append(digits, 1);
    }
    text += n - 1 >= 0 ? "e+" : "e-";
    text += std::to_string(std::abs(n - 1));
  }
  return text;
}

// Writes a value in the text form. A value without one (discarded) is left out of its object,
// written as null in an array, and as nothing on its own.
void writeValue(std::string& out, const Json& value) {
  switch (value.type()) {
    case Json::value_t::object: {
      out += '{';
      bool first = true;
      for (auto it = value.begin(); it != value.end(); ++it) {
        if (it->is_discarded()) continue;
        if (!first) out += ',';
        first = false;
        writeString(out, it.key());
        out += ':';
        writeValue(out, *it);
      }
      out += '}';
      return;
    }
    case Json::value_t::array: {
      out += '[';
      bool first = true;
      for (const Json& element : value) {
        if (!first) out += ',';
        first = false;
        if (element.is_discarded()) {
          out += "null";
        } else {
          writeValue(out, element);
        }
      }
      out += ']';
      return;
    }
    case Json::value_t::string:
      writeString(out, value.get_ref<const std::string&>());
      return;
    case Json::value_t::boolean:
      out += value.get<bool>() ? "true" : "false";
      return;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: {
      // Every number is a double, as in the text's readers: large integers round the same way.
      const double number = value.get<double>();
      out += std::isfinite(number) ? finiteNumberText(number) : "null";
      return;
    }
    case Json::value_t::discarded:
      return;
    case Json::value_t::null:
    case Json::value_t::binary:
      out += "null";
      return;
  }
}

// The value converted to plain text, as JavaScript's String() converts it.
void writePlainText(std::string& out, const Json& value) {
  switch (value.type()) {
    case Json::value_t::string:
      out += value.get_ref<const std::string&>();
      return;
    case Json::value_t::boolean:
      out += value.get<bool>() ? "true" : "false";
      return;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: {
      const double number = value.get<double>();
      if (std::isfinite(number)) {
        out += finiteNumberText(number);
      } else if (std::isnan(number)) {
        out += "NaN";
      } else {
        out += number < 0 ? "-Infinity" : "Infinity";
      }
      return;
    }
    case Json::value_t::array: {
      bool first = true;
      for (const Json& element : value) {
        if (!first) out += ',';
        first = false;
        writePlainText(out, element);
      }
      return;
    }
    case Json::value_t::object:
      out += "[object Object]";
      return;
    case Json::value_t::null:
    case Json::value_t::discarded:
    case Json::value_t::binary:
      return;
  }
}

}  // namespace cz::json_text
