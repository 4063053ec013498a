#include "util/json_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/text_grid.h"

namespace cz {
namespace {

// One order line document as stored, with members and values the lookups below exercise.
constexpr const char* kOrder =
    R"({"详情页":[{"名称":"茶","数量":"2"},{"名称":"糖"}],"n":12.5,"t":true,"z":null,)"
    R"("s":"abc","$_a1":"id","q":"outer","da":{"q":"in da","inner":"only in da"}})";

JsonDocument parsed(const std::string& text) {
  JsonDocument doc;
  if (!text.empty()) {
    EXPECT_TRUE(doc.parse(text)) << text;
  }
  return doc;
}

TEST(JsonDocument, NewAndClearedDocumentsAreEmptyObjects) {
  JsonDocument doc;
  EXPECT_EQ(doc.toText(), "{}");
  ASSERT_TRUE(doc.parse(kOrder));
  EXPECT_TRUE(doc.clear());
  EXPECT_EQ(doc.toText(), "{}");
}

TEST(JsonDocument, ParseReadsAnyValueAndLeavesNullOnFailure) {
  struct Case {
    std::string text;
    bool literal;
    bool ok;
    std::string written;  // toText afterwards
  };
  const std::vector<Case> cases = {
      {R"({"b":1,"a":[true,null,"x",{}],"c":[]})", false, true,
       R"({"b":1,"a":[true,null,"x",{}],"c":[]})"},
      {" \r\n\t{ \"a\" : [ 1 , 2 ] } \n", false, true, R"({"a":[1,2]})"},
      {R"([1,"2"])", false, true, R"([1,"2"])"},
      {"false", false, true, "false"},
      {R"({"a":1,"b":2,"a":3})", false, true, R"({"a":3,"b":2})"},
      {R"({"a\"b":"\/\u00e9\u4E2D"})", false, true, R"({"a\"b":"/é中"})"},
      // A string holding a JSON text is read again, unless read literally.
      {R"("{\"a\":\"1\"}")", false, true, R"({"a":"1"})"},
      {R"("{\"a\":\"1\"}")", true, true, R"("{\"a\":\"1\"}")"},
      {R"("abc")", true, true, R"("abc")"},
      {R"("abc")", false, false, "null"},
      // Texts stored with unescaped backslashes: an unknown escape is the character after it.
      {R"({"路径":"D:\货架\q","u":"\user"})", false, true, R"({"路径":"D:货架q","u":"user"})"},
      // ... but a text that ended in a backslash swallowed its closing quote.
      {R"({"a":"x\"})", false, false, "null"},
      {"null", false, false, "null"},
      {"", false, false, "null"},
      {"   ", false, false, "null"},
      {"{", false, false, "null"},
      {R"({"a":})", false, false, "null"},
      {"[1,2,]", false, false, "null"},
      {"{'a':1}", false, false, "null"},
      {"{\"a\":\"\xff\"}", false, false, "null"},
      {"{\"a\":\"line\nbreak\"}", false, false, "null"},
      {std::string(100, '[') + std::string(100, ']'), false, true,
       std::string(100, '[') + std::string(100, ']')},
      {std::string(100000, '[') + std::string(100000, ']'), false, false, "null"},
  };
  for (const Case& c : cases) {
    JsonDocument doc;
    EXPECT_EQ(doc.parse(c.text, c.literal), c.ok) << c.text.substr(0, 60);
    EXPECT_EQ(doc.toText(), c.written) << c.text.substr(0, 60);
    if (!c.ok) {
      EXPECT_EQ(doc.arrayCount(""), 0);
      EXPECT_EQ(doc.arrayCount("详情页"), 0);
      EXPECT_EQ(doc.getText(""), "");
      EXPECT_EQ(doc.getText("a"), "");
    }
  }
}

TEST(JsonDocument, NumbersAreWrittenAsJavaScriptWritesThem) {
  struct Case {
    const char* read;
    const char* written;
  };
  const std::vector<Case> cases = {
      {"0.1", "0.1"},
      {"1e21", "1e+21"},
      {"1e-7", "1e-7"},
      {"123456789012345680000", "123456789012345680000"},
      {"-0", "0"},
      {"-0.0", "0"},
      {"100", "100"},
      {"-1234.5", "-1234.5"},
      {"1e20", "100000000000000000000"},
      {"0.000001", "0.000001"},
      {"0.0000015", "0.0000015"},
      {"-1.5e-7", "-1.5e-7"},
      {"1.25e300", "1.25e+300"},
      {"5e-324", "5e-324"},
      {"0.30000000000000004", "0.30000000000000004"},
      {"12345678901234567", "12345678901234568"},  // every number is a double
  };
  for (const Case& c : cases) {
    const JsonDocument doc = parsed(std::string("{\"n\":") + c.read + "}");
    EXPECT_EQ(doc.toText(), std::string("{\"n\":") + c.written + "}") << c.read;
    EXPECT_EQ(doc.getText("n"), c.written) << c.read;
  }
}

TEST(JsonDocument, TextsAreEscapedAndComeBackExactly) {
  struct Case {
    std::string text;
    std::string written;  // between the quotes
  };
  const std::vector<Case> cases = {
      {"say \"hi\"", R"(say \"hi\")"},
      {R"(C:\new\table)", R"(C:\\new\\table)"},
      {"ends in \\", R"(ends in \\)"},
      {"\\", R"(\\)"},
      {"\\\"", R"(\\\")"},
      {"\b\t\n\f\r", R"(\b\t\n\f\r)"},
      {std::string("\0\x01\x1f\x7f", 4), R"(\u0000\u0001\u001f\u007f)"},
      {"\u0080\u009f\u00ad", R"(\u0080\u009f\u00ad)"},
      {"\u0600\u0604\u070f\u17b4\u17b5", R"(\u0600\u0604\u070f\u17b4\u17b5)"},
      {"\u200c\u200f\u2028\u2029\u202f", R"(\u200c\u200f\u2028\u2029\u202f)"},
      {"\u2060\u206f\ufeff\ufff0\uffff", R"(\u2060\u206f\ufeff\ufff0\uffff)"},
      // Just outside the ranges, and ordinary non-ASCII text, are written as they are.
      {"/é\u00ac\u00ae\u0605\u17b6\u200b\u2030\u2400\uffef商品😀",
       "/é\u00ac\u00ae\u0605\u17b6\u200b\u2030\u2400\uffef商品😀"},
  };
  for (const Case& c : cases) {
    JsonDocument doc;
    ASSERT_TRUE(doc.setValue("k", c.text)) << c.written;
    EXPECT_EQ(doc.toText(), "{\"k\":\"" + c.written + "\"}");
    EXPECT_EQ(doc.getText("k"), c.text) << c.written;
    JsonDocument reread;
    ASSERT_TRUE(reread.parse(doc.toText())) << c.written;
    EXPECT_EQ(reread.getText("k"), c.text) << c.written;
  }
}

TEST(JsonDocument, TextThatIsNotUtf8IsWrittenReadably) {
  JsonDocument doc;
  ASSERT_TRUE(doc.setValue("k", "a\xff\xc3"));
  EXPECT_EQ(doc.toText(), R"({"k":"a\ufffd\ufffd"})");
  EXPECT_TRUE(JsonDocument().parse(doc.toText()));
}

TEST(JsonDocument, PathsAddressMembersAndElements) {
  struct Case {
    const char* path;
    bool asJson;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"详情页[1].名称", false, "糖"},
      {"详情页[0]", false, "[object Object]"},
      {"详情页[0]", true, R"({"名称":"茶","数量":"2"})"},
      {"详情页", false, "[object Object],[object Object]"},
      {"详情页[2]", false, ""},
      {"详情页[2]", true, ""},
      {"详情页[99999999999999999999999]", false, ""},
      {"n", false, "12.5"},
      {"t", false, "true"},
      {"z", false, ""},
      {"z", true, "null"},
      {"missing", true, ""},
      {"$_a1", false, "id"},
      {"", false, "[object Object]"},
      // `da` is the root when the rest of the path is found there, else a member named da.
      {"da", false, "[object Object]"},
      {"da.q", false, "outer"},
      {"da.详情页[1].名称", false, "糖"},
      {"da.inner", false, "only in da"},
      {"[0]", false, ""},
      // Steps that are neither identifiers nor indexes.
      {"名称(x)", false, ""},
      {"a b", false, ""},
      {"1abc", false, ""},
      {".s", false, ""},
      {"s.", false, ""},
      {"详情页[x]", false, ""},
      {"详情页[-1]", false, ""},
      {"详情页[ 1]", false, ""},
      {"详情页[0", false, ""},
      {"详情页[0]名称", false, ""},
      {"s]", false, ""},
  };
  const JsonDocument doc = parsed(kOrder);
  for (const Case& c : cases) {
    EXPECT_EQ(doc.getText(c.path, c.asJson), c.text) << c.path;
  }

  const JsonDocument array = parsed(R"([["a",null,"b",[1,true]],"c"])");
  EXPECT_EQ(array.getText("[0]"), "a,,b,1,true");
  EXPECT_EQ(array.getText("[0][3][1]"), "true");
  EXPECT_EQ(array.getText("[1]"), "c");
  EXPECT_EQ(array.arrayCount(""), 2);
  EXPECT_EQ(array.arrayCount("[0]"), 4);
  EXPECT_EQ(array.arrayCount("da[0]"), 4);
}

TEST(JsonDocument, ArrayCountIsZeroForAnythingButAnArray) {
  const JsonDocument doc = parsed(kOrder);
  EXPECT_EQ(doc.arrayCount("详情页"), 2);
  EXPECT_EQ(doc.arrayCount("da.详情页"), 2);
  for (const char* path : {"", "s", "n", "z", "missing", "详情页[0]", "详情页(0)"}) {
    EXPECT_EQ(doc.arrayCount(path), 0) << path;
  }
}

TEST(JsonDocument, SetValue) {
  struct Case {
    const char* start;  // empty: a new document
    const char* path;
    const char* value;
    bool raw;
    bool ok;
    const char* after;
  };
  const std::vector<Case> cases = {
      {"", "单价", "12.5", false, true, R"({"单价":"12.5"})"},
      {R"({"a":"1","b":"2"})", "a", "3", false, true, R"({"a":"3","b":"2"})"},
      {R"({"o":{}})", "o.x", "1", false, true, R"({"o":{"x":"1"}})"},
      {R"({"a":["x"]})", "a[0]", "y", false, true, R"({"a":["y"]})"},
      {R"({"a":["x"]})", "a[1]", "y", false, true, R"({"a":["x","y"]})"},
      {R"({"a":"1"})", "da.a", "2", false, true, R"({"a":"2"})"},
      {R"({"da":{}})", "da.b", "2", false, true, R"({"da":{"b":"2"}})"},
      // Only the last step is created.
      {"", "a.b", "x", false, false, "{}"},
      {"", "da.b", "x", false, false, "{}"},
      {R"({"a":["x"]})", "a[2]", "y", false, false, R"({"a":["x"]})"},
      {R"({"s":"abc","z":null})", "s.x", "1", false, false, R"({"s":"abc","z":null})"},
      {R"({"s":"abc","z":null})", "z.x", "1", false, false, R"({"s":"abc","z":null})"},
      {R"({"a":["x"]})", "a.x", "1", false, false, R"({"a":["x"]})"},
      {"", "类型(双击切换)", "售出", false, false, "{}"},
      {"", "a-b", "x", false, false, "{}"},
      // Raw values are read as JSON.
      {"", "n", "12.5", true, true, R"({"n":12.5})"},
      {"", "v", R"([1,"a",{"b":null}])", true, true, R"({"v":[1,"a",{"b":null}]})"},
      {R"({"a":"1"})", "x", "", true, true, R"({"a":"1"})"},
      {"", "n", "{bad", true, false, "{}"},
      {R"({"o":{"a":"1","n":2,"p":{"q":"1"},"t":true}})", "o",
       R"({"a":"2","p":{"r":"3"},"t":false,"new":[1]})", true, true,
       R"({"o":{"a":"2","n":2,"p":{"q":"1","r":"3"},"t":false,"new":[1]}})"},
      {R"({"o":{"a":"1","n":2}})", "o", R"({"a":"9","n":3})", true, false,
       R"({"o":{"a":"1","n":2}})"},
      {R"({"o":{"a":"1"}})", "o", "[1]", true, true, R"({"o":[1]})"},
  };
  for (const Case& c : cases) {
    JsonDocument doc = parsed(c.start);
    EXPECT_EQ(doc.setValue(c.path, c.value, c.raw), c.ok) << c.start << " " << c.path;
    EXPECT_EQ(doc.toText(), c.after) << c.start << " " << c.path;
  }
}

TEST(JsonDocument, AddArrayMember) {
  struct Case {
    const char* start;  // empty: a new document
    const char* value;
    const char* path;
    bool raw;
    bool atFront;
    bool ok;
    const char* after;
  };
  const std::vector<Case> cases = {
      {"", "a", "l", false, false, true, R"({"l":["a"]})"},
      {R"({"l":"text"})", "a", "l", false, false, true, R"({"l":["a"]})"},
      {R"({"l":["a"]})", "b", "l", false, true, true, R"({"l":["b","a"]})"},
      {R"({"l":["a"]})", "it's", "l", false, false, true, R"({"l":["a","it's"]})"},
      {R"({"l":["a"]})", R"(C:\x\)", "l", false, false, true, R"({"l":["a","C:\\x\\"]})"},
      {R"({"l":[[]]})", "a", "l[0]", false, false, true, R"({"l":[["a"]]})"},
      {"", R"({"x":"1"})", "l", true, false, true, R"({"l":[{"x":"1"}]})"},
      {R"({"l":[1]})", "null", "l", true, false, true, R"({"l":[1,null]})"},
      {R"({"l":["a"]})", "{bad", "l", true, false, false, R"({"l":["a"]})"},
      {R"({"l":"text"})", "", "l", true, false, false, R"({"l":"text"})"},
      {"", "a", "x.l", false, false, false, "{}"},
      {"", "a", "(l)", false, false, false, "{}"},
  };
  for (const Case& c : cases) {
    JsonDocument doc = parsed(c.start);
    EXPECT_EQ(doc.addArrayMember(c.value, c.path, c.raw, c.atFront), c.ok)
        << c.start << " " << c.value;
    EXPECT_EQ(doc.toText(), c.after) << c.start << " " << c.value;
  }
}

TEST(JsonDocument, GetMemberCopiesTheValueIntoANewDocument) {
  JsonDocument doc = parsed(kOrder);
  JsonDocument line = doc.getMember("详情页[0]");
  EXPECT_EQ(line.toText(), R"({"名称":"茶","数量":"2"})");
  EXPECT_TRUE(line.setValue("名称", "咖啡"));
  EXPECT_EQ(doc.getText("详情页[0].名称"), "茶");

  EXPECT_EQ(doc.getMember("missing").toText(), "null");
  EXPECT_EQ(doc.getMember("z").toText(), "null");
  EXPECT_EQ(doc.getMember("bad path!").toText(), "null");
  // A string member is read once more as a JSON text.
  EXPECT_EQ(doc.getMember("s").toText(), "null");
  ASSERT_TRUE(doc.setValue("j", R"({"a":"1"})"));
  EXPECT_EQ(doc.getMember("j").toText(), R"({"a":"1"})");
}

TEST(JsonDocument, ExistsTypeCodeMemberNamesAndDelete) {
  JsonDocument doc = parsed(kOrder);
  struct Case {
    const char* path;
    int type;
  };
  const std::vector<Case> cases = {
      {"", 4},  {"详情页", 5}, {"n", 2},         {"t", 1},         {"s", 6},
      {"z", 0}, {"nope", 0},   {"详情页[9]", 0}, {"详情页(9)", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(doc.typeCode(c.path), c.type) << c.path;
    EXPECT_EQ(doc.exists(c.path), c.type != 0) << c.path;
  }
  EXPECT_EQ(doc.memberNames("详情页[0]"), (std::vector<std::string>{"名称", "数量"}));
  EXPECT_TRUE(doc.memberNames("s").empty());

  EXPECT_TRUE(doc.deleteMember("详情页[0]"));
  EXPECT_EQ(doc.getText("详情页[0].名称"), "糖");
  EXPECT_TRUE(doc.deleteMember("da.da"));
  EXPECT_FALSE(doc.deleteMember("da.da"));
  EXPECT_FALSE(doc.deleteMember("详情页[1]"));
  EXPECT_FALSE(doc.deleteMember(""));
  EXPECT_EQ(doc.memberNames(""),
            (std::vector<std::string>{"详情页", "n", "t", "z", "s", "$_a1", "q"}));
}

TEST(JsonDocument, DocumentsAreIndependentCopies) {
  JsonDocument a = parsed(R"({"x":"1"})");
  JsonDocument b = a;
  ASSERT_TRUE(b.setValue("x", "2"));
  JsonDocument c = std::move(b);
  EXPECT_EQ(a.toText(), R"({"x":"1"})");
  EXPECT_EQ(c.toText(), R"({"x":"2"})");
  EXPECT_EQ(b.toText(), "{}");  // a moved-from document is a new one
}

// ---------------------------------------------------------------------------------------------
// Order details

TextGrid gridWith(const std::vector<std::string>& headers,
                  const std::vector<std::vector<std::string>>& lines) {
  TextGrid grid;
  grid.setColumnCount(static_cast<int>(headers.size()));
  grid.setRowCount(static_cast<int>(lines.size()) + 1);
  for (int col = 0; col < grid.columnCount(); ++col) grid.setText(0, col, headers[col]);
  for (int row = 1; row < grid.rowCount(); ++row) {
    for (int col = 0; col < grid.columnCount(); ++col) {
      grid.setText(row, col, lines[row - 1][col]);
    }
  }
  return grid;
}

const std::vector<std::string> kSaleHeaders = {
    "",     "商品名称", "条码",     "规格",   "类型(双击切换)", "单价",     "数量(可编辑)", "总价",
    "折扣", "实收",     "参与积分", "进货价", "剩余库存",       "最低折扣", "获得积分"};

// The order-details text made one document operation at a time: each line set member by member,
// written out, and read back into the list.
std::string detailsByDocumentOperations(const TextGrid& grid) {
  JsonDocument list;
  JsonDocument line;
  for (int row = 1; row < grid.rowCount(); ++row) {
    line.clear();
    for (int col = 1; col < grid.columnCount(); ++col) {
      const std::string header = grid.text(0, col);
      line.setValue(header == "数量(可编辑)" ? "数量" : header, grid.text(row, col));
    }
    list.addArrayMember(line.toText(), "详情页", true);
  }
  return list.toText();
}

TEST(JsonOrderDetails, SaleLinesKeepThirteenMembersInColumnOrder) {
  const TextGrid grid =
      gridWith(kSaleHeaders, {{"1", "矿泉水", "6901", "550ml", "售出", "2", "3", "6", "10", "6",
                               "真", "1.2", "47", "8", "6"},
                              {"2", "Tea \"A\"", R"(X\9\)", "盒\u2028", "退货", "10.5", "-1",
                               "-10.5", "9.5", "-9.98", "假", "7", "12", "9", ""}});
  const std::string details = buildOrderDetails(grid);

  EXPECT_EQ(details,
            R"({"详情页":[)"
            R"({"商品名称":"矿泉水","条码":"6901","规格":"550ml","单价":"2","数量":"3","总价":"6",)"
            R"("折扣":"10","实收":"6","参与积分":"真","进货价":"1.2","剩余库存":"47",)"
            R"("最低折扣":"8","获得积分":"6"},)"
            R"({"商品名称":"Tea \"A\"","条码":"X\\9\\","规格":"盒\u2028","单价":"10.5",)"
            R"("数量":"-1","总价":"-10.5","折扣":"9.5","实收":"-9.98","参与积分":"假",)"
            R"("进货价":"7","剩余库存":"12","最低折扣":"9","获得积分":""}]})");
  EXPECT_EQ(details, detailsByDocumentOperations(grid));

  // Read back as the detail window reads it: every cell comes back exactly.
  JsonDocument order;
  ASSERT_TRUE(order.parse(details));
  ASSERT_EQ(order.arrayCount("详情页"), 2);
  const JsonDocument line = order.getMember("详情页[1]");
  EXPECT_EQ(line.memberNames("").size(), 13u);
  EXPECT_EQ(line.getText("条码"), R"(X\9\)");
  EXPECT_EQ(line.getText("商品名称"), "Tea \"A\"");
  EXPECT_EQ(line.getText("数量"), "-1");
}

TEST(JsonOrderDetails, PurchaseLineHasExactlySevenMembers) {
  const TextGrid grid =
      gridWith({"", "商品名称", "条码", "规格", "单价", "数量(可编辑)", "总价", "目前库存"},
               {{"1", "大米", "6902", "10kg", "45.5", "4", "182", "20"}});
  const std::string details = buildOrderDetails(grid);
  EXPECT_EQ(details, R"({"详情页":[{"商品名称":"大米","条码":"6902","规格":"10kg","单价":"45.5",)"
                     R"("数量":"4","总价":"182","目前库存":"20"}]})");
  EXPECT_EQ(details, detailsByDocumentOperations(grid));
}

TEST(JsonOrderDetails, NoLinesGiveAnEmptyObject) {
  const TextGrid grid = gridWith(kSaleHeaders, {});
  EXPECT_EQ(buildOrderDetails(grid), "{}");
  JsonDocument order;
  EXPECT_TRUE(order.parse(buildOrderDetails(grid)));
  EXPECT_EQ(order.arrayCount("详情页"), 0);
}

TEST(JsonOrderDetails, RepeatedHeaderKeepsItsFirstPlaceAndLastText) {
  const TextGrid grid = gridWith({"", "数量", "条码", "数量(可编辑)"}, {{"1", "a", "b", "c"}});
  EXPECT_EQ(buildOrderDetails(grid), R"({"详情页":[{"数量":"c","条码":"b"}]})");
  EXPECT_EQ(buildOrderDetails(grid), detailsByDocumentOperations(grid));
}

}  // namespace
}  // namespace cz
