#pragma once

#include <functional>
#include <string>
#include <vector>

namespace cz {

// The two kinds of stored order, each with its list and detail window.
enum class OrderKind { Sale, Purchase };

// Pages of the settings window's tab control.
enum class SettingsPage { Printing = 0, Suppliers = 1, Other = 2 };

// Opens, shows, moves and destroys the program's top-level windows. The flows of login, shift
// change and exit talk to the screen only through this.
class Windows {
 public:
  virtual ~Windows() = default;

  // Creates the log window, hidden. Entries written from now on are listed there.
  virtual void loadLogWindow() = 0;
  virtual void showLogWindow() = 0;
  virtual void destroyLogWindow() = 0;

  // Creates the main cashier window, modeless.
  virtual void openMainWindow() = 0;
  virtual bool mainWindowLoaded() const = 0;
  // Destroys the main window when it is loaded; its destruction writes the leaving entry.
  virtual void destroyMainWindow() = 0;

  // Runs `task` from the event loop once the main window destroyed before is gone, with every
  // window it owned and their worker threads. Runs it at once when no main window is on its way
  // out.
  virtual void afterMainWindowGone(std::function<void()> task) { task(); }

  // Moves the login window off-screen (left −5000) while somebody is logged in.
  virtual void moveLoginOffScreen() = 0;
  // Brings the login window back, centred on the screen.
  virtual void centreLoginWindow() = 0;
  virtual void destroyLoginWindow() = 0;

  // The windows opened from the main window's toolbar and from each other. Each is modeless and
  // owned by the window it is opened from unless said otherwise; an owned window goes with its
  // owner. Opening a window that is already open brings it to the front. The defaults do
  // nothing, so a stand-in needs only what its test uses.

  // "交班报表" (modal over the main window): the shift close. Its 确定 or close mark goes on
  // with the shift change. Where no such window exists the shift change goes on at once.
  virtual void openShiftCloseWindow() {
    destroyMainWindow();
    centreLoginWindow();
  }
  // "当班报表": the current shift's figures, without a close (owner: the main window).
  virtual void openShiftReportWindow() {}
  // "销售统计": the sales of a range of days (owner: the main window).
  virtual void openSalesReportWindow() {}

  // The settings window (owner: main window) on the given page.
  virtual void openSettingsWindow(SettingsPage page) { (void)page; }
  // The accounts window (owner: settings window).
  virtual void openAccountsWindow() {}
  // "新增供应商", modal over the settings window. Returns at once: the window runs without a
  // nested event loop, so no handler waits on the stack while it is open.
  virtual void openAddSupplierWindow() {}
  // The stock list (owner: main window) and its "创建新物品" window (owner: stock list).
  virtual void openStockWindow() {}
  virtual void openCreateGoodsWindow() {}
  // "会员列表" and "新增会员" (owner: main window).
  virtual void openMemberListWindow() {}
  virtual void openAddMemberWindow() {}
  // "商品采购入库" (owner: main window).
  virtual void openPurchaseWindow() {}
  // "出货订单记录" / "采购订单记录" (owner: main window).
  virtual void openOrderList(OrderKind kind) { (void)kind; }
  // "销售详情" / "采购详情", one of each, filled from the cells of an order list's grid row.
  virtual void openOrderDetail(OrderKind kind, const std::vector<std::string>& cells) {
    (void)kind, (void)cells;
  }
};

}  // namespace cz
