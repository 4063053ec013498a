#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "util/clock.h"
#include "util/list_model.h"
#include "util/text_grid.h"

namespace cz {

class Dialogs;
struct AppContext;

// The columns of the purchase line grid.
enum PurchaseColumn {
  kPurchaseNumber = 0,
  kPurchaseName,
  kPurchaseBarcode,
  kPurchaseSpec,
  kPurchasePrice,
  kPurchaseQuantity,
  kPurchaseTotal,
  kPurchaseStock,
  kPurchaseColumnCount
};

// "商品采购入库": one purchase order per opening of the window. Lines come in by barcode or
// name, a supplier is chosen, and 提交清单 stores stock, purchase prices and the order row in one
// transaction.
class PurchasePresenter {
 public:
  static constexpr int kWidth = 961;
  static constexpr int kHeight = 600;
  static constexpr int kEnterKey = 13;
  static constexpr int kDeleteKey = 46;

  // Where the window should put the keyboard focus after an event.
  enum class Focus { None, Barcode, GoodsChoices, SupplierChoices };

  // `dialogs` belong to the purchase window; `ownerDialogs` to the main window, which shows
  // the lookup's "查询不到商品" and the submission's failures. Draws the order number.
  PurchasePresenter(AppContext& app, Dialogs& dialogs, Dialogs& ownerDialogs);

  TextGrid& grid() { return m_grid; }
  ListModel& goodsChoices() { return m_goodsChoices; }                // 超级列表框1
  ListModel& supplierChoices() { return m_supplierChoices; }          // 超级列表框2
  const std::string& orderNumber() const { return m_orderNumber; }    // 标签订单号
  const std::string& supplierName() const { return m_supplierName; }  // 标签会员
  const std::string& supplierContact() const { return m_contact; }    // 标签联系
  const std::string& payable() const { return m_payable; }            // 标签应收
  bool submitEnabled() const { return m_submitEnabled; }              // 超级提交
  bool goodsChoicesVisible() const { return m_goodsChoicesVisible; }
  bool supplierChoicesVisible() const { return m_supplierChoicesVisible; }
  // The focus the last event asks for; reading it clears it.
  Focus takeFocusRequest();

  // The edit boxes and the payment list, kept in step by the window.
  std::string barcodeText;     // 编辑框条码
  std::string supplierText;    // 编辑框会员
  std::string paidText = "0";  // 编辑框实付
  int paymentIndex = 0;        // 组合框1
  static const std::vector<std::string>& paymentItems();

  // A key went down in 编辑框条码: Enter looks the text up, any other key recomputes totals.
  void barcodeKeyDown(int key);
  // 超级列表框1: double click; Enter pressed and released on the list (an Enter whose press
  // went to another control, such as the one that filled the list, chooses nothing).
  void goodsChosen();
  void goodsListKeyDown(int key);
  void goodsListKeyUp(int key);
  void goodsListFocusLost();
  // Enter in 编辑框会员: the supplier search.
  void supplierKeyDown(int key);
  // 超级列表框2: double click or Enter pressed. Nothing happens without a selected item.
  void supplierChosen();
  void supplierListKeyDown(int key);
  void supplierListFocusLost();
  // The grid's events.
  void currentCellChanged(int row, int col);
  // A cell edit begins: the cell's text is kept, to be put back when the typed one is refused.
  void editBegins(int row, int col);
  // A cell edit was committed: a 单价, 数量 or 总价 that is not a number in range is put back with
  // a message; the line's 总价 is worked out again either way.
  void lineEdited(int row, int col);
  void gridKeyDown(int key);
  // 超级提交.
  void submit();

 private:
  void barcodeEntered();
  void addLine(const std::string& name, const std::string& barcode, const std::string& specText,
               float price, double stock);
  void recomputeTotals();
  bool storePurchase();
  // True for goods sold by weight: their quantities and stock are kilograms with decimals.
  bool weighed(const std::string& barcode);
  // The line's quantity as the stock update takes it.
  std::string lineQuantityText(int row);

  AppContext& m_app;
  Dialogs& m_dialogs;
  Dialogs& m_ownerDialogs;
  TextGrid m_grid;
  ListModel m_goodsChoices;
  ListModel m_supplierChoices;
  std::string m_orderNumber;
  LocalDateTime m_orderTime;  // the moment m_orderNumber names
  std::string m_supplierName = "-";
  std::string m_contact;
  std::string m_payable = "0";
  bool m_submitEnabled = true;
  bool m_goodsChoicesVisible = false;
  bool m_supplierChoicesVisible = false;
  bool m_enterPressedOnGoodsList = false;
  // True while a submission runs (its messages included): clicks and edits meanwhile are ignored.
  bool m_submitting = false;
  Focus m_focus = Focus::None;
  // The weighed flag of each barcode on the order, read when its first line is added.
  std::unordered_map<std::string, bool> m_weighed;
  struct SavedCell {
    int row = -1;
    int col = -1;
    std::string text;
  } m_savedCell;
};

}  // namespace cz
