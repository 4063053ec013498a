#include "printing/escpos.h"

#include <gtest/gtest.h>

#include <set>

#include "core/session.h"
#include "printing/printer_port.h"
#include "printing/receipt.h"
#include "tools/bigshop_names.h"
#include "util/clock.h"
#include "util/gbk.h"

namespace cz {
namespace {

// Bytes written as hexadecimal pairs: "1B 40".
std::string hex(const std::string& pairs) {
  std::string bytes;
  for (size_t i = 0; i + 1 < pairs.size(); i += 3) {
    bytes += static_cast<char>(std::stoi(pairs.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

// UTF-8 text as the printer gets it.
std::string gb(const std::string& utf8) {
  return utf8ToGbk(utf8);
}

std::string rule(char c, int columns) {
  return std::string(static_cast<size_t>(columns), c) + "\n";
}

const std::string kStart = hex("1B 40 1C 26 1B 61 01 1B 45 01 1D 21 11");  // init, centred, big
const std::string kHeaderEnd = hex("1D 21 00 1B 45 00");
const std::string kLeft = hex("1B 61 00");
const std::string kFeedAndCut = hex("1B 64 04 1D 56 42 00");
const std::string kPulse = hex("1B 70 00 19 FA");

Settings shopSettings(const std::string& footer) {
  Settings settings;
  settings.receiptHeader = "晨舟小店";
  settings.receiptFooter = footer;
  return settings;
}

const LocalDateTime kStoredAt{2026, 12, 10, 9, 5, 3};

// The title block of a receipt laid out to `columns`.
std::string title(const std::string& number, int columns) {
  return "NO." + number + "\n2026-12-10 09:05:03\n" + rule('=', columns) +
         gb("商品/条码     单价 数量 小计\n") + rule('-', columns);
}

TEST(EscPosReceipt, GoldenBytes) {
  const struct {
    const char* name;
    std::vector<ReceiptLine> lines;
    std::string customer;
    ReceiptTotals totals;
    std::string footer;
    int paper;
    bool drawer;
    std::string expected;
  } cases[] = {
      {"58 mm, with a member: points rounded again, footer of two lines",
       {{"可乐", "6901", "3.5", "2", "5.6"}, {"面包", "6902", "10", "1", "9"}},
       "张三",
       {"17", "14.6", "现金支付", "7.25"},
       "谢谢惠顾\r\n欢迎再来",
       58,
       false,
       kStart + gb("晨舟小店\n") + kHeaderEnd + kLeft + title("SX1", 32) + gb("可乐\n") +
           "6901  3.5*2=5.6\n" + gb("面包\n") + "6902  10*1=9\n\n" + rule('=', 32) +
           gb("应收：17元\n优惠：2.4元\n实收：14.6元\n付款方式：现金支付\n获得积分：7.3\n") +
           rule('=', 32) + gb("谢谢惠顾\n欢迎再来\n") + kFeedAndCut},
      {"80 mm, a 退货 line beside a sale, no member",
       {{"可乐", "6901", "3.5", "1", "-3.5"}, {"饼干", "6903", "12.25", "1", "12.3"}},
       "-",
       {"8.75", "8.8", "微信支付", "0"},
       "",
       80,
       false,
       kStart + gb("晨舟小店\n") + kHeaderEnd + kLeft + title("SX2", 48) + gb("可乐\n") +
           "6901  3.5*1=-3.5\n" + gb("饼干\n") + "6903  12.25*1=12.3\n\n" + rule('=', 48) +
           gb("应收：8.75元\n优惠：-0.1元\n实收：8.8元\n付款方式：微信支付\n获得积分：0\n") +
           rule('=', 48) + kFeedAndCut},
      {"58 mm, a name longer than the paper wraps before the character that does not fit",
       {{"晨舟纯牛奶250ml特浓高钙早餐奶整箱装12盒", "6900000000001", "59.9", "1", "59.9"}},
       "-",
       {"59.9", "59.9", "现金支付", "0"},
       "",
       58,
       false,
       kStart + gb("晨舟小店\n") + kHeaderEnd + kLeft + title("SX3", 32) +
           gb("晨舟纯牛奶250ml特浓高钙早餐奶整\n箱装12盒\n") + "6900000000001  59.9*1=59.9\n\n" +
           rule('=', 32) +
           gb("应收：59.9元\n优惠：0元\n实收：59.9元\n付款方式：现金支付\n获得积分：0\n") +
           rule('=', 32) + kFeedAndCut},
      {"80 mm, the same name fits; the drawer pulse follows the cut",
       {{"晨舟纯牛奶250ml特浓高钙早餐奶整箱装12盒", "6900000000001", "59.9", "1", "59.9"}},
       "-",
       {"59.9", "59.9", "现金支付", "0"},
       "多谢&",
       80,
       true,
       kStart + gb("晨舟小店\n") + kHeaderEnd + kLeft + title("SX4", 48) +
           gb("晨舟纯牛奶250ml特浓高钙早餐奶整箱装12盒\n") + "6900000000001  59.9*1=59.9\n\n" +
           rule('=', 48) +
           gb("应收：59.9元\n优惠：0元\n实收：59.9元\n付款方式：现金支付\n获得积分：0\n") +
           rule('=', 48) + gb("多谢&\n") + kFeedAndCut + kPulse},
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Receipt receipt = composeReceipt(c.lines, "SX" + std::to_string(++number), kStoredAt,
                                           c.customer, c.totals, shopSettings(c.footer));
    const std::string bytes = escPosReceipt(receipt, c.paper, c.drawer);
    EXPECT_EQ(bytes, c.expected);
  }
}

TEST(EscPosReceipt, FooterLineBreaksAndAHeaderTooWideForDoubleSize) {
  Settings settings = shopSettings("谢谢惠顾\r\n");
  settings.receiptHeader = "欢迎使用晨舟收银系统";  // 20 columns at double size: 16 fit on 58 mm
  const Receipt receipt =
      composeReceipt({}, "SX9", kStoredAt, "-", {"0", "0", "现金支付", "0"}, settings);
  const std::string bytes = escPosReceipt(receipt, 58, false);
  const std::string header = kStart + gb("欢迎使用晨舟收银\n系统\n") + kHeaderEnd;
  EXPECT_EQ(bytes.substr(0, header.size()), header);
  // A line break at the footer's end starts no line of its own.
  const std::string end = rule('=', 32) + gb("谢谢惠顾\n") + kFeedAndCut;
  ASSERT_GE(bytes.size(), end.size());
  EXPECT_EQ(bytes.substr(bytes.size() - end.size()), end);
}

TEST(EscPosReceipt, ControlCharactersInTextsCannotSendCommands) {
  // A goods name holding ESC, GS, DLE and a line break, as a careless import could leave it.
  const Receipt receipt =
      composeReceipt({{"坏\x1b@名\x1dV\x10\x04\x04字\n第二行", "1", "1", "1", "1"}}, "SX1",
                     kStoredAt, "-", {"1", "1", "现金支付", "0"}, shopSettings("尾\x1bp\x00"));
  const std::string bytes = escPosReceipt(receipt, 58, false);
  EXPECT_NE(bytes.find(gb("坏 @名 V   字\n第二行\n")), std::string::npos);
  // The only command bytes are the builder's own.
  std::string commands;
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\n') commands += c;
  }
  EXPECT_EQ(commands, hex("1B 1C 1B 01 1B 01 1D 11 1D 00 1B 00 1B 00 1B 04 1D 00"));
}

TEST(EscPos, ColumnsAndWrapping) {
  EXPECT_EQ(paperColumns(58), 32);
  EXPECT_EQ(paperColumns(80), 48);
  EXPECT_EQ(paperColumns(0), 32);
  const struct {
    std::string text;
    int columns;
    std::vector<std::string> pieces;
  } cases[] = {
      {"", 32, {""}},
      {"abc", 3, {"abc"}},
      {"abcd", 3, {"abc", "d"}},
      {"一二三", 4, {"一二", "三"}},
      {"a一二", 4, {"a一", "二"}},  // a 2-column character never straddles the edge
      {"一", 1, {"一"}},            // wider than the paper: alone, whole
      {"𠀀a", 2, {"𠀀", "a"}},      // a four-byte character counts two columns
  };
  for (const auto& c : cases) {
    std::vector<std::string> expected;
    for (const std::string& piece : c.pieces) expected.push_back(gb(piece));
    EXPECT_EQ(wrapColumns(gb(c.text), c.columns), expected) << c.text;
  }
  EXPECT_EQ(printColumns(gb("商品/条码     单价 数量 小计")), 28);
  EXPECT_EQ(printColumns(gb("１２")), 4);  // full-width digits are two-byte characters
}

TEST(EscPos, DrawerPulseTestPageAndPaperStatus) {
  EXPECT_EQ(escPosDrawerPulse(), kPulse);
  const std::string page = escPosTestPage({"晨舟小店", 80, "2026-12-10 09:05:03"});
  EXPECT_EQ(page, kStart + gb("晨舟小店\n") + kHeaderEnd + kLeft +
                      gb("打印测试页\n纸宽：80毫米，每行48列\n") +
                      "123456789012345678901234567890123456789012345678\n" +
                      gb("中文与数字混排：收银123小票456\n") + "2026-12-10 09:05:03\n" +
                      kFeedAndCut);
  // DLE EOT 4 answers: 0x12 paper present, 0x1E near its end, 0x72 out; other bytes are not
  // answers to it at all.
  const struct {
    unsigned char status;
    bool isStatus, out;
  } cases[] = {{0x12, true, false},  {0x1E, true, false},  {0x72, true, true},  {0x7E, true, true},
               {0x00, false, false}, {0x60, false, false}, {0xFF, false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(isPaperStatus(c.status), c.isStatus) << int(c.status);
    EXPECT_EQ(paperOutInStatus(c.status), c.out) << int(c.status);
  }
}

TEST(EscPos, ReprintIsTheFirstPrintWithOneLineUnderTheHeader) {
  const Receipt first = composeReceipt({{"可乐", "6901", "3.5", "2", "7"}}, "SX1", kStoredAt, "-",
                                       {"7", "7", "现金支付", "0"}, shopSettings("谢谢"));
  Receipt again = first;
  again.reprint = true;
  for (const int paper : {58, 80}) {
    std::string expected = escPosReceipt(first, paper, false);
    const size_t headerEnd = expected.find(kHeaderEnd) + kHeaderEnd.size();
    expected.insert(headerEnd, gb("重打\n"));
    EXPECT_EQ(escPosReceipt(again, paper, false), expected);
  }
}

TEST(PrinterTarget, DeviceTextsTable) {
  using Kind = PrinterTarget::Kind;
  const struct {
    std::string text;
    Kind kind;
    std::string pathOrHost;
    int port;
  } cases[] = {
      {"", Kind::None, "", 0},
      {"   ", Kind::None, "", 0},
      {"/dev/usb/lp0", Kind::DeviceFile, "/dev/usb/lp0", 0},
      {" /dev/ttyUSB0 ", Kind::DeviceFile, "/dev/ttyUSB0", 0},
      {"192.168.1.100:9100", Kind::Network, "192.168.1.100", 9100},
      {"printer.local:9100", Kind::Network, "printer.local", 9100},
      {"[::1]:9100", Kind::Network, "::1", 9100},
      {"10.0.0.1:0", Kind::CupsQueue, "10.0.0.1:0", 0},
      {"10.0.0.1:65536", Kind::CupsQueue, "10.0.0.1:65536", 0},
      {"10.0.0.1:", Kind::CupsQueue, "10.0.0.1:", 0},
      {"::1", Kind::CupsQueue, "::1", 0},
      {"POS-58", Kind::CupsQueue, "POS-58", 0},
      {"小票打印机", Kind::CupsQueue, "小票打印机", 0},
  };
  for (const auto& c : cases) {
    const PrinterTarget t = parsePrinterTarget(c.text);
    EXPECT_EQ(t.kind, c.kind) << c.text;
    EXPECT_EQ(c.kind == Kind::Network ? t.host : t.path, c.pathOrHost) << c.text;
    EXPECT_EQ(t.port, c.port) << c.text;
  }
}

// Every character a receipt of the big shop can hold goes to GB18030 and back unchanged, and
// none of them is lost to a '?'.
TEST(EscPos, BigShopReceiptCharactersRoundTripThroughGb18030) {
  std::string texts = Settings{}.receiptHeader +
                      "NO.重打商品/条码     单价 数量 小计应收：元优惠：实收：付款方式：获得积分："
                      "打印测试页纸宽：毫米，每行列中文与数字混排：收银小票=-*.0123456789 "
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  for (const char* s : bigshop::kBrands) texts += s;
  for (const char* s : bigshop::kProducts) texts += s;
  for (const char* s : bigshop::kSpecs) texts += s;
  for (const char* s : bigshop::kPayments) texts += s;
  for (const char* s : bigshop::kMinimumRates) texts += s;
  // Characters one by one, so a failure names the character.
  std::set<std::string> characters;
  for (size_t at = 0; at < texts.size();) {
    const unsigned char lead = static_cast<unsigned char>(texts[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    characters.insert(texts.substr(at, length));
    at += length;
  }
  EXPECT_GT(characters.size(), 300u);
  for (const std::string& c : characters) {
    const std::string encoded = gb(c);
    EXPECT_EQ(gbkToUtf8(encoded), c);
    EXPECT_TRUE(c == "?" || encoded.find('?') == std::string::npos) << c;
    EXPECT_EQ(printColumns(encoded), c.size() == 1 ? 1 : 2) << c;
  }
  // A whole receipt of big-shop goods reads back from its bytes.
  std::vector<ReceiptLine> lines;
  for (const char* brand : bigshop::kBrands) {
    lines.push_back({std::string(brand) + bigshop::kProducts[lines.size() % 10] +
                         bigshop::kSpecs[lines.size() % 20],
                     "6900000000001", "12.5", "2", "25"});
  }
  const Receipt receipt =
      composeReceipt(lines, "SX1", kStoredAt, "-", {"1250", "1250", "支付宝支付", "0"}, Settings{});
  const std::string bytes = escPosReceipt(receipt, 58, true);
  const std::string back = gbkToUtf8(bytes);
  for (const ReceiptLine& line : lines) EXPECT_NE(back.find(line.name), std::string::npos);
}

}  // namespace
}  // namespace cz
