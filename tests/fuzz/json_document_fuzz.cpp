// Feeds arbitrary text to the order-details reader. Whatever it accepts must write out a text that
// reads back as the same document, and every lookup on it must answer without failing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "util/json_document.h"

namespace {

// The written text is read literally: a document whose root is a string writes a JSON string,
// which a plain read would take as a text to read once more.
void checkReadsBack(const cz::JsonDocument& doc) {
  const std::string written = doc.toText();
  cz::JsonDocument again;
  FUZZ_CHECK(again.parse(written, true) == (written != "null"));
  FUZZ_CHECK(again.toText() == written);
}

void roundTrip(const std::string& text, bool literal) {
  cz::JsonDocument doc;
  const bool ok = doc.parse(text, literal);
  FUZZ_CHECK(ok == (doc.toText() != "null"));
  if (!ok) return;
  checkReadsBack(doc);

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

  // The same text as a raw value: merged into a member of an order document, appended to its
  // lines. Whatever comes out must read back too.
  cz::JsonDocument order;
  FUZZ_CHECK(order.parse(R"({"详情页":[{"名称":"茶","数量":"2"}],"n":{"a":1,"b":{"c":2}}})"));
  order.setValue("n", text, true);
  checkReadsBack(order);
  order.addArrayMember(text, "详情页", true);
  checkReadsBack(order);
  order.setValue("详情页[0]", text, true);
  checkReadsBack(order);
  return 0;
}
