// Feeds arbitrary text to the order-details reader. Whatever it accepts must write out a text that
// reads back as the same document, and every lookup on it must answer without failing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "util/json_document.h"

namespace {

void roundTrip(const std::string& text, bool literal) {
  cz::JsonDocument doc;
  const bool ok = doc.parse(text, literal);
  const std::string written = doc.toText();
  FUZZ_CHECK(ok == (written != "null"));
  if (!ok) return;

  // The written text is read literally: a document whose root is a string writes a JSON string,
  // which a plain read would take as a text to read once more.
  cz::JsonDocument again;
  FUZZ_CHECK(again.parse(written, true));
  FUZZ_CHECK(again.toText() == written);

  // Lookups on what was read: every member of the root and the first array element.
  for (const std::string& name : doc.memberNames("")) {
    // A member name that is no identifier is no valid path: then all of these find nothing.
    FUZZ_CHECK(doc.exists(name) == (doc.typeCode(name) != 0));
    doc.getText(name);
    doc.getMember(name);
  }
  doc.arrayCount("");
  doc.getText("[0]", true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  roundTrip(text, false);
  roundTrip(text, true);
  return 0;
}
