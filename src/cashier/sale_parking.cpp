// Parked orders at the till: F2 parks the open order, F3 takes a parked one back.
#include "cashier/sale_presenter.h"

#include <algorithm>
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

void SalePresenter::parkClicked() {
  if (busy()) return;
  Busy scope(*this);
  Cart& cart = m_area.cart;
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
  Cart& cart = m_area.cart;
  resetSale();
  restoreParkedCart(cart, order.details);
  // Stock may have changed while the order waited: every line's remaining stock is read anew
  // and a sale line holding more than the stock is capped, as a scan would cap it.
  bool capped = false;
  for (int row = 1; row < cart.rowCount(); ++row) {
    RecordSet goods(db);
    double stock = 0;
    if (goods.open("select 当前库存 from 库存 where 条码=? limit 1",
                   {cart.text(row, kCartBarcode)}) &&
        goods.next()) {
      stock = std::clamp(readNumber(goods.field(1)), -static_cast<double>(kMaxStock),
                         static_cast<double>(kMaxStock));
    }
    if (cart.line(row).isReturn()) {
      cart.setStockLeft(row, stock);
      continue;
    }
    // Kilograms with decimals for weighed goods; half a gram of slack for their sums.
    const double quantity = cart.line(row).quantity;
    if (quantity <= stock + 0.0005) {
      cart.setStockLeft(row, stock - quantity);
    } else {
      cart.setStockLeft(row, std::max(stock, 0.0));
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

}  // namespace cz
