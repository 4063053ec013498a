#include "util/order_lines.h"

#include <gtest/gtest.h>

#include "util/json_document.h"

namespace cz {
namespace {

// What the document gives for each line and name: the reference the fast reading must match.
std::vector<std::vector<std::string>> byDocument(const std::string& text,
                                                 const std::vector<std::string_view>& names) {
  std::vector<std::vector<std::string>> lines;
  JsonDocument document;
  if (!document.parse(text)) return lines;
  for (int i = 0; i < document.arrayCount("详情页"); ++i) {
    std::vector<std::string> values;
    for (std::string_view name : names) {
      values.push_back(
          document.getText("详情页[" + std::to_string(i) + "]." + std::string(name)));
    }
    lines.push_back(values);
  }
  return lines;
}

TEST(OrderLines, GiveWhatTheDocumentGivesForEveryForm) {
  const std::vector<std::string_view> names = {"实收", "条码", "数量"};
  const std::string cases[] = {
      // The stored form.
      R"({"详情页":[{"商品名称":"水","条码":"6901","数量":"2","实收":"3.5"},{"实收":"-1"}]})",
      R"({"详情页":[]})",
      R"({"详情页":[{}]})",
      // A member named twice holds its last value.
      R"({"详情页":[{"实收":"1","实收":"2"}]})",
      // Escapes, numbers, white space, other members, a string root: read by the document.
      R"({"详情页":[{"条码":"69\"01","实收":3.5,"数量":true}]})",
      R"({ "详情页" : [ {"实收":"4"} ] })",
      R"({"详情页":[{"实收":"4"}],"备注":"x"})",
      R"("{\"详情页\":[{\"实收\":\"5\"}]}")",
      R"({"详情页":[{"实收":"1","x":{"y":"2"}}]})",
      // Not documents, or lines that are no objects.
      R"({"详情页":[{"实收":"1"})",
      R"({"详情页":[{"实收":"1"}]}x)",
      "",
      "{}",
      R"({"详情页":["a",1]})",
      // Bytes that are not UTF-8 make the text unreadable for the document too.
      "{\"详情页\":[{\"实收\":\"\xff\"}]}",
      "{\"详情页\":[{\"实收\":\"a\tb\"}]}",
  };
  for (const std::string& text : cases) {
    std::vector<std::vector<std::string>> read;
    const int count = forEachOrderLine(text, names, [&read](const std::vector<std::string_view>& v) {
      read.emplace_back(v.begin(), v.end());
    });
    const auto expected = byDocument(text, names);
    EXPECT_EQ(read, expected) << text;
    EXPECT_EQ(count, static_cast<int>(expected.size())) << text;
  }
}

}  // namespace
}  // namespace cz
