#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/text_grid.h"

namespace cz {

// How a line sells. A parked line whose stored type is neither 售出 nor 退货 is Other: it is
// priced and restored as a sale but checked out as no sale, as its text reads.
enum class LineType { Sale, Return, Other };

// One cart line's figures as the pricing rules use them: each is the value its cell's text
// reads as (prices and rates in single precision, amounts as doubles, a blank amount as 0), so
// rules working on the record give exactly what they gave reading the texts.
//
// The quantity and the stock left are whole units, or kilograms to the gram for goods sold by
// weight; their texts are written by quantityText.
struct CartLine {
  LineType type = LineType::Other;  // 类型
  float unitPrice = 0;              // 单价
  double quantity = 0;              // 数量
  double total = 0;                 // 总价
  float rate = 0;                   // 折扣
  double received = 0;              // 实收
  bool earnsPoints = false;         // 参与积分 is "真"
  double stockLeft = 0;             // 剩余库存
  float minimumRate = 0;            // 最低折扣
  double points = 0;                // 获得积分

  bool isReturn() const { return type == LineType::Return; }
};

// The cart: the grid of texts the window shows and the order stores, and beside it each data
// row's CartLine. A line is read from its texts once, when it is made (appended, restored) or
// when one of its cells is set from outside (the cell editor's commit); the rules change a line
// through the setters below, which write the cell's text and keep the record to what the text
// reads. So the texts stay byte for byte what the rules wrote, and the rules never read them.
class Cart : public TextGrid {
 public:
  // The record of data row `row` (1 to rowCount() - 1).
  const CartLine& line(int row) const { return m_lines[static_cast<size_t>(row - 1)]; }

  void setType(int row, LineType type);  // 售出 or 退货 (Other is never written)
  void setQuantity(int row, double quantity);
  void setStockLeft(int row, double stockLeft);
  void setRate(int row, float rate);
  // 总价, 实收 or 获得积分 from a value (its text as doubleText writes it) or from a text.
  void setAmount(int row, int col, double value);
  void setAmountText(int row, int col, const std::string& text);

 protected:
  void cellTextSet(int row, int col) override;
  void dataRowsInserted(int first, int last) override;
  void dataRowsRemoved(int first, int last) override;
  void columnsChanged() override;

 private:
  CartLine& record(int row) { return m_lines[static_cast<size_t>(row - 1)]; }
  // Reads one cell's text into the record.
  void readCell(int row, int col);
  void readRow(int row);
  // Sets a cell's text, when it changes, without reading it back.
  void write(int row, int col, const std::string& text);

  std::vector<CartLine> m_lines;
  bool m_writing = false;
};

}  // namespace cz
