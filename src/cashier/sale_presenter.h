#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "cashier/sale_actions.h"
#include "cashier/scale_label.h"
#include "cashier/tender.h"
#include "printing/receipt_printing.h"
#include "util/clock.h"

namespace cz {

class Dialogs;
class Printer;
class Transaction;
struct AppContext;
struct SaleArea;
struct MemberMatch;
enum class AddResult;

// Where the sale wants the keyboard focus next; the window moves it and clears the request.
// NewOrder: the barcode box of a window brought to the front, since F1 may come from another
// program.
enum class SaleFocus { None, Barcode, GoodsList, MemberList, NewOrder };

// The sale's controls as the window shows them. The cart and the two choice lists live in the
// SaleArea.
struct SaleState {
  std::string barcodeText;  // 编辑框条码
  std::string memberText;   // 编辑框会员
  std::string orderNumber;  // 标签订单号
  std::string memberName;   // 标签会员
  std::string memberRateText;
  std::string memberPoints;  // 标签积分: the member's balance
  std::string due;           // 标签应收
  std::string received;      // 标签实收
  std::string pointsTotal;   // 透明积分 (hidden): the points the sale earns
  std::string payment = "现金支付";
  // After a checkout through the 收款 window: "收到：…  找零：…" until the next new order.
  std::string tenderSummary;
  // 标签库存预警: the goods the last checkout left at or below their warning level, until the
  // next checkout.
  std::string stockWarning;
  // 编辑框条码, 编辑框会员 and 超级收款.
  bool inputsEnabled = false;
  // 高级表格 (its editable flag and colour are in the grid itself).
  bool cartEnabled = false;
  bool goodsListVisible = false;
  bool memberListVisible = false;
};

// The sale in the main window: new order, the cart and its pricing, the member, checkout and
// the receipt. One method per event of the sale's controls. While a handler waits in a question
// or message (the window keeps receiving hotkeys and clicks meanwhile) the other events that act
// on the sale are ignored, so a checkout never runs twice and stores exactly one cart.
class SalePresenter : public SaleActions {
 public:
  SalePresenter(AppContext& app, Dialogs& dialogs, Printer& printer, SaleArea& area);

  const SaleState& state() const { return m_state; }
  // The 收款 window, used at checkout when 收款窗口 is on; none keeps the question.
  void setTenderScreen(TenderScreen* screen) { m_tenderScreen = screen; }
  bool orderOpen() const { return m_orderOpen; }
  const std::string& memberNumber() const { return m_memberNumber; }
  float memberRate() const { return m_memberRate; }
  // A handler is waiting in a message box or question; events are ignored meanwhile.
  bool busy() const { return m_busy; }
  // The focus the sale asked for since the last call, which clears it.
  SaleFocus takeFocusRequest();

  // SaleActions: F1 and the new-order item; F4.
  void startNewOrder() override;
  void checkoutHotkey() override;
  // 超级收款 clicked.
  void checkoutClicked();

  // 编辑框条码: its text changed; a key went down (platform key code, 13 = Enter).
  void barcodeTextChanged(const std::string& text);
  void barcodeKeyDown(int key);
  // 超级列表框1: key down / up, double click, focus lost.
  void goodsListKeyDown(int key);
  void goodsListKeyUp(int key);
  void goodsListDoubleClicked();
  void goodsListFocusLost();

  // 编辑框会员: text changed; key down.
  void memberTextChanged(const std::string& text);
  void memberKeyDown(int key);
  // 超级列表框2: key down, double click, focus lost.
  void memberListKeyDown(int key);
  void memberListDoubleClicked();
  void memberListFocusLost();

  // 高级表格: current cell changed, edit begins / ends, double click, key released
  // (46 = Delete). The grid's current cell is already set when these arrive. They act only
  // while an order is open: a checked-out cart always shows the stored order. An edit that
  // ends while a handler waits in a box (the box took the focus from the cell's editor) is
  // undone, so the order the handler goes on with is the one it asked about; the window ends
  // an open edit before F1, F4 and 收款 run, so what was typed counts.
  void cursorMoved();
  void editBegins();
  void editEnds();
  void cartDoubleClicked();
  void cartKeyUp(int key);

  // 组合框1 shows another payment method.
  void paymentChanged(const std::string& text);

  // Ctrl+P: prints the receipt of the last sale stored since the program started again, rebuilt
  // from its stored row, with "重打" under the header.
  void reprintLastClicked();
  // F9: opens the cash drawer with no sale (logged with the account).
  void openDrawerClicked();

  // F2 (挂单): stores the open order (at least one line) as a parked order and empties the cart;
  // no order is open afterwards. Stock is not touched.
  void parkClicked();
  // F3 (取单): lists the parked orders; the one picked becomes the open order, its lines'
  // remaining stock read afresh and quantities above the stock capped ("库存不足"). An open
  // order with lines is asked about first.
  void takeBackClicked();

  // F10: opens the current shift's report (当班报表).
  void shiftReportClicked();
  // F11: opens 销售统计.
  void salesReportClicked();

  // A printer's failure message, from the printing that runs on after checkout. Shown at once,
  // or, while a handler waits in a box, as soon as that handler has finished.
  void printFailed(const std::string& message);

 private:
  // Marks a handler as running until it returns; a handler that finds the mark set does
  // nothing. Handlers wait in message boxes, during which the window still delivers hotkeys,
  // clicks and printer outcomes. When the outermost handler ends, printer messages that came
  // meanwhile are shown.
  class Busy;

  void showDeferredMessages();
  // "Throw the open cart away?"; true only for 是.
  bool askDiscard();
  void barcodeEntered();
  // A scanned text that has a scale label's form: its line, or the message why there is none.
  void scaleLabelEntered(const ScaleLabel& label);
  void showSpecInGoodsList(bool show);
  void goodsChosen();
  void memberEntered();
  void attachMember(const MemberMatch& member);
  void resetSale();
  void refuseAdd(AddResult result, const std::string& name);
  void recompute();
  void checkout();
  // After a commit that went unanswered: when the sale is stored with these lines, finishes the
  // order as stored (rolling `transaction` back) and returns true; so it does when the lookup
  // fails, after saying so. False when the order is still to be stored.
  bool finishIfStored(Transaction& transaction, const std::string& details,
                      const std::optional<TenderPresenter>& tender);
  // A sale stored at `storedAt` as row `rowid`: the order closes, the receipt prints.
  void finishCheckout(const LocalDateTime& storedAt, std::int64_t rowid,
                      const std::optional<TenderPresenter>& tender);

  AppContext& m_app;
  Dialogs& m_dialogs;
  SaleArea& m_area;
  SaleState m_state;
  bool m_orderOpen = false;
  // The moment the open order's number was made from.
  LocalDateTime m_orderTime;
  std::string m_memberNumber;
  float m_memberRate = 10;
  // The order number whose last commit failed, perhaps after the server stored it; empty when
  // none.
  std::string m_unsureOrderNumber;
  // The line being edited and its two editable cells as they were when the edit began.
  int m_editRow = -1;
  double m_editStartQuantity = 0;
  std::string m_editStartQuantityText;
  std::string m_editStartReceivedText;
  // The goods list saw Enter go down, so its release chooses (the Enter that opened the list
  // went down in the barcode box).
  bool m_goodsEnterDown = false;
  bool m_busy = false;
  SaleFocus m_focus = SaleFocus::None;
  std::deque<std::string> m_deferredMessages;
  ReceiptPrinting m_printing;
  TenderScreen* m_tenderScreen = nullptr;
};

}  // namespace cz
