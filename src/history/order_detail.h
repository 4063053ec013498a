#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/windows.h"
#include "util/text_grid.h"

namespace cz {

class Dialogs;
class Printer;
class ReceiptPrinting;
struct AppContext;

// "销售详情" / "采购详情": one stored order, filled from the cells of an order list's grid row
// (index = grid column). Nothing is read from the database and nothing is ever shown as a
// message; an order-details text that cannot be read gives no lines.
class OrderDetailPresenter {
 public:
  static constexpr int kWidth = 972;
  static constexpr int kHeight = 527;

  explicit OrderDetailPresenter(OrderKind kind);
  // A sale's detail that can also print the order's receipt again (重打小票) through `printer`
  // or the ESC/POS path; `dialogs` shows its outcome. The lines' 进货价 is hidden and left empty
  // for an account without 查看底价.
  OrderDetailPresenter(OrderKind kind, AppContext& app, Dialogs& dialogs, Printer& printer);
  ~OrderDetailPresenter();

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
  // `rowid` is the stored order's, which a reprint reads (0 when unknown).
  void fill(const std::vector<std::string>& cells, std::int64_t rowid = 0);

  // The window offers 重打小票: a sale's detail made with printing.
  bool canReprint() const { return m_printing != nullptr; }
  // 重打小票: prints the receipt of the stored order again, rebuilt from its 销售 row, with "重打"
  // under the header. A failure (the order deleted meanwhile, a printer that fails) is shown as
  // one message "打印失败：" + the reason.
  void reprintClicked();

  const Labels& labels() const { return m_labels; }
  TextGrid& grid() { return m_grid; }
  const TextGrid& grid() const { return m_grid; }

 private:
  OrderKind m_kind;
  Labels m_labels;
  TextGrid m_grid;
  std::int64_t m_rowid = 0;
  // The column whose cells stay empty (the hidden cost price), −1 for none.
  int m_costColumn = -1;
  AppContext* m_app = nullptr;
  Dialogs* m_dialogs = nullptr;
  std::unique_ptr<ReceiptPrinting> m_printing;
};

}  // namespace cz
