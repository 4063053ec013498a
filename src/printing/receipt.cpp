#include "printing/receipt.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/session.h"
#include "printing/printer.h"
#include "storage/database.h"
#include "util/clock.h"
#include "util/json_document.h"
#include "util/numbers.h"
#include "util/text_grid.h"
#include "util/timestamp.h"

namespace cz {
namespace {

constexpr const char* kRule = "=============================";

// The moment a stored 日期 stands for. Ten digits are the seconds; another length is cut to its
// first ten digits, as the order lists show it.
LocalDateTime storedMoment(const std::string& date) {
  std::int64_t seconds = readInteger(date);
  const std::string digits = integerText(seconds);
  if (digits.size() != 10) seconds = readInteger(digits.substr(0, 10));
  return dateTimeFromSeconds(seconds);
}

}  // namespace

int printOffset(const std::string& text) {
  const std::int64_t value = readInteger(text);
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

std::string receiptHeaderText(const std::string& header) {
  return header + "\r\n";
}

std::string receiptTitleText(const std::string& orderNumber, const std::string& time) {
  return "NO." + orderNumber + "\r\n" + time + "\r\n" + kRule +
         "\r\n商品/条码     单价 数量 小计\r\n-----------------------------\r\n";
}

std::string discountText(const std::string& due, const std::string& received) {
  const float difference = readSingle(due) - readSingle(received);
  const float rounded = static_cast<float>(round1(difference));
  if (std::fabs(rounded) < 100000) return singleText(rounded);
  return doubleText(round1(readNumber(due) - readNumber(received)));
}

std::string receiptBodyText(const std::vector<ReceiptLine>& lines, const ReceiptTotals& totals,
                            const std::string& footer, const ReceiptTender& tender) {
  std::string text;
  for (const ReceiptLine& line : lines) {
    text += line.name + "\r\n" + line.barcode + "  " + line.price + "*" + line.quantity + "=" +
            line.amount + "\r\n";
  }
  text += std::string("\r\n") + kRule + "\r\n应收：" + totals.due + "元\r\n优惠：" +
          discountText(totals.due, totals.received) + "元\r\n实收：" + totals.received +
          "元\r\n付款方式：" + totals.payment + "\r\n获得积分：" + totals.points + "\r\n";
  if (!tender.tendered.empty()) {
    text += "收款：" + tender.tendered + "元\r\n找零：" + tender.change + "元\r\n";
  }
  text += std::string(kRule) + "\r\n" + footer;
  return text;
}

Receipt composeReceipt(std::vector<ReceiptLine> lines, const std::string& orderNumber,
                       const LocalDateTime& storedAt, const std::string& customer,
                       ReceiptTotals totals, const Settings& settings) {
  if (customer != "-") totals.points = roundedPointsText(totals.points);
  Receipt receipt;
  receipt.header = settings.receiptHeader;
  receipt.orderNumber = orderNumber;
  receipt.time = timeText(storedAt);
  receipt.lines = std::move(lines);
  receipt.totals = std::move(totals);
  receipt.footer = settings.receiptFooter;
  return receipt;
}

std::optional<StoredSale> readStoredSale(Database& db, std::int64_t rowid, std::string& error) {
  RecordSet row(db);
  if (!row.open("select 订单号,日期,客户,订单详情,总应收,总实收,积分,付款方式 from 销售 "
                "where rowid=?",
                {integerText(rowid)})) {
    error = "读取订单失败：" + db.lastError();
    return std::nullopt;
  }
  if (rowid <= 0 || !row.next()) {
    error = "找不到该订单，可能已被删除";
    return std::nullopt;
  }
  StoredSale sale;
  sale.orderNumber = row.field(1);
  sale.date = row.field(2);
  sale.customer = row.field(3);
  sale.details = row.field(4);
  sale.due = row.field(5);
  sale.received = row.field(6);
  sale.points = row.field(7);
  sale.payment = row.field(8);
  return sale;
}

Receipt receiptFromStoredSale(const StoredSale& sale, const Settings& settings) {
  std::vector<ReceiptLine> lines;
  JsonDocument order;
  if (order.parse(sale.details)) {
    const int count = order.arrayCount("详情页");
    lines.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
      const JsonDocument line = order.getMember("详情页[" + std::to_string(i) + "]");
      lines.push_back({line.getText("商品名称"), line.getText("条码"), line.getText("单价"),
                       line.getText("数量"), line.getText("实收")});
    }
  }
  Receipt receipt =
      composeReceipt(std::move(lines), sale.orderNumber, storedMoment(sale.date), sale.customer,
                     {sale.due, sale.received, sale.payment, sale.points}, settings);
  receipt.reprint = true;
  return receipt;
}

bool printReceipt(Printer& printer, const Settings& settings, const Receipt& receipt) {
  if (!printer.startJob(settings.printDialogEnabled)) return false;
  printer.setBold(true);
  printer.setOrigin(printOffset(settings.horizontalOffset), printOffset(settings.verticalOffset));
  printer.setFontSize(12);
  printer.printText(receiptHeaderText(receipt.header));
  printer.setFontSize(9);
  printer.printText((receipt.reprint ? "重打\r\n" : "") +
                    receiptTitleText(receipt.orderNumber, receipt.time));
  printer.printText(
      receiptBodyText(receipt.lines, receipt.totals, receipt.footer, receipt.tender));
  printer.endJob();
  return true;
}

}  // namespace cz
