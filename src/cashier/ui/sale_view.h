#pragma once

#include <QObject>

#include <memory>

#include "cashier/sale_actions.h"
#include "cashier/sale_presenter.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace cz {

class Dialogs;
class GridView;
class ListView;
class QtPrinter;
class ScanCatcher;
struct AppContext;
struct SaleArea;

// Connects the main window's sale controls, found by their names, to the sale presenter, and
// shows the presenter's state on them after every event. As SaleActions it runs F1 and F4 for
// the window's hotkeys and toolbar, and shows their outcome.
class SaleView : public QObject, public SaleActions {
  Q_OBJECT
 public:
  // `mainWindow` holds the named controls; they must exist when the view is made.
  SaleView(QWidget* mainWindow, AppContext& app, Dialogs& dialogs, SaleArea& area);
  ~SaleView() override;

  SalePresenter& presenter() { return *m_presenter; }
  QtPrinter& printer() { return *m_printer; }

  void startNewOrder() override;
  void checkoutHotkey() override;

  // Shows the presenter's state on the controls.
  void render();
  // Shows the labels and which controls are enabled; run before each message box of a handler, so
  // a box never stands over controls that no longer say what the sale is.
  void renderStatus();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  template <typename Handler>
  void forward(Handler handler);
  // Ends an edit open in a cart cell, as leaving the cell would.
  void finishCartEdit();
  // Enters the codes scanned while a box was open, each as if scanned now, from the event loop.
  void queueCaughtScans();
  void enterCaughtScans();

  QLineEdit* m_barcode;
  QLineEdit* m_member;
  ListView* m_goodsList;
  ListView* m_memberList;
  GridView* m_cart;
  QComboBox* m_payment;
  QPushButton* m_checkout;
  QLabel* m_orderNumber;
  QLabel* m_memberName;
  QLabel* m_memberRate;
  QLabel* m_memberPoints;
  QLabel* m_due;
  QLabel* m_received;
  QLabel* m_pointsTotal;
  QLabel* m_tenderSummary;
  QLabel* m_stockWarning;
  std::unique_ptr<QtPrinter> m_printer;
  ScanCatcher* m_scanCatcher;
  bool m_replayQueued = false;
  std::unique_ptr<Dialogs> m_dialogs;
  std::unique_ptr<SalePresenter> m_presenter;
  std::unique_ptr<TenderScreen> m_tenderScreen;
};

}  // namespace cz
