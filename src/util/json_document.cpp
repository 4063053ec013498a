#include "util/json_document.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string_view>

#include <nlohmann/json.hpp>

#include "util/json_text.h"
#include "util/text_grid.h"

namespace cz {
namespace {

using Json = nlohmann::ordered_json;
using json_text::isIdentifier;
using json_text::writePlainText;
using json_text::writeString;
using json_text::writeValue;

// ---------------------------------------------------------------------------------------------
// Reading

// Deeper nesting than any order needs is refused, so that the recursive writer and copies stay
// well within the stack.
constexpr int kMaxDepth = 512;

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The parser reads strict JSON; this pass lets it read texts stored by earlier versions, which
// wrote a backslash of a text unescaped: an escape that JSON does not know stands for the
// character after the backslash. Returns nullopt when the nesting is too deep.
std::optional<std::string> prepareForParser(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool inString = false;
  int depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!inString) {
      if (c == '"') {
        inString = true;
      } else if (c == '[' || c == '{') {
        if (++depth > kMaxDepth) return std::nullopt;
      } else if (c == ']' || c == '}') {
        --depth;
      }
      out += c;
      continue;
    }
    if (c == '"') {
      inString = false;
    } else if (c == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      const bool known =
          std::string_view("\"\\/bfnrt").find(next) != std::string_view::npos ||
          (next == 'u' && i + 5 < text.size() && isHexDigit(text[i + 2]) &&
           isHexDigit(text[i + 3]) && isHexDigit(text[i + 4]) && isHexDigit(text[i + 5]));
      if (known) {
        out += c;
        out += next;
        ++i;
      }
      // Otherwise the backslash is dropped and `next` is copied as an ordinary character.
      continue;
    }
    out += c;
  }
  return out;
}

// Reads one JSON value; nullopt on a syntax error. Unless `literal` is set, a string value is
// read once more with the string as the text.
std::optional<Json> readValue(std::string_view text, bool literal) {
  const std::optional<std::string> prepared = prepareForParser(text);
  if (!prepared) return std::nullopt;
  Json value = Json::parse(*prepared, nullptr, /*allow_exceptions=*/false);
  if (value.is_discarded()) return std::nullopt;
  if (!literal && value.is_string()) return readValue(value.get_ref<const std::string&>(), true);
  return value;
}

// ---------------------------------------------------------------------------------------------
// Paths

struct Step {
  bool isIndex = false;
  std::string name;
  std::size_t index = 0;  // SIZE_MAX when the digits do not fit, which no array reaches
};
using Path = std::vector<Step>;

// Reads a chain of steps: `.name` and `[digits]`, the first step a bare name when
// `startsWithName` is set. nullopt when any step is malformed.
std::optional<Path> parseChain(std::string_view text, bool startsWithName) {
  Path steps;
  std::size_t pos = 0;
  const auto readName = [&]() {
    const std::size_t end = std::min(text.find_first_of(".[", pos), text.size());
    const std::string_view name = text.substr(pos, end - pos);
    pos = end;
    if (!isIdentifier(name)) return false;
    steps.push_back(Step{false, std::string(name), 0});
    return true;
  };
  if (startsWithName && !readName()) return std::nullopt;
  while (pos < text.size()) {
    if (text[pos] == '.') {
      ++pos;
      if (!readName()) return std::nullopt;
    } else if (text[pos] == '[') {
      const std::size_t close = text.find(']', pos);
      if (close == std::string_view::npos) return std::nullopt;
      const std::string_view digits = text.substr(pos + 1, close - pos - 1);
      if (digits.empty() ||
          !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
      }
      Step step{true, {}, 0};
      const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), step.index);
      if (result.ec != std::errc()) step.index = SIZE_MAX;
      steps.push_back(std::move(step));
      pos = close + 1;
    } else {
      return std::nullopt;
    }
  }
  return steps;
}

template <typename J>
J* find(J& root, std::span<const Step> steps) {
  J* value = &root;
  for (const Step& step : steps) {
    if (step.isIndex) {
      if (!value->is_array() || step.index >= value->size()) return nullptr;
      value = &(*value)[step.index];
    } else {
      if (!value->is_object()) return nullptr;
      const auto it = value->find(step.name);
      if (it == value->end()) return nullptr;
      value = &*it;
    }
  }
  return value;
}

bool holdsValue(const Json* value) {
  return value != nullptr && !value->is_null() && !value->is_discarded();
}

