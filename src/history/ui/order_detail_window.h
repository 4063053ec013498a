#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "core/ui/qt_dialogs.h"
#include "history/order_detail.h"

class QLabel;

namespace cz {

class GridView;
class QtPrinter;
struct AppContext;

// "销售详情" / "采购详情": one order's header fields and lines. With the program's context a
// sale's detail also has 超级重打 ("重打小票") below its grid.
class OrderDetailWindow : public QWidget {
  Q_OBJECT
 public:
  OrderDetailWindow(OrderKind kind, QWidget* parent = nullptr, AppContext* app = nullptr);
  ~OrderDetailWindow() override;

  OrderDetailPresenter& presenter() { return m_presenter; }
  // The system printer of 重打小票 (tests print into a file through it); nullptr without one.
  QtPrinter* printer() { return m_printer.get(); }
  // Fills the window from an order list's grid row; `rowid` is the order's stored row.
  void fill(const std::vector<std::string>& cells, std::int64_t rowid = 0);

 private:
  QtDialogs m_dialogs;
  std::unique_ptr<QtPrinter> m_printer;
  OrderDetailPresenter m_presenter;
  QLabel* m_orderNumber;
  QLabel* m_date;
  QLabel* m_customer;
  QLabel* m_points = nullptr;
  QLabel* m_due;
  QLabel* m_received;
  QLabel* m_method;
  QLabel* m_maker;
};

}  // namespace cz
