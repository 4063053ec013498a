#pragma once

#include <QWidget>

#include "core/ui/qt_dialogs.h"
#include "purchasing/purchase_entry.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace cz {

class GridView;
class ListView;

// "商品采购入库": the purchase entry window. Its owner (the main window) shows the lookup's and
// the submission's failure messages.
class PurchaseWindow : public QWidget {
  Q_OBJECT
 public:
  PurchaseWindow(AppContext& app, QWidget* owner = nullptr);
  ~PurchaseWindow() override;

  PurchasePresenter& presenter() { return m_presenter; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void render();

  QtDialogs m_dialogs;
  QtDialogs m_ownerDialogs;
  PurchasePresenter m_presenter;
  GridView* m_grid;
  QLineEdit* m_barcode;
  QLineEdit* m_supplier;
  ListView* m_goodsList;
  ListView* m_supplierList;
  QLabel* m_orderNumber;
  QLabel* m_supplierName;
  QLabel* m_contact;
  QComboBox* m_payment;
  QLineEdit* m_paid;
  QLabel* m_payable;
  QPushButton* m_submit;
};

}  // namespace cz
