#include "util/order_lines.h"

#include "util/json_document.h"

namespace cz {

namespace {

// True when `text` is well-formed UTF-8 (JSON text must be; a parse of anything else fails).
bool validUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    int length = 0;
    unsigned int c = 0;
    unsigned int smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, smallest = 0x10000;
    } else {
      return false;
    }
    if (end - p < length) return false;
    for (int k = 1; k < length; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      c = (c << 6) | (p[k] & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    p += length;
  }
  return true;
}

// Reads the stored form in place. False (having called nothing) when the text is anything else.
class StoredFormReader {
 public:
  StoredFormReader(std::string_view text, const std::vector<std::string_view>& names)
      : m_text(text), m_names(names) {}

  // Collects the lines first, so that a text found to be in another form halfway calls nothing.
  // `values` gets names.size() texts per line, line after line.
  bool read(std::vector<std::string_view>& values) {
    static constexpr std::string_view kHead = "{\"详情页\":[";
    if (m_text.substr(0, kHead.size()) != kHead) return false;
    m_at = kHead.size();
    if (peek() == ']') {
      ++m_at;
    } else {
      for (;;) {
        values.resize(values.size() + m_names.size());
        if (!readLine(values.data() + values.size() - m_names.size())) return false;
        const char next = take();
        if (next == ']') break;
        if (next != ',') return false;
      }
    }
    return take() == '}' && m_at == m_text.size() && validUtf8(m_text);
  }

 private:
  char peek() const { return m_at < m_text.size() ? m_text[m_at] : '\0'; }
  char take() { return m_at < m_text.size() ? m_text[m_at++] : '\0'; }

  // A string without escapes or control characters; its content.
  bool readString(std::string_view& content) {
    if (take() != '"') return false;
    const std::size_t start = m_at;
    for (; m_at < m_text.size(); ++m_at) {
      const unsigned char c = static_cast<unsigned char>(m_text[m_at]);
      if (c == '"') {
        content = m_text.substr(start, m_at - start);
        ++m_at;
        return true;
      }
      if (c == '\\' || c < 0x20) return false;
    }
    return false;
  }

  bool readLine(std::string_view* values) {
    if (take() != '{') return false;
    if (peek() == '}') {
      ++m_at;
      return true;
    }
    for (;;) {
      std::string_view key, value;
      if (!readString(key) || take() != ':' || !readString(value)) return false;
      // A member named twice holds its last value, as in a parsed document.
      for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i] == key) values[i] = value;
      }
      const char next = take();
      if (next == '}') return true;
      if (next != ',') return false;
    }
  }

  std::string_view m_text;
  const std::vector<std::string_view>& m_names;
  std::size_t m_at = 0;
};

}  // namespace

int forEachOrderLine(std::string_view details, const std::vector<std::string_view>& names,
                     const OrderLineVisitor& line) {
  thread_local std::vector<std::string_view> flat;
  flat.clear();
  if (StoredFormReader(details, names).read(flat)) {
    const std::size_t width = names.size();
    const int count = width == 0 ? 0 : static_cast<int>(flat.size() / width);
    std::vector<std::string_view> values(width);
    for (int i = 0; i < count; ++i) {
      for (std::size_t k = 0; k < width; ++k) values[k] = flat[i * width + k];
      line(values);
    }
    return count;
  }
  // Any other form: the document reads it.
  JsonDocument document;
  if (!document.parse(std::string(details))) return 0;
  const int count = document.arrayCount("详情页");
  std::vector<std::string> texts(names.size());
  std::vector<std::string_view> values(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string prefix = "详情页[" + std::to_string(i) + "].";
    for (std::size_t k = 0; k < names.size(); ++k) {
      texts[k] = document.getText(prefix + std::string(names[k]));
      values[k] = texts[k];
    }
    line(values);
  }
  return count;
}

}  // namespace cz
