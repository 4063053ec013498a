#pragma once

// The text form of order-details documents: how strings, numbers and whole values are written,
// and which member names the path syntax accepts. Shared by the document and the order-details
// builder; nothing outside util needs it.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace cz::json_text {

using Json = nlohmann::ordered_json;

// True when `name` can stand unquoted in a path (letters, digits, _ and $, CJK ideographs; not
// starting with a digit).
bool isIdentifier(std::string_view name);

// Appends `text` as a quoted JSON string in the stored form (backslashes and quotes escaped,
// control characters and invalid UTF-8 written as escapes).
void writeString(std::string& out, std::string_view text);

// Appends the stored text form of a whole value.
void writeValue(std::string& out, const Json& value);

// Appends a value as plain text: a string without quotes, other values as writeValue.
void writePlainText(std::string& out, const Json& value);

}  // namespace cz::json_text
