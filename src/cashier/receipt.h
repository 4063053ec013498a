#pragma once

#include <string>

namespace cz {

class Clock;
class Printer;
class TextGrid;
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

// The receipt's third text: two lines per cart line (name; barcode, price * quantity = amount
// received), the totals and the footer, which ends the text without a line end of its own.
std::string receiptBodyText(const TextGrid& cart, const ReceiptTotals& totals,
                            const std::string& footer);

// What a printed receipt needs from the sale.
struct ReceiptSale {
  const TextGrid& cart;
  std::string orderNumber;
  ReceiptTotals totals;
};

// Prints the receipt as one job: bold, shifted by the settings' offsets (read as integers, so
// non-numbers count as 0), the header at size 12, the title and body at size 9. The time is read
// from the clock when the title is printed. Nothing is drawn when the job does not start.
void printReceipt(Printer& printer, const Settings& settings, const Clock& clock,
                  const ReceiptSale& sale);

}  // namespace cz
