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
namespace {

constexpr int kEnter = 13;
constexpr int kDelete = 46;
// The most goods a name search lists.
constexpr int kFuzzyLimit = 200;

}  // namespace

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
  const ScaleLabel label = readScaleLabel(m_state.barcodeText, m_app.session.settings.scale);
  if (label.scan != ScaleScan::NotALabel) {
    scaleLabelEntered(label);
    return;
  }
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
    GoodsRecord& g = goods.front();
    g.weighed = m_app.session.goodsAttributes.weighed(g.barcode);
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

void SalePresenter::scaleLabelEntered(const ScaleLabel& label) {
  m_state.barcodeText.clear();
  if (label.scan == ScaleScan::BadCheckDigit) {
    m_dialogs.message(kBadScaleLabelMessage, kDefaultTitle, MessageIcon::Information);
  } else {
    const LabelAddResult added = addScaleLabel(m_app.db, m_area.cart, label, m_memberRate);
    switch (added.result) {
      case LabelAdded::Added:
        break;
      case LabelAdded::UnknownGoods:
        m_dialogs.message("查询不到商品", kDefaultTitle, MessageIcon::Information);
        break;
      case LabelAdded::NoPrice:
        m_dialogs.message("商品[" + added.name + "]没有销售价，无法按金额算出重量", kDefaultTitle,
                          MessageIcon::Information);
        break;
      case LabelAdded::OutOfStock:
        m_dialogs.message("[" + added.name + "]库存不足", kDefaultTitle, MessageIcon::Information);
        break;
    }
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
  GoodsRecord g = goodsFromChoice(m_area.goodsChoices, m_area.goodsChoices.selectedIndex());
  g.weighed = m_app.session.goodsAttributes.weighed(g.barcode);
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
  const Cart& cart = m_area.cart;
  m_editRow = cart.currentRow();
  m_editStartQuantityText = cart.text(m_editRow, kCartQuantity);
  m_editStartReceivedText = cart.text(m_editRow, kCartReceived);
  m_editStartQuantity = readNumber(m_editStartQuantityText);
}

void SalePresenter::editEnds() {
  Cart& cart = m_area.cart;
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
    // Weighed goods take up to three decimals; every other goods whole numbers.
    std::optional<double> quantity;
    if (m_app.session.goodsAttributes.weighed(cart.text(row, kCartBarcode))) {
      quantity = typedWeight(typed);
    } else if (const auto whole = typedQuantity(typed)) {
      quantity = static_cast<double>(*whole);
    }
    if (!quantity) {
      // Refused, not read as some other number: the line stays as it was.
      cart.setText(row, kCartQuantity, m_editStartQuantityText);
      cart.setText(row, kCartReceived, m_editStartReceivedText);
      m_dialogs.message(kBadQuantityMessage, kDefaultTitle, MessageIcon::Information);
      return;
    }
    cart.setText(row, kCartQuantity, quantityText(*quantity));
  }
  if (lineEdited(cart, row, m_editStartQuantity)) m_dialogs.message("库存不足");
  recompute();
}

void SalePresenter::cartDoubleClicked() {
  if (busy() || !m_orderOpen) return;
  Busy scope(*this);
  Cart& cart = m_area.cart;
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
  Cart& cart = m_area.cart;
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

void SalePresenter::shiftReportClicked() {
  if (busy()) return;
  m_app.windows.openShiftReportWindow();
}

void SalePresenter::salesReportClicked() {
  if (busy()) return;
  m_app.windows.openSalesReportWindow();
}

void SalePresenter::openDrawerClicked() {
  if (busy()) return;
  Busy scope(*this);
  m_printing.openDrawer(m_app.session.settings.printer, [this](const std::string& failure) {
    if (!failure.empty()) printFailed(failure);
  });
}

}  // namespace cz