// The steps a path stands for: "da" names the root when the rest of the path then designates
// a value; otherwise the path is taken below the root. nullopt for an invalid path.
std::optional<Path> resolve(const Json& root, std::string_view path) {
  if (path.starts_with("da") && (path.size() == 2 || path[2] == '.' || path[2] == '[')) {
    std::optional<Path> fromRoot = parseChain(path.substr(2), false);
    if (fromRoot && holdsValue(find(root, std::span<const Step>(*fromRoot)))) return fromRoot;
  }
  if (path.empty()) return Path{};
  return parseChain(path, path.front() != '[');
}

// The location a set operation writes to: an existing value, or a new one when only the last
// step is missing (an index may be the one just past the end). nullptr when it cannot be written.
Json* writableLocation(Json& root, const Path& steps) {
  if (steps.empty()) return &root;
  Json* parent = find(root, std::span<const Step>(steps).first(steps.size() - 1));
  if (!holdsValue(parent)) return nullptr;
  const Step& last = steps.back();
  if (last.isIndex) {
    if (!parent->is_array() || last.index > parent->size()) return nullptr;
    if (last.index == parent->size()) parent->push_back(nullptr);
    return &(*parent)[last.index];
  }
  if (!parent->is_object()) return nullptr;
  return &(*parent)[last.name];
}

