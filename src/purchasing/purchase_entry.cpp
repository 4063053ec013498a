#include "purchasing/purchase_entry.h"

#include <cmath>
#include <optional>

#include "cashier/cart.h"
#include "cashier/checkout.h"
#include "cashier/scale_sale.h"
#include "catalogue/goods_attributes.h"
#include "catalogue/lookups.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/order_number.h"
#include "core/session.h"
#include "history/order_time.h"
#include "storage/database.h"
#include "util/json_document.h"
#include "util/numbers.h"
#include "util/typed_number.h"

namespace cz {

namespace {

struct GridColumnDef {
  const char* header;
  int width;
};

constexpr GridColumnDef kColumns[kPurchaseColumnCount] = {
    {"", 35},      {"商品名称", 180},    {"条码", 180}, {"规格", 180},
    {"单价", 100}, {"数量(可编辑)", 90}, {"总价", 100}, {"目前库存", 60}};

// Clears a flag when the scope ends, however it ends.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
  ~FlagGuard() { m_flag = false; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

PurchasePresenter::PurchasePresenter(AppContext& app, Dialogs& dialogs, Dialogs& ownerDialogs)
    : m_app(app), m_dialogs(dialogs), m_ownerDialogs(ownerDialogs) {
  m_grid.setColumnCount(kPurchaseColumnCount);
  for (int c = 0; c < kPurchaseColumnCount; ++c) {
    m_grid.setText(0, c, kColumns[c].header);
    m_grid.setColumnWidth(c, kColumns[c].width);
  }
  m_grid.setEditable(m_app.session.permissions.allows(Permission::EditPurchase));
  m_goodsChoices.setColumns(
      {{"", 0}, {"商品名称", 120}, {"条码", 100}, {"规格", 0}, {"进货价", 50}, {"当前库存", 80}});
  m_supplierChoices.setColumns({{"", 0}, {"供应商", 180}, {"联系电话", 150}});
  m_orderTime = m_app.clock.now();
  m_orderNumber = cz::orderNumber("CG", m_orderTime);
}

const std::vector<std::string>& PurchasePresenter::paymentItems() {
  static const std::vector<std::string> items = {"现金支付", "微信支付", "支付宝支付", "其他支付"};
  return items;
}

PurchasePresenter::Focus PurchasePresenter::takeFocusRequest() {
  const Focus focus = m_focus;
  m_focus = Focus::None;
  return focus;
}

void PurchasePresenter::barcodeKeyDown(int key) {
  if (m_submitting) return;
  if (key == kEnterKey)
    barcodeEntered();
  else
    recomputeTotals();
}

void PurchasePresenter::barcodeEntered() {
  const std::vector<GoodsRecord> found = lookupGoods(m_app.db, barcodeText);
  m_focus = Focus::Barcode;
  if (found.size() == 1) {
    const GoodsRecord& g = found.front();
    if (g.name.empty()) return;
    addLine(g.name, g.barcode, g.specText, g.costPrice, g.stock);
    barcodeText.clear();
    recomputeTotals();
    return;
  }
  if (found.empty())
    m_ownerDialogs.message("查询不到商品", kDefaultTitle, MessageIcon::Information);
  m_goodsChoices.clear();
  for (const GoodsRecord& g : found) {
    m_goodsChoices.append(
        {"", g.name, g.barcode, g.specText, singleText(g.costPrice), quantityText(g.stock)});
  }
  if (!found.empty()) {
    m_goodsChoicesVisible = true;
    m_enterPressedOnGoodsList = false;
    m_focus = Focus::GoodsChoices;
  }
  recomputeTotals();
}

void PurchasePresenter::addLine(const std::string& name, const std::string& barcode,
                                const std::string& specText, float price, double stock) {
  // Kilograms with decimals for weighed goods.
  const std::string stockText = quantityText(stock);
  for (int k = 1; k < m_grid.rowCount(); ++k) {
    if (m_grid.text(k, kPurchaseBarcode) != barcode) continue;
    // The total uses the price just looked up, even when the line's 单价 was edited. A scan adds
    // one piece, or one kilogram of weighed goods.
    const double q = readNumber(lineQuantityText(k)) + 1;
    m_grid.setText(k, kPurchaseQuantity, doubleText(q));
    m_grid.setText(k, kPurchaseTotal, doubleText(round1(static_cast<double>(price) * q)));
    m_grid.setText(k, kPurchaseStock, stockText);
    return;
  }
  const int k = m_grid.rowCount();
  m_grid.appendRow({integerText(k), name, barcode, specText, singleText(price), "1",
                    doubleText(round1(price)), stockText});
}

void PurchasePresenter::goodsChosen() {
  if (m_submitting) return;
  const int index = m_goodsChoices.selectedIndex();
  const std::string name = m_goodsChoices.text(index, 1);
  if (name.empty()) {
    barcodeText.clear();
    return;
  }
  addLine(name, m_goodsChoices.text(index, 2), m_goodsChoices.text(index, 3),
          readSingle(m_goodsChoices.text(index, 4)), readNumber(m_goodsChoices.text(index, 5)));
  barcodeText.clear();
  m_goodsChoicesVisible = false;
  m_focus = Focus::Barcode;
  recomputeTotals();
}

void PurchasePresenter::goodsListKeyDown(int key) {
  if (key == kEnterKey) m_enterPressedOnGoodsList = true;
}

void PurchasePresenter::goodsListKeyUp(int key) {
  if (key != kEnterKey || !m_enterPressedOnGoodsList) return;
  m_enterPressedOnGoodsList = false;
  goodsChosen();
}

void PurchasePresenter::goodsListFocusLost() {
  m_goodsChoicesVisible = false;
  m_enterPressedOnGoodsList = false;
  barcodeText.clear();
}

void PurchasePresenter::supplierKeyDown(int key) {
  if (key != kEnterKey || m_submitting) return;
  std::vector<SupplierRecord> found;
  findSuppliers(m_app.db, supplierText, found);
  if (found.empty()) {
    m_dialogs.message("查询不到该供应商");
  } else if (found.size() == 1) {
    m_supplierName = found.front().name;
    m_contact = found.front().contact;
  } else {
    m_supplierChoices.clear();
    for (const SupplierRecord& s : found) m_supplierChoices.append({"", s.name, s.contact});
    m_supplierChoicesVisible = true;
    m_focus = Focus::SupplierChoices;
  }
}

void PurchasePresenter::supplierChosen() {
  if (m_submitting) return;
  const int index = m_supplierChoices.selectedIndex();
  if (index < 0 || index >= m_supplierChoices.itemCount()) return;
  m_contact = m_supplierChoices.text(index, 2);
  m_supplierName = m_supplierChoices.text(index, 1);
  m_supplierChoicesVisible = false;
  m_focus = Focus::Barcode;
}

void PurchasePresenter::supplierListKeyDown(int key) {
  if (key == kEnterKey) supplierChosen();
}

void PurchasePresenter::supplierListFocusLost() {
  m_supplierChoicesVisible = false;
}

void PurchasePresenter::currentCellChanged(int /*row*/, int col) {
  if (!m_app.session.permissions.allows(Permission::EditPurchase)) return;
  m_grid.setEditable(col == kPurchasePrice || col == kPurchaseQuantity || col == kPurchaseTotal);
}

void PurchasePresenter::editBegins(int row, int col) {
  m_savedCell = {row, col, m_grid.text(row, col)};
}

void PurchasePresenter::lineEdited(int row, int col) {
  if (m_submitting || row < 1 || row >= m_grid.rowCount()) return;
  if (col == kPurchasePrice || col == kPurchaseQuantity || col == kPurchaseTotal) {
    const TypedNumberKind kind =
        col != kPurchaseQuantity                          ? TypedNumberKind::Amount
        : weighed(m_grid.text(row, kPurchaseBarcode)) ? TypedNumberKind::Weight
                                                          : TypedNumberKind::Quantity;
    const TypedNumberCheck check = checkTypedNumber(m_grid.text(row, col), kind);
    if (check != TypedNumberCheck::Fine) {
      // Put back what the cell showed; an edit that began unseen falls back on one piece at the
      // price the line's total gives.
      std::string before = m_savedCell.text;
      if (m_savedCell.row != row || m_savedCell.col != col) {
        before = col == kPurchaseQuantity ? "1" : m_grid.text(row, kPurchaseTotal);
      }
      m_grid.setText(row, col, before);
      // A column header may carry a hint such as "(可编辑)"; the message names the column only.
      std::string column = m_grid.headerText(col);
      column = column.substr(0, column.find('('));
      m_dialogs.message(typedNumberMessage(column, kind, check));
    }
  }
  const float p = readSingle(m_grid.text(row, kPurchasePrice));
  const double q = readNumber(lineQuantityText(row));
  m_grid.setText(row, kPurchaseTotal, doubleText(round1(static_cast<double>(p) * q)));
  recomputeTotals();
}

void PurchasePresenter::gridKeyDown(int key) {
  if (key != kDeleteKey || m_submitting) return;
  const int row = m_grid.currentRow();
  if (row < 1 || row >= m_grid.rowCount()) return;
  m_grid.deleteRow(row);
  recomputeTotals();
}

void PurchasePresenter::recomputeTotals() {
  float sum = 0;
  for (int i = 1; i < m_grid.rowCount(); ++i) {
    sum += readSingle(m_grid.text(i, kPurchaseTotal));
    m_grid.setText(i, kPurchaseNumber, integerText(i));
  }
  m_payable = singleText(sum);
  paidText = m_payable;
}

void PurchasePresenter::submit() {
  if (m_submitting || !m_submitEnabled) return;
  FlagGuard busy(m_submitting);
  if (m_supplierName == "-") {
    m_dialogs.message("请输入供应商");
    return;
  }
  if (m_grid.rowCount() <= 1) {
    m_dialogs.message("请添加商品");
    return;
  }
  if (!storePurchase()) return;
  m_submitEnabled = false;
  m_dialogs.message("提交订单完毕", kDefaultTitle, MessageIcon::Information);
}

bool PurchasePresenter::storePurchase() {
  Database& db = m_app.db;
  OperationLog& log = m_app.log;
  const std::string details = buildOrderDetails(m_grid);
  const auto fail = [&](const std::string& title, const std::string& error) {
    m_ownerDialogs.message(error, title, MessageIcon::Information);
    return false;
  };

  // A failed begin, insert or commit: undone, then recorded (after the rollback, so the entry
  // stays stored) and shown.
  const auto orderFailed = [&](Transaction& transaction) {
    const std::string error = db.lastError();
    transaction.rollback();
    log.write(LogType::Error, "创建进货单失败：" + error);
    return fail("提交进货订单失败", error);
  };

  Transaction transaction(db);
  if (!transaction.started()) return orderFailed(transaction);
  // Other tills store orders too: until the commit they wait, and the number chosen below stays
  // this order's alone.
  if (!db.lockWriters()) return orderFailed(transaction);

  for (int i = 1; i < m_grid.rowCount(); ++i) {
    const std::string& name = m_grid.text(i, kPurchaseName);
    const std::string& barcode = m_grid.text(i, kPurchaseBarcode);
    const std::string quantity = lineQuantityText(i);
    const std::string price = singleText(readSingle(m_grid.text(i, kPurchasePrice)));
    // A barcode that matches no goods changes no row and still succeeds.
    const StepResult step =
        updateStock(db, log, barcode, quantity, StockDirection::Add, name, price);
    if (!step.ok) {
      transaction.rollback();
      // Written after the rollback, so the failure stays on record.
      log.write(LogType::Error, step.errorEntry);
      return fail("更新库存失败", step.error);
    }
  }

  const std::optional<std::string> number =
      freeOrderNumber(db, "进货", "CG", m_orderTime, m_orderNumber);
  if (!number) return orderFailed(transaction);
  m_orderNumber = *number;
  const std::string date = timestampText(m_app.clock.now());
  const std::string payment = paymentItems()[static_cast<size_t>(
      paymentIndex >= 0 && paymentIndex < static_cast<int>(paymentItems().size()) ? paymentIndex
                                                                                  : 0)];
  if (!db.execute("insert into 进货(订单号,日期,供应商,电话,订单详情,应付,实付,付款方式,制单人) "
                  "values(?,?,?,?,?,?,?,?,?)",
                  {m_orderNumber, date, m_supplierName, m_contact, details, m_payable, paidText,
                   payment, m_app.session.currentAccount})) {
    return orderFailed(transaction);
  }
  log.write(LogType::Purchase, "创建进货单。\r\n订单号：" + m_orderNumber + "\r\n供应商：" +
                                   m_supplierName + "\r\n电话：" + m_contact + "\r\n详单详情：" +
                                   details + "\r\n总应付：" + m_payable + "\r\n总实收：" +
                                   paidText + "\r\n付款方式：" + payment);
  if (!transaction.commit()) return orderFailed(transaction);
  return true;
}

bool PurchasePresenter::weighed(const std::string& barcode) {
  const auto known = m_weighed.find(barcode);
  if (known != m_weighed.end()) return known->second;
  const bool byWeight = readGoodsAttributes(m_app.db, barcode).weighed;
  m_weighed.emplace(barcode, byWeight);
  return byWeight;
}

std::string PurchasePresenter::lineQuantityText(int row) {
  const std::string& text = m_grid.text(row, kPurchaseQuantity);
  if (!weighed(m_grid.text(row, kPurchaseBarcode))) return integerText(readInteger(text));
  // To the gram, as the scale and the stock count.
  return doubleText(static_cast<double>(std::llround(readNumber(text) * 1000)) / 1000);
}

}  // namespace cz
