#pragma once

#include <string>
#include <vector>

#include "printing/receipt.h"

namespace cz {

class TextGrid;

// The cart's lines as a receipt shows them.
std::vector<ReceiptLine> receiptLines(const TextGrid& cart);

// The receipt's third text for the cart's lines.
std::string receiptBodyText(const TextGrid& cart, const ReceiptTotals& totals,
                            const std::string& footer);

// The receipt of the sale just checked out, from the cart and the sale's labels.
Receipt receiptFromCart(const TextGrid& cart, const std::string& orderNumber,
                        const LocalDateTime& storedAt, const std::string& customer,
                        const ReceiptTotals& totals, const Settings& settings);

}  // namespace cz
