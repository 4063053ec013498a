#pragma once

#include <QCoreApplication>
#include <QPointer>

#include <functional>

#include "core/windows.h"

namespace cz {

class AccountsWindow;
class AddMemberWindow;
class CreateGoodsWindow;
class ListModel;
class LoginWindow;
class LogWindow;
class MainWindow;
class SettingsWindow;
class MemberListWindow;
class StockWindow;
class ShiftReportWindow;
class SalesReportWindow;
class OrderDetailWindow;
class OrderListWindow;
class PurchaseWindow;
struct AppContext;

// Creates and destroys the real windows. Windows are destroyed later in the event loop, because
// the call that destroys one usually comes from inside one of its own handlers. When the last
// window goes, the event loop ends.
class QtWindows : public Windows {
 public:
  explicit QtWindows(ListModel& logList) : m_logList(logList) {}
  ~QtWindows() override;

  // The start window; created by main().
  void setLoginWindow(LoginWindow* login) { m_login = login; }
  void setContext(AppContext* app) { m_app = app; }
  // What ends the program once the last window went and the exit backup is done.
  void onEnded(std::function<void()> ended) { m_ended = std::move(ended); }

  void loadLogWindow() override;
  void showLogWindow() override;
  void destroyLogWindow() override;
  void openMainWindow() override;
  bool mainWindowLoaded() const override { return !m_main.isNull(); }
  void destroyMainWindow() override;
  void afterMainWindowGone(std::function<void()> task) override;
  void moveLoginOffScreen() override;
  void centreLoginWindow() override;
  void destroyLoginWindow() override;
  void openSettingsWindow(SettingsPage page) override;
  void openAccountsWindow() override;
  void openAddSupplierWindow() override;
  void openShiftCloseWindow() override;
  void openShiftReportWindow() override;
  void openSalesReportWindow() override;
  void openStockWindow() override;
  void openCreateGoodsWindow() override;
  void openMemberListWindow() override;
  void openAddMemberWindow() override;
  void openPurchaseWindow() override;
  void openOrderList(OrderKind kind) override;
  void openOrderDetail(OrderKind kind, const std::vector<std::string>& cells) override;

  // The last window went and the program is on its way out (the exit backup may still run).
  bool quitting() const { return m_quitting; }

 private:
  // When the last window went: the exit backup, then the end of the event loop.
  void quitWhenNoWindowIsLeft();

  ListModel& m_logList;
  AppContext* m_app = nullptr;
  QPointer<LoginWindow> m_login;
  QPointer<LogWindow> m_log;
  QPointer<MainWindow> m_main;
  // The main window destroyed last, until it is gone.
  QPointer<MainWindow> m_dyingMain;
  bool m_quitting = false;
  std::function<void()> m_ended = [] { QCoreApplication::quit(); };
  // Owned by the main window and by the settings window: Qt destroys them with their owner.
  QPointer<SettingsWindow> m_settings;
  QPointer<AccountsWindow> m_accounts;
  // Owned by the main window (the create window by the stock list): each goes with its owner.
  QPointer<StockWindow> m_stock;
  QPointer<ShiftReportWindow> m_shiftReport;
  QPointer<SalesReportWindow> m_salesReport;
  QPointer<CreateGoodsWindow> m_createGoods;
  QPointer<MemberListWindow> m_memberList;
  QPointer<AddMemberWindow> m_addMember;
  QPointer<PurchaseWindow> m_purchase;
  QPointer<OrderListWindow> m_salesList;
  QPointer<OrderListWindow> m_purchaseList;
  QPointer<OrderDetailWindow> m_saleDetail;
  QPointer<OrderDetailWindow> m_purchaseDetail;
};

}  // namespace cz
