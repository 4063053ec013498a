#include "cashier/cart_lines.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "cashier/cart.h"
#include "cashier/sale_area.h"
#include "cashier/scale_sale.h"
#include "util/numbers.h"

namespace cz {

void Cart::setType(int row, LineType type) {
  write(row, kCartType, type == LineType::Return ? kReturnType : kSaleType);
  record(row).type = type == LineType::Return ? LineType::Return : LineType::Sale;
}

void Cart::setQuantity(int row, double quantity) {
  const std::string text = quantityText(quantity);
  write(row, kCartQuantity, text);
  record(row).quantity = readNumber(text);
}

void Cart::setStockLeft(int row, double stockLeft) {
  const std::string text = quantityText(stockLeft);
  write(row, kCartStockLeft, text);
  record(row).stockLeft = readNumber(text);
}

void Cart::setRate(int row, float rate) {
  // The text keeps six digits: the line's rate is what that text reads, as a later rule would
  // have read it from the cell. A repricing gives most lines the same rate, so the last rate's
  // text and reading are kept.
  struct LastRate {
    std::optional<std::uint32_t> bits;
    std::string text;
    float read = 0;
  };
  thread_local LastRate last;
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(rate);
  if (last.bits != bits) {
    last.bits = bits;
    last.text = singleText(rate);
    last.read = readSingle(last.text);
  }
  write(row, kCartRate, last.text);
  record(row).rate = last.read;
}

namespace {

// True when `value` is a whole number of tenths below 10^12 in size, as round1 gives: its text
// (13 digits) is that decimal exactly, which reads back as `value` itself, so no reading is
// needed.
bool readsBackAsItself(double value) {
  if (!(std::fabs(value) < 1e11)) return false;
  const double tenths = std::nearbyint(value * 10);
  return tenths / 10 == value;
}

}  // namespace

void Cart::setAmount(int row, int col, double value) {
  std::string text = doubleText(value);
  if (text == this->text(row, col)) return;
  if (!readsBackAsItself(value)) {
    setAmountText(row, col, text);
    return;
  }
  write(row, col, text);
  // Negative zero is written "0", which reads as plus zero.
  const double read = value + 0.0;
  CartLine& line = record(row);
  if (col == kCartTotal) line.total = read;
  if (col == kCartReceived) line.received = read;
  if (col == kCartPoints) line.points = read;
}

void Cart::setAmountText(int row, int col, const std::string& text) {
  // An unchanged text reads as the value the record already holds.
  if (text == this->text(row, col)) return;
  write(row, col, text);
  readCell(row, col);
}

void Cart::cellTextSet(int row, int col) {
  if (!m_writing) readCell(row, col);
}

void Cart::dataRowsInserted(int first, int last) {
  m_lines.insert(m_lines.begin() + (first - 1), static_cast<size_t>(last - first + 1), CartLine{});
  for (int row = first; row <= last; ++row) readRow(row);
}

void Cart::dataRowsRemoved(int first, int last) {
  m_lines.erase(m_lines.begin() + (first - 1), m_lines.begin() + last);
}

void Cart::columnsChanged() {
  for (int row = 1; row < rowCount(); ++row) readRow(row);
}

void Cart::readCell(int row, int col) {
  if (row < 1 || row >= rowCount()) return;
  CartLine& line = record(row);
  const std::string& cell = text(row, col);
  switch (col) {
    case kCartType:
      line.type = cell == kSaleType     ? LineType::Sale
                  : cell == kReturnType ? LineType::Return
                                        : LineType::Other;
      break;
    case kCartUnitPrice:
      line.unitPrice = readSingle(cell);
      break;
    case kCartQuantity:
      line.quantity = readNumber(cell);
      break;
    case kCartTotal:
      line.total = readNumber(cell);
      break;
    case kCartRate:
      line.rate = readSingle(cell);
      break;
    case kCartReceived:
      line.received = readNumber(cell);
      break;
    case kCartEarnsPoints:
      line.earnsPoints = cell == "真";
      break;
    case kCartStockLeft:
      line.stockLeft = readNumber(cell);
      break;
    case kCartMinimumRate:
      line.minimumRate = readSingle(cell);
      break;
    case kCartPoints:
      line.points = readNumber(cell);
      break;
    default:
      break;
  }
}

void Cart::readRow(int row) {
  for (int col = 0; col < columnCount(); ++col) readCell(row, col);
}

void Cart::write(int row, int col, const std::string& text) {
  if (this->text(row, col) == text) return;
  m_writing = true;
  setText(row, col, text);
  m_writing = false;
}

}  // namespace cz
