#include "printing/escpos.h"

#include <algorithm>

#include "printing/receipt.h"
#include "util/gbk.h"
#include "util/numbers.h"

namespace cz {
namespace {

// The lines of a UTF-8 text: "\r\n", "\n" and "\r" each end one; every other control character
// becomes a space, so a goods name can never carry a printer command.
std::vector<std::string> textLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      lines.back() += ' ';
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

class Builder {
 public:
  explicit Builder(int columns) : m_columns(columns) {}

  void command(std::string_view bytes) { m_out += bytes; }
  // Each line of `text`, wrapped to `columns` (the paper's by default), each piece ending in LF.
  void text(std::string_view utf8, int columns = 0) {
    for (const std::string& line : textLines(utf8)) pieces(line, columns);
  }
  // A footer: nothing for an empty text, and a line break at its very end starts no line.
  void footer(std::string_view utf8) {
    if (utf8.empty()) return;
    std::vector<std::string> lines = textLines(utf8);
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    for (const std::string& line : lines) pieces(line, 0);
  }
  void rule(char c) {
    m_out.append(static_cast<size_t>(m_columns), c);
    m_out += '\n';
  }
  // ESC @, FS &, then the header bold, double size and centred; alignment stays centred.
  void header(const std::string& header) {
    command(escpos::kInitialise);
    command(escpos::kChineseMode);
    command(escpos::kCentre);
    command(escpos::kBoldOn);
    command(escpos::kDoubleSize);
    // Double width: half as many characters fit.
    if (!header.empty()) text(header, std::max(m_columns / 2, 1));
    command(escpos::kNormalSize);
    command(escpos::kBoldOff);
  }
  void end(bool openDrawer) {
    command(escpos::kFeed);
    command(escpos::kCut);
    if (openDrawer) command(escpos::kDrawerPulse);
  }
  std::string take() { return std::move(m_out); }

 private:
  void pieces(const std::string& line, int columns) {
    for (const std::string& piece : wrapColumns(utf8ToGbk(line), columns ? columns : m_columns)) {
      m_out += piece;
      m_out += '\n';
    }
  }

  int m_columns;
  std::string m_out;
};

}  // namespace

int paperColumns(int paperWidthMm) {
  return paperWidthMm == 80 ? 48 : 32;
}

int printColumns(std::string_view gb) {
  int width = 0;
  for (size_t at = 0; at < gb.size();) {
    const size_t length = gbkCharLength(gb, at);
    width += length == 1 && static_cast<unsigned char>(gb[at]) < 0x80 ? 1 : 2;
    at += length;
  }
  return width;
}

std::vector<std::string> wrapColumns(std::string_view gb, int columns) {
  std::vector<std::string> pieces(1);
  int width = 0;
  for (size_t at = 0; at < gb.size();) {
    const size_t length = gbkCharLength(gb, at);
    const int w = length == 1 && static_cast<unsigned char>(gb[at]) < 0x80 ? 1 : 2;
    if (width > 0 && width + w > columns) {
      pieces.emplace_back();
      width = 0;
    }
    pieces.back().append(gb.substr(at, length));
    width += w;
    at += length;
  }
  return pieces;
}

std::string escPosReceipt(const Receipt& r, int paperWidthMm, bool openDrawer) {
  Builder b(paperColumns(paperWidthMm));
  b.header(r.header);
  if (r.reprint) b.text("重打");
  b.command(escpos::kLeft);
  b.text("NO." + r.orderNumber);
  b.text(r.time);
  b.rule('=');
  b.text("商品/条码     单价 数量 小计");
  b.rule('-');
  for (const ReceiptLine& line : r.lines) {
    b.text(line.name);
    b.text(line.barcode + "  " + line.price + "*" + line.quantity + "=" + line.amount);
  }
  b.text("");
  b.rule('=');
  const ReceiptTotals& t = r.totals;
  b.text("应收：" + t.due + "元");
  b.text("优惠：" + discountText(t.due, t.received) + "元");
  b.text("实收：" + t.received + "元");
  b.text("付款方式：" + t.payment);
  b.text("获得积分：" + t.points);
  if (!r.tender.tendered.empty()) {
    b.text("收款：" + r.tender.tendered + "元");
    b.text("找零：" + r.tender.change + "元");
  }
  b.rule('=');
  b.footer(r.footer);
  b.end(openDrawer);
  return b.take();
}

std::string escPosDrawerPulse() {
  return std::string(escpos::kDrawerPulse);
}

std::vector<std::string> testPageLines(const TestPage& page) {
  const int columns = paperColumns(page.paperWidthMm);
  std::string ruler;
  for (int c = 1; c <= columns; ++c) ruler += static_cast<char>('0' + c % 10);
  return {"打印测试页",
          "纸宽：" + integerText(page.paperWidthMm == 80 ? 80 : 58) + "毫米，每行" +
              integerText(columns) + "列",
          ruler, "中文与数字混排：收银123小票456", page.time};
}

std::string escPosTestPage(const TestPage& page) {
  Builder b(paperColumns(page.paperWidthMm));
  b.header(page.header);
  b.command(escpos::kLeft);
  for (const std::string& line : testPageLines(page)) b.text(line);
  b.end(false);
  return b.take();
}

std::string escPosReport(const std::vector<std::string>& lines, int paperWidthMm) {
  Builder b(paperColumns(paperWidthMm));
  b.header(lines.empty() ? std::string() : lines.front());
  b.command(escpos::kLeft);
  for (size_t i = 1; i < lines.size(); ++i) b.text(lines[i]);
  b.end(false);
  return b.take();
}

bool isPaperStatus(unsigned char status) {
  return (status & 0x93) == 0x12;
}

bool paperOutInStatus(unsigned char status) {
  return isPaperStatus(status) && (status & 0x60) == 0x60;
}

}  // namespace cz
