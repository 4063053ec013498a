#include "cashier/sale_presenter.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "cashier/cart.h"
#include "cashier/cart_receipt.h"
#include "cashier/checkout.h"
#include "cashier/parked_orders.h"
#include "cashier/sale_area.h"
#include "catalogue/lookups.h"
#include "core/app_context.h"
#include "core/clock.h"
#include "core/database.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/order_number.h"
#include "core/session.h"
#include "core/shift_report.h"
#include "core/timestamp.h"
#include "core/windows.h"
#include "printing/printer.h"
#include "printing/receipt.h"
#include "util/json_document.h"
#include "util/numbers.h"

namespace cz {
namespace {

constexpr int kEnter = 13;
constexpr int kDelete = 46;
constexpr Rgb kOpenCartColour = rgb(255, 255, 255);
// The most goods a name search lists.
constexpr int kFuzzyLimit = 200;

}  // namespace

class SalePresenter::Busy {
 public:
  explicit Busy(SalePresenter& sale) : m_sale(sale) { m_sale.m_busy = true; }
  ~Busy() {
    m_sale.m_busy = false;
    if (!m_sale.m_deferredMessages.empty()) m_sale.showDeferredMessages();
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  SalePresenter& m_sale;
};

SalePresenter::SalePresenter(AppContext& app, Dialogs& dialogs, Printer& printer, SaleArea& area)
    : m_app(app), m_dialogs(dialogs), m_area(area), m_printing(app, dialogs, printer) {}

SaleFocus SalePresenter::takeFocusRequest() {
  const SaleFocus focus = m_focus;
  m_focus = SaleFocus::None;
  return focus;
}

void SalePresenter::startNewOrder() {
  if (busy()) return;
  Busy scope(*this);
  // Only lines are worth a question: an open order with an empty cart is simply started anew.
  if (m_orderOpen && m_area.cart.rowCount() > 1 && !askDiscard()) return;
  m_orderTime = m_app.clock.now();
  m_state.orderNumber = orderNumber("SX", m_orderTime);
  m_state.tenderSummary.clear();
  m_state.inputsEnabled = true;
  m_state.cartEnabled = true;
  m_orderOpen = true;
  m_area.cart.reset();
  m_state.due = "0";
  m_state.received = "0";
  m_state.memberPoints = "-";
  m_state.memberName = "-";
  m_state.memberRateText = "10";
  m_state.memberText.clear();
  m_area.cart.setGridColour(kOpenCartColour);
  m_memberNumber.clear();
  m_memberRate = 10;
  m_focus = SaleFocus::NewOrder;
}

bool SalePresenter::askDiscard() {
  // Enter and Space keep the order: a scanner sends Enter after every code.
  return m_dialogs.ask("当前列表有内容，是否丢弃重新创建订单呢？", kDefaultTitle, Answer::No);
}

void SalePresenter::checkoutHotkey() {
  if (busy() || !m_state.inputsEnabled) return;
  checkoutClicked();
}

void SalePresenter::checkoutClicked() {
  if (busy() || !m_state.inputsEnabled) return;
  Busy scope(*this);
  checkout();
}

void SalePresenter::barcodeTextChanged(const std::string& text) {
  m_state.barcodeText = text;
}

void SalePresenter::barcodeKeyDown(int key) {
  if (busy()) return;
  Busy scope(*this);
  if (key == kEnter) {
    barcodeEntered();
  } else {
    recompute();
  }
}

void SalePresenter::barcodeEntered() {
  std::vector<GoodsRecord> goods = lookupGoods(m_app.db, m_state.barcodeText);
  // 模糊查找: no exact match lists the goods whose name holds the text, with their 规格.
  const bool fuzzy = goods.empty() && m_app.session.settings.fuzzyLookup;
  if (fuzzy) goods = lookupGoodsContaining(m_app.db, m_state.barcodeText, kFuzzyLimit);
  showSpecInGoodsList(fuzzy);
  if (goods.empty()) {
    m_state.barcodeText.clear();
    m_dialogs.message("查询不到商品", kDefaultTitle, MessageIcon::Information);
  }
  if (goods.size() == 1 && !fuzzy) {
    const GoodsRecord& g = goods.front();
    if (g.name.empty()) return;
    if (g.stock <= 0) {
      m_state.barcodeText.clear();
      m_dialogs.message("商品[" + g.name + "]库存为0", kDefaultTitle, MessageIcon::Information);
      return;
    }
    const AddResult added = addGoodsToCart(m_area.cart, g, AddSource::Scanned, m_memberRate);
    m_state.barcodeText.clear();
    refuseAdd(added, g.name);
    recompute();
    return;
  }
  m_area.goodsChoices.clear();
  for (const GoodsRecord& g : goods) m_area.goodsChoices.append(goodsChoiceTexts(g));
  if (!goods.empty()) {
    m_area.goodsChoices.setSelectedIndex(0);
    m_state.goodsListVisible = true;
    m_goodsEnterDown = false;
    m_focus = SaleFocus::GoodsList;
  }
  recompute();
}

void SalePresenter::showSpecInGoodsList(bool show) {
  std::vector<ListColumn> columns = m_area.goodsChoices.columns();
  constexpr size_t kSpec = 3;
  const int width = show ? 80 : 0;
  if (columns.size() <= kSpec || columns[kSpec].width == width) return;
  columns[kSpec].width = width;
  m_area.goodsChoices.setColumns(std::move(columns));
}

void SalePresenter::goodsListKeyDown(int key) {
  if (key == kEnter) m_goodsEnterDown = true;
}

void SalePresenter::goodsListKeyUp(int key) {
  if (key != kEnter || !m_goodsEnterDown) return;
  m_goodsEnterDown = false;
  if (busy()) return;
  Busy scope(*this);
  goodsChosen();
}

void SalePresenter::goodsListDoubleClicked() {
  if (busy()) return;
  Busy scope(*this);
  goodsChosen();
}

void SalePresenter::goodsChosen() {
  const GoodsRecord g = goodsFromChoice(m_area.goodsChoices, m_area.goodsChoices.selectedIndex());
  if (g.name.empty()) {
    m_state.barcodeText.clear();
    return;
  }
  if (g.stock <= 0) {
    m_dialogs.message("商品[" + g.name + "]库存为0", kDefaultTitle, MessageIcon::Information);
    m_state.barcodeText.clear();
    return;
  }
  refuseAdd(addGoodsToCart(m_area.cart, g, AddSource::Chosen, m_memberRate), g.name);
  m_state.goodsListVisible = false;
  m_focus = SaleFocus::Barcode;
  m_state.barcodeText.clear();
  recompute();
}

void SalePresenter::refuseAdd(AddResult result, const std::string& name) {
  if (result == AddResult::OutOfStock) {
    m_dialogs.message("商品[" + name + "]库存为0", kDefaultTitle, MessageIcon::Information);
  } else if (result == AddResult::TooMany) {
    m_dialogs.message("商品[" + name + "]数量已达上限", kDefaultTitle, MessageIcon::Information);
  }
}

void SalePresenter::goodsListFocusLost() {
  m_state.goodsListVisible = false;
  m_goodsEnterDown = false;
  m_state.barcodeText.clear();
}

void SalePresenter::memberTextChanged(const std::string& text) {
  m_state.memberText = text;
}

void SalePresenter::memberKeyDown(int key) {
  if (key != kEnter || busy()) return;
  Busy scope(*this);
  memberEntered();
}

void SalePresenter::memberEntered() {
  if (m_state.memberText.empty()) {
    // One stray Enter must not throw a full cart away.
    if (m_area.cart.rowCount() > 1 &&
        !m_dialogs.ask("确定清空当前列表吗？", kDefaultTitle, Answer::No)) {
      return;
    }
    resetSale();
    return;
  }
  std::vector<MemberMatch> found;
  findMembers(m_app.db, m_state.memberText, found);
  if (found.empty()) {
    m_dialogs.message("查询不到该会员");
    return;
  }
  if (found.size() == 1) {
    attachMember(found.front());
    return;
  }
  m_area.memberChoices.clear();
  for (const MemberMatch& m : found) {
    m_area.memberChoices.append(
        {"", m.name, m.contact, m.discountRate, singleText(m.points), m.number});
  }
  m_area.memberChoices.setSelectedIndex(0);
  m_state.memberListVisible = true;
  m_focus = SaleFocus::MemberList;
}

void SalePresenter::memberListKeyDown(int key) {
  if (key == kEnter) memberListDoubleClicked();
}

void SalePresenter::memberListDoubleClicked() {
  if (busy()) return;
  Busy scope(*this);
  const ListModel& list = m_area.memberChoices;
  const int index = list.selectedIndex();
  if (index >= 0 && index < list.itemCount()) {
    attachMember({list.text(index, 1), list.text(index, 2), list.text(index, 3),
                  readSingle(list.text(index, 4)), list.text(index, 5)});
  }
  m_state.memberListVisible = false;
}

void SalePresenter::memberListFocusLost() {
  m_state.memberListVisible = false;
}

void SalePresenter::attachMember(const MemberMatch& member) {
  m_state.memberPoints = singleText(member.points);
  m_state.memberName = member.name;
  const float rate = readSingle(member.discountRate);
  m_state.memberRateText = singleText(rate);
  m_memberRate = rate;
  m_memberNumber = member.number;
  repriceCart(m_area.cart, m_memberRate);
  recompute();
}

void SalePresenter::resetSale() {
  m_area.cart.reset();
  m_state.due = "0";
  m_state.received = "0";
  m_state.memberPoints = "-";
  m_state.memberName = "-";
  m_state.memberRateText = "10";
  m_state.memberText.clear();
  m_memberNumber.clear();
  m_memberRate = 10;
}

void SalePresenter::recompute() {
  const CartTotals totals = recomputeTotals(m_area.cart);
  m_state.due = totals.due;
  m_state.received = totals.received;
  m_state.pointsTotal = totals.points;
}

void SalePresenter::cursorMoved() {
  if (busy() || !m_orderOpen) return;
  const int col = m_area.cart.currentColumn();
  m_area.cart.setEditable(col == kCartQuantity || col == kCartReceived);
}

void SalePresenter::editBegins() {
  // Remembered in every state, so that an edit that may not act can be put back.
  const TextGrid& cart = m_area.cart;
  m_editRow = cart.currentRow();
  m_editStartQuantityText = cart.text(m_editRow, kCartQuantity);
  m_editStartReceivedText = cart.text(m_editRow, kCartReceived);
  m_editStartQuantity = readInteger(m_editStartQuantityText);
}

void SalePresenter::editEnds() {
  TextGrid& cart = m_area.cart;
  const int row = cart.currentRow();
  const bool known = row == m_editRow && row >= 1 && row < cart.rowCount();
  m_editRow = -1;
  if (busy() || !m_orderOpen) {
    // The text reached the cart behind a handler's back: put the line back as it was.
    if (known) {
      cart.setText(row, kCartQuantity, m_editStartQuantityText);
      cart.setText(row, kCartReceived, m_editStartReceivedText);
    }
    return;
  }
  if (!known) return;
  Busy scope(*this);
  const std::string& typed = cart.text(row, kCartQuantity);
  if (typed != m_editStartQuantityText) {
    const std::optional<std::int64_t> quantity = typedQuantity(typed);
    if (!quantity) {
      // Refused, not read as some other number: the line stays as it was.
      cart.setText(row, kCartQuantity, m_editStartQuantityText);
      cart.setText(row, kCartReceived, m_editStartReceivedText);
      m_dialogs.message(kBadQuantityMessage, kDefaultTitle, MessageIcon::Information);
      return;
    }
    cart.setText(row, kCartQuantity, integerText(*quantity));
  }
  if (lineEdited(cart, row, m_editStartQuantity)) m_dialogs.message("库存不足");
  recompute();
}

void SalePresenter::cartDoubleClicked() {
  if (busy() || !m_orderOpen) return;
  Busy scope(*this);
  TextGrid& cart = m_area.cart;
  const int row = cart.currentRow();
  if (cart.currentColumn() != kCartType || row < 1 || row >= cart.rowCount()) return;
  if (toggleLineType(cart, row) == ToggleResult::NotEnoughStock) {
    m_dialogs.message("[" + cart.text(row, kCartName) + "]库存不足", kDefaultTitle,
                      MessageIcon::Information);
    return;
  }
  recompute();
}

void SalePresenter::cartKeyUp(int key) {
  if (key != kDelete || busy() || !m_orderOpen) return;
  Busy scope(*this);
  TextGrid& cart = m_area.cart;
  const int row = cart.currentRow();
  if (row < 1 || row >= cart.rowCount()) return;
  if (!m_dialogs.ask("确定删除[" + cart.text(row, kCartName) + "]的数据吗？", kDefaultTitle,
                     Answer::No)) {
    return;
  }
  cart.deleteRow(row);
  recompute();
}

void SalePresenter::paymentChanged(const std::string& text) {
  m_state.payment = text;
}

void SalePresenter::checkout() {
  TextGrid& cart = m_area.cart;
  if (cart.rowCount() <= 1) {
    m_dialogs.message("请添加商品");
    return;
  }
  // Lines capped to no stock when a parked order came back can leave nothing to sell.
  if (!hasQuantityAboveZero(cart)) {
    m_dialogs.message("订单中没有数量大于0的商品，请修改数量", kDefaultTitle,
                      MessageIcon::Information);
    return;
  }
  // With 收款窗口 the 收款 window takes the place of the question.
  std::optional<TenderPresenter> tender;
  if (m_app.session.settings.paymentWindow && m_tenderScreen) {
    tender.emplace(m_state.due, m_state.received, m_state.payment);
    if (!m_tenderScreen->run(*tender)) return;
  } else if (!m_dialogs.ask("确定提交订单吗？", kDefaultTitle, Answer::Yes)) {
    return;
  }
  const std::string details = buildOrderDetails(cart);

  Database& db = m_app.db;
  OperationLog& log = m_app.log;
  // A failed step: undo everything, then record and show the failure. The error entry is written
  // after the rollback so that it stays stored.
  auto fail = [&](Transaction* transaction, const StepResult& step, const char* title) {
    if (transaction) transaction->rollback();
    log.write(LogType::Error, step.errorEntry);
    m_dialogs.message(step.error, title, MessageIcon::Information);
  };

  Transaction transaction(db);
  if (!transaction.started()) {
    const std::string error = db.lastError();
    fail(nullptr, {false, error, saleFailedEntry(error)}, "提交销售订单失败");
    return;
  }
  // Other tills sell from the same stock: until the commit they wait, and this order's checks
  // below still hold when it is stored.
  if (!db.lockWriters()) {
    const std::string error = db.lastError();
    return fail(&transaction, {false, error, saleFailedEntry(error)}, "提交销售订单失败");
  }
  if (!m_unsureOrderNumber.empty() && m_state.orderNumber == m_unsureOrderNumber &&
      finishIfStored(transaction, details, tender)) {
    return;
  }
  for (int row = 1; row < cart.rowCount(); ++row) {
    const bool sale = cart.text(row, kCartType) == kSaleType;
    const StepResult step = updateStock(
        db, log, cart.text(row, kCartBarcode), readInteger(cart.text(row, kCartQuantity)),
        sale ? StockDirection::Subtract : StockDirection::Add, cart.text(row, kCartName));
    if (!step.ok) return fail(&transaction, step, "更新库存失败");
    if (!sale) continue;
    // The stock was read when the goods were scanned; another till may have sold it since.
    const StockLeft left = stockLeftAfterSale(db, cart.text(row, kCartBarcode));
    if (!left.ok) {
      const std::string error = db.lastError();
      return fail(&transaction, {false, error, "[更新库存失败]：" + error}, "更新库存失败");
    }
    if (left.negative) {
      transaction.rollback();
      m_dialogs.message("[" + cart.text(row, kCartName) + "]库存不足", kDefaultTitle,
                        MessageIcon::Information);
      return;
    }
  }

  m_state.pointsTotal = roundedPointsText(m_state.pointsTotal);
  const bool hasMember = m_state.memberName != "-";
  if (hasMember) {
    const StepResult step =
        addMemberPoints(db, log, m_memberNumber, pointsValueText(m_state.pointsTotal));
    if (!step.ok) return fail(&transaction, step, "更新会员积分失败");
  } else {
    m_state.pointsTotal = "0";
  }

  // One reading of the clock: the stored 日期 and the receipt's time are the same moment, so a
  // reprint from the stored row shows the time the first print showed. A sale stamped at or
  // before the last close's end would fall in no shift's report: it takes the second after.
  const std::optional<LocalDateTime> stamp = saleTimeAfterLastClose(db, m_app.clock.now());
  if (!stamp) {
    const std::string error = db.lastError();
    return fail(&transaction, {false, error, saleFailedEntry(error)}, "提交销售订单失败");
  }
  const LocalDateTime storedAt = *stamp;
  // Another till may have stored an order with this number (made in the same second).
  const std::optional<std::string> number =
      freeOrderNumber(db, "销售", "SX", m_orderTime, m_state.orderNumber);
  if (!number) {
    const std::string error = db.lastError();
    return fail(&transaction, {false, error, saleFailedEntry(error)}, "提交销售订单失败");
  }
  m_state.orderNumber = *number;
  const SaleRow row{m_state.orderNumber,
                    timestampText(storedAt),
                    m_state.memberName,
                    m_memberNumber,
                    details,
                    m_state.due,
                    m_state.received,
                    m_state.pointsTotal,
                    m_state.payment,
                    m_app.session.currentAccount};
  const StepResult inserted = insertSale(db, log, row);
  if (!inserted.ok) return fail(&transaction, inserted, "提交销售订单失败");
  if (!transaction.commit()) {
    // The engine may have stored what it was told to commit before the failure reached here (a
    // connection lost after COMMIT was sent): the next F4 of this order looks first.
    m_unsureOrderNumber = m_state.orderNumber;
    const std::string error = db.lastError();
    return fail(&transaction, {false, error, saleFailedEntry(error)}, "提交销售订单失败");
  }
  m_unsureOrderNumber.clear();
  finishCheckout(storedAt, inserted.rowid, tender);
}

void SalePresenter::finishCheckout(const LocalDateTime& storedAt, std::int64_t rowid,
                                   const std::optional<TenderPresenter>& tender) {
  TextGrid& cart = m_area.cart;
  m_app.session.lastSaleRowid = rowid;
  if (tender) m_state.tenderSummary = tender->summary();

  m_state.inputsEnabled = false;
  cart.setEditable(false);
  m_orderOpen = false;
  const Settings& settings = m_app.session.settings;
  Receipt receipt = receiptFromCart(
      cart, m_state.orderNumber, storedAt, m_state.memberName,
      {m_state.due, m_state.received, m_state.payment, m_state.pointsTotal}, settings);
  if (tender) receipt.tender = {tender->tenderedText(), tender->changeAmountText()};
  // The receipt's member step leaves its rounded points in the hidden label.
  if (settings.printingEnabled) m_state.pointsTotal = receipt.totals.points;
  // The sale is stored whatever the printer does; its failures come back as one message.
  m_printing.afterCheckout(receipt, m_state.payment == "现金支付",
                           [this](const std::string& failure) {
                             if (!failure.empty()) printFailed(failure);
                           });
  cart.setGridColour(kCartIdleColour);
  m_dialogs.message("提交订单完毕", kDefaultTitle, MessageIcon::Information);
}

void SalePresenter::printFailed(const std::string& message) {
  m_deferredMessages.push_back(message);
  if (!busy()) showDeferredMessages();
}

void SalePresenter::showDeferredMessages() {
  m_busy = true;
  // Messages that come while one is open wait their turn here.
  while (!m_deferredMessages.empty()) {
    const std::string message = std::move(m_deferredMessages.front());
    m_deferredMessages.pop_front();
    m_dialogs.message(message, kDefaultTitle, MessageIcon::Warning);
  }
  m_busy = false;
}

void SalePresenter::reprintLastClicked() {
  if (busy()) return;
  Busy scope(*this);
  const std::int64_t rowid = m_app.session.lastSaleRowid;
  if (rowid <= 0) {
    m_dialogs.message("还没有可以重打的小票", kDefaultTitle, MessageIcon::Information);
    return;
  }
  std::string error;
  const std::optional<StoredSale> stored = readStoredSale(m_app.db, rowid, error);
  if (!stored) {
    printFailed("打印失败：" + error);
    return;
  }
  m_printing.reprint(receiptFromStoredSale(*stored, m_app.session.settings),
                     [this](const std::string& failure) {
                       if (!failure.empty()) printFailed(failure);
                     });
}

void SalePresenter::parkClicked() {
  if (busy()) return;
  Busy scope(*this);
  TextGrid& cart = m_area.cart;
  if (!m_orderOpen || cart.rowCount() <= 1) {
    m_dialogs.message("当前订单没有商品，不能挂单");
    return;
  }
  ParkedOrder order;
  order.time = timestampText(m_app.clock.now());
  order.orderNumber = m_state.orderNumber;
  order.customer = m_state.memberName;
  order.memberNumber = m_memberNumber;
  order.memberRate = singleText(m_memberRate);
  order.payment = m_state.payment;
  order.due = m_state.due;
  order.lineCount = integerText(cart.rowCount() - 1);
  order.details = parkedCartDetails(cart);
  order.account = m_app.session.currentAccount;
  if (!parkOrder(m_app.db, order)) {
    const std::string error = m_app.db.lastError();
    m_app.log.write(LogType::Error, "挂单[" + order.orderNumber + "]失败：" + error);
    m_dialogs.message(error, "挂单失败", MessageIcon::Information);
    return;
  }
  m_app.log.write(LogType::Sale,
                  "挂单[" + order.orderNumber + "]，" + order.lineCount + "行，应收：" + order.due);
  // Back to the state before the first new order: the next customer starts with F1.
  resetSale();
  cart.setEditable(false);
  cart.setGridColour(kCartIdleColour);
  m_orderOpen = false;
  m_state.orderNumber.clear();
  m_state.inputsEnabled = false;
  m_state.cartEnabled = false;
  m_state.goodsListVisible = false;
  m_state.memberListVisible = false;
}

void SalePresenter::takeBackClicked() {
  if (busy()) return;
  Busy scope(*this);
  Database& db = m_app.db;
  if (m_orderOpen && m_area.cart.rowCount() > 1 && !askDiscard()) return;
  const std::vector<ParkedOrder> orders = parkedOrders(db);
  if (orders.empty()) {
    m_dialogs.message("没有挂单");
    return;
  }
  std::vector<std::vector<std::string>> rows;
  for (const ParkedOrder& o : orders) {
    const auto moment = dateTimeFromTimestamp(o.time);
    rows.push_back(
        {moment ? timeText(*moment) : o.time, o.orderNumber, o.lineCount, o.due, o.customer});
  }
  const auto chosen = m_dialogs.choose("取单", {"时间", "订单号", "行数", "应收", "会员"}, rows);
  if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(orders.size())) return;