// Merges the members of `source` into the object `target`; false when a target member holding
// a number stands in the way.
bool mergeInto(Json& target, const Json& source) {
  for (auto it = source.begin(); it != source.end(); ++it) {
    const auto found = target.find(it.key());
    if (found == target.end()) {
      target[it.key()] = *it;
    } else if (found->is_number()) {
      return false;
    } else if (found->is_object() && it->is_object()) {
      if (!mergeInto(*found, *it)) return false;
    } else {
      *found = *it;
    }
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// JsonDocument

JsonDocument::JsonDocument() : m_root(std::make_unique<Json>(Json::object())) {}

JsonDocument::JsonDocument(const JsonDocument& other)
    : m_root(std::make_unique<Json>(*other.m_root)) {}

JsonDocument& JsonDocument::operator=(const JsonDocument& other) {
  if (this != &other) *m_root = *other.m_root;
  return *this;
}

JsonDocument::JsonDocument(JsonDocument&& other) : JsonDocument() {
  m_root.swap(other.m_root);
}

JsonDocument& JsonDocument::operator=(JsonDocument&& other) {
  if (this != &other) {
    m_root.swap(other.m_root);
    *other.m_root = Json::object();
  }
  return *this;
}

JsonDocument::~JsonDocument() = default;

bool JsonDocument::parse(const std::string& text, bool literal) {
  *m_root = nullptr;
  try {
    if (std::optional<Json> value = readValue(text, literal)) *m_root = std::move(*value);
  } catch (...) {
    *m_root = nullptr;
  }
  return holdsValue(m_root.get());
}

bool JsonDocument::clear() {
  *m_root = Json::object();
  return true;
}

std::string JsonDocument::toText() const {
  try {
    std::string text;
    writeValue(text, *m_root);
    return text;
  } catch (...) {
    return {};
  }
}

bool JsonDocument::setValue(const std::string& path, const std::string& value, bool raw) {
  try {
    const std::optional<Path> steps = resolve(*m_root, path);
    if (!steps) return false;
    Json newValue;
    if (!raw) {
      newValue = value;
    } else if (value.empty()) {
      newValue = Json(Json::value_t::discarded);
    } else if (std::optional<Json> read = readValue(value, false)) {
      newValue = std::move(*read);
    } else {
      return false;
    }
    if (raw && newValue.is_object()) {
      if (Json* target = find(*m_root, std::span<const Step>(*steps));
          target != nullptr && target->is_object()) {
        Json merged = *target;  // merged aside, so that a failure changes nothing
        if (!mergeInto(merged, newValue)) return false;
        *target = std::move(merged);
        return true;
      }
    }
    Json* location = writableLocation(*m_root, *steps);
    if (location == nullptr) return false;
    *location = std::move(newValue);
    return true;
  } catch (...) {
    return false;
  }
}

bool JsonDocument::addArrayMember(const std::string& value, const std::string& path, bool raw,
                                  bool atFront) {
  try {
    const std::optional<Path> steps = resolve(*m_root, path);
    if (!steps) return false;
    Json element;
    if (!raw) {
      element = value;
    } else if (std::optional<Json> read = readValue(value, false)) {
      element = std::move(*read);
    } else {
      return false;
    }
    Json* array = writableLocation(*m_root, *steps);
    if (array == nullptr) return false;
    if (!array->is_array()) *array = Json::array();
    if (atFront) {
      array->insert(array->begin(), std::move(element));
    } else {
      array->push_back(std::move(element));
    }
    return true;
  } catch (...) {
    return false;
  }
}

const Json* JsonDocument::lookup(const std::string& path) const {
  try {
    const std::optional<Path> steps = resolve(*m_root, path);
    return steps ? find(*m_root, std::span<const Step>(*steps)) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

int JsonDocument::arrayCount(const std::string& path) const {
  const Json* value = lookup(path);
  if (value == nullptr || !value->is_array()) return 0;
  return static_cast<int>(std::min<std::size_t>(value->size(), INT_MAX));
}

JsonDocument JsonDocument::getMember(const std::string& path) const {
  JsonDocument member;
  member.parse(getText(path, true));
  return member;
}

std::string JsonDocument::getText(const std::string& path, bool asJson) const {
  const Json* value = lookup(path);
  if (value == nullptr) return {};
  try {
    std::string text;
    if (asJson) {
      writeValue(text, *value);
    } else {
      writePlainText(text, *value);
    }
    return text;
  } catch (...) {
    return {};
  }
}

bool JsonDocument::exists(const std::string& path) const {
  return holdsValue(lookup(path));
}

int JsonDocument::typeCode(const std::string& path) const {
  const Json* value = lookup(path);
  if (!holdsValue(value)) return 0;
  switch (value->type()) {
    case Json::value_t::boolean:
      return 1;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
      return 2;
    case Json::value_t::object:
      return 4;
    case Json::value_t::array:
      return 5;
    case Json::value_t::string:
      return 6;
    default:
      return 0;
  }
}

std::vector<std::string> JsonDocument::memberNames(const std::string& path) const {
  std::vector<std::string> names;
  const Json* value = lookup(path);
  if (value == nullptr || !value->is_object()) return names;
  try {
    for (auto it = value->begin(); it != value->end(); ++it) {
      if (!it->is_discarded()) names.push_back(it.key());
    }
  } catch (...) {
    names.clear();
  }
  return names;
}

bool JsonDocument::deleteMember(const std::string& path) {
  try {
    const std::optional<Path> steps = resolve(*m_root, path);
    if (!steps || steps->empty()) return false;
    Json* parent = find(*m_root, std::span<const Step>(*steps).first(steps->size() - 1));
    if (parent == nullptr) return false;
    const Step& last = steps->back();
    if (last.isIndex) {
      if (!parent->is_array() || last.index >= parent->size()) return false;
      parent->erase(last.index);
      return true;
    }
    return parent->is_object() && parent->erase(last.name) > 0;
  } catch (...) {
    return false;
  }
}

// ---------------------------------------------------------------------------------------------

std::string jsonStringContent(const std::string& text) {
  std::string quoted;
  writeString(quoted, text);
  return quoted.substr(1, quoted.size() - 2);
}

std::string buildOrderDetails(const TextGrid& grid) {
  if (grid.rowCount() < 2) return "{}";

  // The members of every line object. A repeated header keeps its first place and takes the
  // text of its last column, as repeated assignments to one member do.
  struct Member {
    std::string name;
    int column;
  };
  std::vector<Member> members;
  for (int col = 1; col < grid.columnCount(); ++col) {
    std::string name = grid.headerText(col);
    if (name == "数量(可编辑)") name = "数量";
    if (!isIdentifier(name)) continue;
    const auto same = std::find_if(members.begin(), members.end(),
                                   [&](const Member& m) { return m.name == name; });
    if (same != members.end()) {
      same->column = col;
    } else {
      members.push_back(Member{std::move(name), col});
    }
  }

  // Written directly rather than through a document: the text is the same and a large order
  // costs one pass over its cells.
  std::string text = "{\"详情页\":[";
  for (int row = 1; row < grid.rowCount(); ++row) {
    if (row > 1) text += ',';
    text += '{';
    for (std::size_t m = 0; m < members.size(); ++m) {
      if (m > 0) text += ',';
      writeString(text, members[m].name);
      text += ':';
      writeString(text, grid.text(row, members[m].column));
    }
    text += '}';
  }
  text += "]}";
  return text;
}

}  // namespace cz
