#include "app/qt_windows.h"

#include <QApplication>
#include <QScreen>

#include "admin/ui/accounts_window.h"
#include "admin/ui/settings_window.h"
#include "cashier/ui/main_window.h"
#include "catalogue/ui/add_member_window.h"
#include "catalogue/ui/create_goods_window.h"
#include "catalogue/ui/member_list_window.h"
#include "catalogue/ui/stock_window.h"
#include "catalogue/ui/supplier_add_window.h"
#include "core/app_context.h"
#include "core/backup_service.h"
#include "core/ui/log_window.h"
#include "core/ui/login_window.h"
#include "history/ui/order_detail_window.h"
#include "history/ui/order_list_window.h"
#include "history/ui/shift_report_window.h"
#include "purchasing/ui/purchase_window.h"
#include "reports/ui/sales_report_window.h"

namespace cz {

namespace {

void bringToFront(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

// Opens the window held in `slot`, creating it owned by `owner` when it is not open; an open one
// is brought to the front. Closing it destroys it (and so ends its load).
template <typename Window, typename Create>
void openOwned(QPointer<Window>& slot, QWidget* owner, Create create) {
  if (!slot) {
    if (!owner) return;
    slot = create(owner);
    slot->setAttribute(Qt::WA_DeleteOnClose);
  }
  bringToFront(slot);
}

void destroyLater(QWidget* window) {
  if (!window) return;
  window->hide();
  window->deleteLater();
}

}  // namespace

QtWindows::~QtWindows() {
  // Windows whose destruction was queued go now, the rest with them.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  delete m_main.data();
  delete m_login.data();
  delete m_log.data();
}

void QtWindows::loadLogWindow() {
  if (!m_log) m_log = new LogWindow(m_logList);
}

void QtWindows::showLogWindow() {
  loadLogWindow();
  bringToFront(m_log);
}

void QtWindows::destroyLogWindow() {
  destroyLater(m_log);
  m_log = nullptr;
  quitWhenNoWindowIsLeft();
}

void QtWindows::openMainWindow() {
  if (m_main || !m_app) return;
  m_main = new MainWindow(*m_app);
  bringToFront(m_main);
}

void QtWindows::destroyMainWindow() {
  if (!m_main) return;
  m_main->aboutToBeDestroyed();
  m_dyingMain = m_main;
  destroyLater(m_main);
  m_main = nullptr;
  quitWhenNoWindowIsLeft();
}

void QtWindows::afterMainWindowGone(std::function<void()> task) {
  const auto post = [](std::function<void()> t) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(t), Qt::QueuedConnection);
  };
  if (!m_dyingMain) {
    post(std::move(task));
    return;
  }
  // Destroyed is sent from inside the window's destructor: the task runs later, from the loop.
  QObject::connect(m_dyingMain, &QObject::destroyed, QCoreApplication::instance(),
                   [post, task = std::move(task)] { post(task); });
}

void QtWindows::moveLoginOffScreen() {
  if (m_login) m_login->move(-5000, m_login->y());
}

void QtWindows::centreLoginWindow() {
  if (!m_login) return;
  QScreen* screen = m_login->screen() ? m_login->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry();
    m_login->move(area.center() - QPoint(m_login->width() / 2, m_login->height() / 2));
  }
  bringToFront(m_login);
}

void QtWindows::destroyLoginWindow() {
  destroyLater(m_login);
  m_login = nullptr;
  quitWhenNoWindowIsLeft();
}

void QtWindows::openSettingsWindow(SettingsPage page) {
  if (!m_settings) {
    if (!m_main || !m_app) return;
    m_settings = new SettingsWindow(*m_app, m_main);
    m_settings->created();
  }
  m_settings->selectPage(page);
  bringToFront(m_settings);
}

void QtWindows::openAccountsWindow() {
  if (!m_accounts) {
    if (!m_settings || !m_app) return;
    m_accounts = new AccountsWindow(*m_app, m_settings);
    m_accounts->created();
  }
  bringToFront(m_accounts);
}

void QtWindows::openAddSupplierWindow() {
  if (!m_settings || !m_app) return;
  // Modal for the user, but without a nested event loop: nothing waits on the stack of the
  // settings window's handlers while it is open, so exit or shift change can destroy both safely.
  auto* window = new SupplierAddWindow(*m_app, m_settings);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
}

void QtWindows::openShiftCloseWindow() {
  if (!m_main || !m_app) {
    Windows::openShiftCloseWindow();
    return;
  }
  // Modal without a nested event loop: its 确定 destroys the main window, and with it this one.
  auto* window = new ShiftReportWindow(*m_app, true, m_main);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowModality(Qt::ApplicationModal);
  bringToFront(window);
}

void QtWindows::openShiftReportWindow() {
  openOwned(m_shiftReport, m_main,
            [this](QWidget* owner) { return new ShiftReportWindow(*m_app, false, owner); });
}

void QtWindows::openSalesReportWindow() {
  openOwned(m_salesReport, m_main,
            [this](QWidget* owner) { return new SalesReportWindow(*m_app, owner); });
}

void QtWindows::openStockWindow() {
  openOwned(m_stock, m_main, [this](QWidget* owner) { return new StockWindow(*m_app, owner); });
}

void QtWindows::openCreateGoodsWindow() {
  openOwned(m_createGoods, m_stock,
            [this](QWidget* owner) { return new CreateGoodsWindow(*m_app, owner); });
}

void QtWindows::openMemberListWindow() {
  openOwned(m_memberList, m_main,
            [this](QWidget* owner) { return new MemberListWindow(*m_app, owner); });
}

void QtWindows::openAddMemberWindow() {
  openOwned(m_addMember, m_main,
            [this](QWidget* owner) { return new AddMemberWindow(*m_app, owner); });
}

void QtWindows::openPurchaseWindow() {
  if (!m_app || !m_main) return;
  if (!m_purchase) {
    // One window is one order: closing it ends the order, and the next opening draws a new number.
    m_purchase = new PurchaseWindow(*m_app, m_main);
    m_purchase->setAttribute(Qt::WA_DeleteOnClose);
  }
  bringToFront(m_purchase);
}

void QtWindows::openOrderList(OrderKind kind) {
  if (!m_app || !m_main) return;
  QPointer<OrderListWindow>& list = kind == OrderKind::Sale ? m_salesList : m_purchaseList;
  if (!list) {
    list = new OrderListWindow(*m_app, kind, m_main);
    list->setAttribute(Qt::WA_DeleteOnClose);
  }
  bringToFront(list);
}

void QtWindows::openOrderDetail(OrderKind kind, const std::vector<std::string>& cells) {
  QPointer<OrderDetailWindow>& detail = kind == OrderKind::Sale ? m_saleDetail : m_purchaseDetail;
  OrderListWindow* list = kind == OrderKind::Sale ? m_salesList.data() : m_purchaseList.data();
  if (!detail) {
    detail = new OrderDetailWindow(kind, list, m_app);
    detail->setAttribute(Qt::WA_DeleteOnClose);
  }
  // The list's current row is the one whose cells came: its rowid finds the stored order again.
  std::int64_t rowid = 0;
  if (list) rowid = list->presenter().rowidOf(list->presenter().grid().currentRow());
  detail->fill(cells, rowid);
  bringToFront(detail);
}

void QtWindows::quitWhenNoWindowIsLeft() {
  if (m_login || m_log || m_main || m_quitting) return;
  m_quitting = true;
  if (m_app && m_app->backups) {
    m_app->backups->atExit([this] { m_ended(); });
    return;
  }
  m_ended();
}

}  // namespace cz
