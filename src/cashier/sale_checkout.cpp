// The sale's checkout: storing the order in one transaction, then its receipt and the next order;
// the reprint of the last sale.
#include "cashier/sale_presenter.h"

#include <optional>
#include <vector>

#include "cashier/cart.h"
#include "cashier/cart_receipt.h"
#include "cashier/checkout.h"
#include "cashier/parked_orders.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter_parts.h"
#include "cashier/scale_sale.h"
#include "catalogue/goods_attributes.h"
#include "catalogue/lookups.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/order_number.h"
#include "core/session.h"
#include "core/shift_report.h"
#include "core/windows.h"
#include "printing/printer.h"
#include "printing/receipt.h"
#include "storage/database.h"
#include "util/clock.h"
#include "util/json_document.h"
#include "util/numbers.h"
#include "util/timestamp.h"

namespace cz {

void SalePresenter::checkout() {
  Cart& cart = m_area.cart;
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
  // The sold lines' barcodes and rows, for the one check of their stock after every update, and
  // the stock each sold goods has left, for the low-stock warning once the order is stored.
  std::vector<std::string> soldBarcodes;
  std::vector<int> soldRows;
  std::vector<SoldStock> sold;
  for (int row = 1; row < cart.rowCount(); ++row) {
    const CartLine& line = cart.line(row);
    const bool sale = line.type == LineType::Sale;
    // Whole numbers, or kilograms to the gram for weighed goods.
    const StepResult step =
        updateStock(db, log, cart.text(row, kCartBarcode), quantityText(line.quantity),
                    sale ? StockDirection::Subtract : StockDirection::Add, cart.text(row, kCartName));
    if (!step.ok) return fail(&transaction, step, "更新库存失败");
    if (!sale) continue;
    soldBarcodes.push_back(cart.text(row, kCartBarcode));
    soldRows.push_back(row);
  }
  // The stock was read when the goods were scanned; another till may have sold it since. Checked
  // once every line has taken its units, so goods on two lines are checked for both together.
  if (!soldBarcodes.empty()) {
    const StockLeft left = stockLeftAfterSale(db, soldBarcodes);
    if (!left.ok) {
      const std::string error = db.lastError();
      return fail(&transaction, {false, error, "[更新库存失败]：" + error}, "更新库存失败");
    }
    if (left.shortIndex) {
      transaction.rollback();
      m_dialogs.message("[" + cart.text(soldRows[*left.shortIndex], kCartName) + "]库存不足",
                        kDefaultTitle, MessageIcon::Information);
      return;
    }
    for (size_t i = 0; i < soldRows.size(); ++i) {
      const auto stock = left.left.find(soldBarcodes[i]);
      if (stock != left.left.end()) {
        sold.push_back({cart.text(soldRows[i], kCartName), soldBarcodes[i], stock->second});
      }
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
  // From memory, no query: the levels were read with the main window.
  m_state.stockWarning = checkoutStockWarning(m_app.session.goodsAttributes, sold);
  finishCheckout(storedAt, inserted.rowid, tender);
}

void SalePresenter::finishCheckout(const LocalDateTime& storedAt, std::int64_t rowid,
                                   const std::optional<TenderPresenter>& tender) {
  Cart& cart = m_area.cart;
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

}  // namespace cz
