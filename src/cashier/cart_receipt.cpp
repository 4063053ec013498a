#include "cashier/cart_receipt.h"

#include <algorithm>

#include "cashier/sale_area.h"
#include "util/text_grid.h"

namespace cz {

std::vector<ReceiptLine> receiptLines(const TextGrid& cart) {
  std::vector<ReceiptLine> lines;
  lines.reserve(static_cast<size_t>(std::max(cart.rowCount() - 1, 0)));
  for (int row = 1; row < cart.rowCount(); ++row) {
    lines.push_back({cart.text(row, kCartName), cart.text(row, kCartBarcode),
                     cart.text(row, kCartUnitPrice), cart.text(row, kCartQuantity),
                     cart.text(row, kCartReceived)});
  }
  return lines;
}

std::string receiptBodyText(const TextGrid& cart, const ReceiptTotals& totals,
                            const std::string& footer) {
  return receiptBodyText(receiptLines(cart), totals, footer);
}

Receipt receiptFromCart(const TextGrid& cart, const std::string& orderNumber,
                        const LocalDateTime& storedAt, const std::string& customer,
                        const ReceiptTotals& totals, const Settings& settings) {
  return composeReceipt(receiptLines(cart), orderNumber, storedAt, customer, totals, settings);
}

}  // namespace cz
