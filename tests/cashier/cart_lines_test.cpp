#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cashier/cart.h"
#include "cashier/cart_lines.h"
#include "cashier/sale_area.h"
#include "util/text_grid.h"

namespace cz {
namespace {

// The record a line's texts read as, made the way a restored line is made.
CartLine readBack(const TextGrid& cart, int row) {
  Cart fresh;
  fresh.setColumnCount(kCartColumnCount);
  std::vector<std::string> cells;
  for (int col = 0; col < kCartColumnCount; ++col) cells.push_back(cart.text(row, col));
  fresh.appendRow(cells);
  return fresh.line(1);
}

// Every record holds exactly what its texts read as.
void expectRecordsFollowTexts(const Cart& cart, const std::string& step) {
  for (int row = 1; row < cart.rowCount(); ++row) {
    SCOPED_TRACE(step + ", line " + std::to_string(row));
    const CartLine& held = cart.line(row);
    const CartLine read = readBack(cart, row);
    EXPECT_EQ(held.type, read.type);
    EXPECT_EQ(held.unitPrice, read.unitPrice);
    EXPECT_EQ(held.quantity, read.quantity);
    EXPECT_EQ(held.total, read.total);
    EXPECT_EQ(held.rate, read.rate);
    EXPECT_EQ(held.received, read.received);
    EXPECT_EQ(held.earnsPoints, read.earnsPoints);
    EXPECT_EQ(held.stockLeft, read.stockLeft);
    EXPECT_EQ(held.minimumRate, read.minimumRate);
    EXPECT_EQ(held.points, read.points);
  }
}

GoodsRecord goods(const std::string& barcode, float price, float minimum, bool earns) {
  GoodsRecord g;
  g.name = "货" + barcode;
  g.barcode = barcode;
  g.salePrice = price;
  g.costPrice = price / 2;
  g.stock = kMaxQuantity + 10;
  g.minimumRate = minimum;
  g.earnsPoints = earns;
  return g;
}

// Prices whose texts lose digits (six kept), amounts beyond what 13 digits write exactly, a rate
// of more than six digits, and each rule of the cart in turn, including cells set by the editor
// behind the rules' back and lines restored from odd stored texts.
TEST(CartLinesTest, EveryRuleLeavesEachRecordAsItsTextsRead) {
  SaleArea area;
  setUpSaleArea(area);
  Cart& cart = area.cart;
  addGoodsToCart(cart, goods("A", 12.345678f, 0, true), AddSource::Scanned, 10);
  addGoodsToCart(cart, goods("B", 3.0e7f, 9.1234567f, false), AddSource::Scanned, 8.5f);
  addGoodsToCart(cart, goods("C", 0.05f, 0, true), AddSource::Scanned, 10);
  addGoodsToCart(cart, goods("A", 12.345678f, 0, true), AddSource::Chosen, 7.7777777f);
  expectRecordsFollowTexts(cart, "added");

  TextGrid& editor = cart;  // the view writes through the grid, as its cell editor does
  editor.setText(2, kCartQuantity, "999999999");
  lineEdited(cart, 2, 1);
  editor.setText(1, kCartReceived, "abc");
  lineEdited(cart, 1, 2);
  editor.setText(3, kCartQuantity, "0");
  lineEdited(cart, 3, 1);
  expectRecordsFollowTexts(cart, "edited");

  repriceCart(cart, 8.25f);
  expectRecordsFollowTexts(cart, "repriced");
  for (int row = 1; row < cart.rowCount(); ++row) toggleLineType(cart, row);
  addGoodsToCart(cart, goods("A", 12.345678f, 0, true), AddSource::Scanned, 10);
  expectRecordsFollowTexts(cart, "returned");

  cart.appendRow({"", "旧", "D", "", "其他", " 5", "2.7", "12abc", "", "-0", "假", "", "-3", "",
                  " 1"});
  toggleLineType(cart, cart.rowCount() - 1);
  expectRecordsFollowTexts(cart, "restored");
  cart.deleteRow(1);
  recomputeTotals(cart);
  expectRecordsFollowTexts(cart, "deleted");
  EXPECT_TRUE(hasQuantityAboveZero(cart));
  cart.reset();
  EXPECT_FALSE(hasQuantityAboveZero(cart));
}

}  // namespace
}  // namespace cz
