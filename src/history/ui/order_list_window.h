#pragma once

#include <QWidget>

#include "core/ui/qt_dialogs.h"
#include "history/order_list.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QMenu;

namespace cz {

class GridView;

// "出货订单记录" / "采购订单记录": the order list window.
class OrderListWindow : public QWidget {
  Q_OBJECT
 public:
  OrderListWindow(AppContext& app, OrderKind kind, QWidget* parent = nullptr);
  ~OrderListWindow() override;

  OrderListPresenter& presenter() { return m_presenter; }

 private:
  // Copies the search controls into the presenter.
  void readSearch();
  void render();

  QtDialogs m_dialogs;
  OrderListPresenter m_presenter;
  QLineEdit* m_order;
  QLineEdit* m_customer;
  QLineEdit* m_details;
  QComboBox* m_payment;
  QDateEdit* m_date1;
  QDateEdit* m_date2;
  QCheckBox* m_dateRange;
  QLineEdit* m_jump;
  GridView* m_grid;
  QMenu* m_menu;
};

}  // namespace cz
