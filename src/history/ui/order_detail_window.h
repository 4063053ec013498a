#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "history/order_detail.h"

class QLabel;

namespace cz {

class GridView;

// "销售详情" / "采购详情": one order's header fields and lines.
class OrderDetailWindow : public QWidget {
  Q_OBJECT
 public:
  OrderDetailWindow(OrderKind kind, QWidget* parent = nullptr);
  ~OrderDetailWindow() override;

  OrderDetailPresenter& presenter() { return m_presenter; }
  // Fills the window from an order list's grid row.
  void fill(const std::vector<std::string>& cells);

 private:
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
