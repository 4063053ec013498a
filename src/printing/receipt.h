#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cz {

class Clock;
class Database;
class Printer;
struct LocalDateTime;
struct Settings;

// The receipt's first text: the header line, printed large.
std::string receiptHeaderText(const std::string& header);

// The receipt's second text: order number, time and the column heading.
std::string receiptTitleText(const std::string& orderNumber, const std::string& time);

// The totals a receipt shows, as the sale's labels hold them.
struct ReceiptTotals {
  std::string due;       // 应收
  std::string received;  // 实收
  std::string payment;   // 付款方式
  std::string points;    // 获得积分
};

// The discount line's amount: due minus received, rounded to one decimal, as a single's text
// (the decimal kept from 100 000 on).
std::string discountText(const std::string& due, const std::string& received);

// One goods line of a receipt: the cart cells 商品名称, 条码, 单价, 数量 and 实收.
struct ReceiptLine {
  std::string name;
  std::string barcode;
  std::string price;
  std::string quantity;
  std::string amount;
};

// What the customer handed over at the 收款 window and the change given, as money texts.
struct ReceiptTender {
  std::string tendered;  // 收款
  std::string change;    // 找零
};

// Everything a receipt shows, composed once and then printed by either path (system printing
// or ESC/POS bytes).
struct Receipt {
  std::string header;
  // A reprint shows the line "重打" under the header.
  bool reprint = false;
  std::string orderNumber;
  std::string time;
  std::vector<ReceiptLine> lines;
  ReceiptTotals totals;
  // Filled only for a sale through the 收款 window: the lines "收款：" and "找零：" below the
  // totals. Empty, the receipt has no such lines.
  ReceiptTender tender;
  std::string footer;  // line breaks as "\r\n"
};

// The receipt's third text: two lines per goods line (name; barcode, price * quantity = amount
// received), the totals and the footer, which ends the text without a line end of its own.
std::string receiptBodyText(const std::vector<ReceiptLine>& lines, const ReceiptTotals& totals,
                            const std::string& footer, const ReceiptTender& tender = {});

// The receipt of a sale: its header and footer from the settings, its time the moment the sale
// was stored. A sale with a member (`customer` is not "-") shows its points rounded once more
// to one decimal, as the member step of the receipt always did; without one they show as given.
// The one composition behind both sources below.
Receipt composeReceipt(std::vector<ReceiptLine> lines, const std::string& orderNumber,
                       const LocalDateTime& storedAt, const std::string& customer,
                       ReceiptTotals totals, const Settings& settings);

// A stored 销售 row, as a reprint reads it.
struct StoredSale {
  std::string orderNumber;  // 订单号
  std::string date;         // 日期: the timestamp text
  std::string customer;     // 客户
  std::string details;      // 订单详情
  std::string due;          // 总应收
  std::string received;     // 总实收
  std::string points;       // 积分
  std::string payment;      // 付款方式
};

// Reads the 销售 row with `rowid`. Nothing when there is no such row (deleted) or it cannot be
// read; `error` then says why in words for the cashier.
std::optional<StoredSale> readStoredSale(Database& db, std::int64_t rowid, std::string& error);

// The receipt of a stored sale, marked as a reprint: the lines from its order details (details
// that cannot be read give none), the figures from the row, header and footer from the settings
// now. For a sale stored by checkout it shows what the first print showed.
Receipt receiptFromStoredSale(const StoredSale& sale, const Settings& settings);

// A print offset (横边距, 纵边距) as an integer: text that is not a number counts as 0.
int printOffset(const std::string& text);

// Prints the receipt through the system's printing as one job: bold, shifted by the settings'
// offsets (read as integers, so non-numbers count as 0), the header at size 12, the title (after
// "重打" on a reprint) and the body at size 9. False, with nothing drawn, when the job does not
// start (no printer, dialog cancelled).
bool printReceipt(Printer& printer, const Settings& settings, const Receipt& receipt);

}  // namespace cz
