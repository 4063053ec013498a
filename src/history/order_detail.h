#pragma once

#include <string>
#include <vector>

#include "core/windows.h"
#include "util/text_grid.h"

namespace cz {

// "销售详情" / "采购详情": one stored order, filled from the cells of an order list's grid row
// (index = grid column). Nothing is read from the database and nothing is ever shown as a
// message; an order-details text that cannot be read gives no lines.
class OrderDetailPresenter {
 public:
  static constexpr int kWidth = 972;
  static constexpr int kHeight = 527;

  explicit OrderDetailPresenter(OrderKind kind);

  OrderKind kind() const { return m_kind; }
  std::string caption() const;

  // The value labels, each "-" until filled.
  struct Labels {
    std::string orderNumber = "-";  // 透明标签订单号
    std::string date = "-";         // 透明标签日期
    std::string customer = "-";     // 透明标签客户
    std::string points = "-";       // 透明标签积分 (sales only)
    std::string due = "-";          // 透明标签应收
    std::string received = "-";     // 透明标签实收
    std::string method = "-";       // 透明标签方式
    std::string maker = "-";        // 透明标签制单人
  };

  // Fills the labels and the lines from a list row; filling again replaces everything.
  void fill(const std::vector<std::string>& cells);

  const Labels& labels() const { return m_labels; }
  TextGrid& grid() { return m_grid; }
  const TextGrid& grid() const { return m_grid; }

 private:
  OrderKind m_kind;
  Labels m_labels;
  TextGrid m_grid;
};

}  // namespace cz
