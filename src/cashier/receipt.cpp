#include "cashier/receipt.h"

#include <cmath>
#include <limits>

#include "cashier/printer.h"
#include "cashier/sale_area.h"
#include "core/clock.h"
#include "core/session.h"
#include "util/numbers.h"
#include "util/text_grid.h"

namespace cz {
namespace {

constexpr const char* kRule = "=============================";

int offset(const std::string& text) {
  const std::int64_t value = readInteger(text);
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace

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

std::string receiptBodyText(const TextGrid& cart, const ReceiptTotals& totals,
                            const std::string& footer) {
  std::string text;
  for (int row = 1; row < cart.rowCount(); ++row) {
    text += cart.text(row, kCartName) + "\r\n" + cart.text(row, kCartBarcode) + "  " +
            cart.text(row, kCartUnitPrice) + "*" + cart.text(row, kCartQuantity) + "=" +
            cart.text(row, kCartReceived) + "\r\n";
  }
  text += std::string("\r\n") + kRule + "\r\n应收：" + totals.due + "元\r\n优惠：" +
          discountText(totals.due, totals.received) + "元\r\n实收：" + totals.received +
          "元\r\n付款方式：" + totals.payment + "\r\n获得积分：" + totals.points + "\r\n" + kRule +
          "\r\n" + footer;
  return text;
}

void printReceipt(Printer& printer, const Settings& settings, const Clock& clock,
                  const ReceiptSale& sale) {
  if (!printer.startJob(settings.printDialogEnabled)) return;
  printer.setBold(true);
  printer.setOrigin(offset(settings.horizontalOffset), offset(settings.verticalOffset));
  printer.setFontSize(12);
  printer.printText(receiptHeaderText(settings.receiptHeader));
  printer.setFontSize(9);
  printer.printText(receiptTitleText(sale.orderNumber, timeText(clock.now())));
  printer.printText(receiptBodyText(sale.cart, sale.totals, settings.receiptFooter));
  printer.endJob();
}

}  // namespace cz