  ParkedOrder order;
  std::string error;
  if (!takeParkedOrder(db, orders[static_cast<size_t>(*chosen)].id, order, error)) {
    m_dialogs.message(error, "取单失败", MessageIcon::Information);
    return;
  }
  TextGrid& cart = m_area.cart;
  resetSale();
  restoreParkedCart(cart, order.details);
  // Stock may have changed while the order waited: every line's remaining stock is read anew
  // and a sale line holding more than the stock is capped, as a scan would cap it.
  bool capped = false;
  for (int row = 1; row < cart.rowCount(); ++row) {
    RecordSet goods(db);
    std::int64_t stock = 0;
    if (goods.open("select 当前库存 from 库存 where 条码=? limit 1",
                   {cart.text(row, kCartBarcode)}) &&
        goods.next()) {
      stock = std::clamp<std::int64_t>(readInteger(goods.field(1)), -kMaxStock, kMaxStock);
    }
    if (cart.text(row, kCartType) == kReturnType) {
      cart.setText(row, kCartStockLeft, integerText(stock));
      continue;
    }
    const std::int64_t quantity = readInteger(cart.text(row, kCartQuantity));
    if (quantity <= stock) {
      cart.setText(row, kCartStockLeft, integerText(stock - quantity));
    } else {
      cart.setText(row, kCartStockLeft, integerText(std::max<std::int64_t>(stock, 0)));
      lineEdited(cart, row, 0);
      capped = true;
    }
  }
  m_state.orderNumber = order.orderNumber;
  // Should another till have stored this number meanwhile, checkout moves on from now.
  m_orderTime = m_app.clock.now();
  m_memberNumber = order.memberNumber;
  if (!m_memberNumber.empty()) {
    m_state.memberName = order.customer;
    m_memberRate = readSingle(order.memberRate);
    m_state.memberRateText = singleText(m_memberRate);
    RecordSet member(db);
    if (member.open("select 积分 from 会员 where 编号=?", {m_memberNumber}) && member.next()) {
      m_state.memberPoints = singleText(readSingle(member.field(1)));
    }
  }
  if (!order.payment.empty()) m_state.payment = order.payment;
  m_orderOpen = true;
  m_state.inputsEnabled = true;
  m_state.cartEnabled = true;
  cart.setGridColour(kOpenCartColour);
  recompute();
  m_app.log.write(LogType::Sale, "取单[" + order.orderNumber + "]");
  m_focus = SaleFocus::NewOrder;
  if (capped) m_dialogs.message("库存不足");
}

void SalePresenter::shiftReportClicked() {
  if (busy()) return;
  m_app.windows.openShiftReportWindow();
}

void SalePresenter::openDrawerClicked() {
  if (busy()) return;
  Busy scope(*this);
  m_printing.openDrawer(m_app.session.settings.printer, [this](const std::string& failure) {
    if (!failure.empty()) printFailed(failure);
  });
}

}  // namespace cz
