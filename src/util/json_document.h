#pragma once

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace cz {

class TextGrid;

// A small in-memory JSON document with path-addressed operations; it holds the order-details
// text of sales and purchases. Texts in and out are UTF-8.
//
// The document owns one value, its root, named `da`. A path addresses a value below the root:
// the empty path is the root, "[2]" an element of the root, "详情页" or 详情页[2].名称 a chain of
// member names and indexes. A member name is an identifier: letters (ASCII or CJK ideographs),
// digits, '_' and '$', not starting with a digit. A path may start with `da`: "da.x" means the
// member x of the root when that holds a non-null value, and the member x of a member named da
// otherwise. A path with any other step (parentheses, spaces, punctuation) fails the operation.
//
// The text form is compact JSON with members in insertion order; see toText().
// No operation throws: failures are reported by the result and leave the document unchanged
// (a failed parse leaves the root null).
class JsonDocument {
 public:
  // A new document: the root is an empty object.
  JsonDocument();
  JsonDocument(const JsonDocument& other);
  JsonDocument& operator=(const JsonDocument& other);
  // Moving leaves `other` as a new, empty document.
  JsonDocument(JsonDocument&& other);
  JsonDocument& operator=(JsonDocument&& other);
  ~JsonDocument();

  // Reads `text` as one JSON value (white space around it allowed) and makes it the root. Unless
  // `literal` is set, a text whose value is a string is read once more with that string as the
  // text. Escapes that JSON does not know (a backslash before an ordinary character) stand for
  // the character after the backslash. Returns true when the root is non-null afterwards; on a
  // syntax error the root is null.
  bool parse(const std::string& text, bool literal = false);

  // Makes the root an empty object. Always returns true.
  bool clear();

  // The whole document in the text form: no white space, members in insertion order, strings
  // escaped as JSON does (non-ASCII characters written as they are, except the invisible and
  // formatting characters, which are written as \u escapes), numbers as JavaScript writes them,
  // a non-finite number as null. A null root gives "null".
  std::string toText() const;

  // Assigns a value to the member or element at `path`. Only the last step is created: every
  // earlier step must hold a non-null value. An index may name an existing element or the one
  // just past the end. Without `raw` the value is the text itself, as a string. With `raw` the
  // text is read as parse() reads it: an object read into a location that holds an object is
  // merged into it member by member (an object into a member holding an object is merged
  // recursively, a member holding a number fails the operation, any other member is replaced);
  // any other value replaces the location, and an empty text leaves the member without a value,
  // which is not written out.
  // Fails on an invalid path, a missing parent or an unreadable raw text.
  bool setValue(const std::string& path, const std::string& value, bool raw = false);

  // Appends a value to the array at `path` (inserts it first with `atFront`). A location that
  // holds no array, or nothing, becomes an array first; the location is created as setValue()
  // creates it. Without `raw` the value is the text itself, as a string; with `raw` the text is
  // read as parse() reads it. Fails, changing nothing, on an invalid path, a missing parent or
  // an unreadable raw text.
  bool addArrayMember(const std::string& value, const std::string& path, bool raw = false,
                      bool atFront = false);

  // The number of elements of the array at `path`; 0 for any other value, a missing value or an
  // invalid path.
  int arrayCount(const std::string& path) const;

  // A new document holding the value at `path`, as if its text were given to parse() (so a string
  // value is read once more as a JSON text). A missing value or an invalid path gives a document
  // with a null root.
  JsonDocument getMember(const std::string& path) const;

  // The value at `path` as text. Without `asJson`: a string as it is, a number as toText() writes
  // it, a boolean as true / false, an array as its elements' texts joined by commas, an object as
  // "[object Object]"; a null or missing value or an invalid path gives an empty text. With
  // `asJson`: the value in the text form (null gives "null", a missing value an empty text).
  std::string getText(const std::string& path, bool asJson = false) const;

  // True when `path` is valid and holds a non-null value.
  bool exists(const std::string& path) const;

  // The kind of value at `path`: 0 missing, null or invalid path, 1 boolean, 2 number, 4 object,
  // 5 array, 6 string.
  int typeCode(const std::string& path) const;

  // The member names of the object at `path` in order; empty for anything else.
  std::vector<std::string> memberNames(const std::string& path) const;

  // Removes the member or array element at `path` (later elements move up). Fails when there is
  // nothing to remove or the path is invalid.
  bool deleteMember(const std::string& path);

 private:
  // The value at `path`; nullptr when there is none or the path is invalid.
  const nlohmann::ordered_json* lookup(const std::string& path) const;

  std::unique_ptr<nlohmann::ordered_json> m_root;
};

// The order-details text of an order-line grid: an object whose member "详情页" holds one object
// per data row, mapping the header texts of columns 1 and up to the cell texts, as strings, in
// column order. Column 0 (row numbers) is skipped; the header "数量(可编辑)" is stored as "数量";
// a column whose header is not an identifier is left out. A grid without data rows gives "{}".
std::string buildOrderDetails(const TextGrid& grid);

// `text` as the order details write it between the quotes of a JSON string (backslash, quote,
// line breaks, tabs and invisible characters escaped), so a search can find a stored cell text.
std::string jsonStringContent(const std::string& text);

}  // namespace cz
