// Texts that break careless programs, typed into every box a user can type into: each is stored,
// searched, read back and shown as typed (or as the settings file's format turns it), and no
// statement, search, settings file or order details document breaks on it.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "admin/accounts_presenter.h"
#include "admin/settings_file.h"
#include "admin/settings_presenter.h"
#include "cashier/cart_receipt.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "catalogue/goods.h"
#include "catalogue/goods_presenter.h"
#include "catalogue/lookups.h"
#include "catalogue/member_presenter.h"
#include "catalogue/supplier_add.h"
#include "catalogue/supplier_page_presenter.h"
#include "core/login_presenter.h"
#include "history/order_detail.h"
#include "history/order_list.h"
#include "printing/receipt.h"
#include "purchasing/purchase_entry.h"
#include "support/recording_printer.h"
#include "support/test_app.h"
#include "util/json_document.h"

namespace cz {
namespace {

struct HostileText {
  const char* what;
  std::string text;
  // What the settings file gives back for the receipt header and footer after a save: a value
  // is one line of the file, so a line break in the header becomes a space, and the footer keeps
  // its line breaks as "&", read back as "\r\n".
  std::string headerFromFile;
  std::string footerFromFile;
};

// 10 000 characters, each two bytes in the settings file's encoding.
std::string longText(int characters = 10000) {
  std::string text;
  for (int i = 0; i < characters; ++i) text += "长";
  return text;
}

const std::vector<HostileText>& hostileTexts() {
  static const std::vector<HostileText> texts = {
      {"single quote", "O'Brien's", "O'Brien's", "O'Brien's"},
      {"backslash", "C:\\货\\n\\", "C:\\货\\n\\", "C:\\货\\n\\"},
      {"percent and underscore", "100%_折", "100%_折", "100%_折"},
      {"emoji", "可乐🥤👍", "可乐🥤👍", "可乐🥤👍"},
      // A settings value holds at most 10 239 bytes in the file: the rest is cut there.
      {"ten thousand characters", longText(), longText(5119), longText(5119)},
      {"tabs and line breaks", "a\tb\r\nc\nd", "a\tb  c d", "a\tb\r\nc\r\nd"},
      {"control character", "x\x01y\x7f", "x\x01y\x7f", "x\x01y\x7f"},
  };
  return texts;
}

class HostileTextTest : public ::testing::Test {
 protected:
  HostileTextTest() : app(dir.path()) {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
  }
  std::vector<std::string> messages() {
    std::vector<std::string> texts = app.dialogs.messages();
    app.dialogs.calls.clear();
    return texts;
  }
  // Rows of a grid (row 0 is its header) whose column `col` holds `text`.
  static int rowsHolding(const TextGrid& grid, int col, const std::string& text) {
    int found = 0;
    for (int r = 1; r < grid.rowCount(); ++r) found += grid.text(r, col) == text;
    return found;
  }

  test::TempDir dir;
  test::TestApp app;
};

TEST_F(HostileTextTest, GoodsAreCreatedSearchedSoldAndTheirOrderReadsBack) {
  SaleArea area;
  setUpSaleArea(area);
  test::RecordingPrinter printer;
  SalePresenter sale(app.context, app.dialogs, printer, area);
  for (const HostileText& h : hostileTexts()) {
    SCOPED_TRACE(h.what);
    const std::string& t = h.text;
    // 新增商品: name, barcode and 规格 as typed.
    CreateGoodsPresenter create(app.context, app.dialogs);
    create.name = t;
    create.barcode = t;
    create.size = t;
    create.note = t;
    create.addClicked();
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(app.rows("select 名称,规格,备注 from 库存 where 条码=?", {t}),
              (std::vector<std::vector<std::string>>{{t, t, t}}));
    ASSERT_TRUE(app.db.execute("update 库存 set 销售价='2.5',当前库存=5 where 条码=?", {t}));

    // The stock list's search finds it and shows it whole.
    StockListPresenter stock(app.context, app.dialogs);
    stock.search(t);
    stock.waitForReader();
    app.ui.drain();
    EXPECT_EQ(rowsHolding(stock.grid(), 1, t), 1);
    EXPECT_EQ(rowsHolding(stock.grid(), 2, t), 1);
    // Typed into the grid's 备注 cell, it is written as typed.
    stock.allowEditClicked(true);
    stock.grid().setCurrentCell(1, GoodsNote);
    stock.currentCellChanged(1, GoodsNote);
    ASSERT_TRUE(stock.grid().editable());
    stock.editBegins(1, GoodsNote);
    stock.grid().setText(1, GoodsNote, t + t);
    stock.cellEdited(1, GoodsNote);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(app.rows("select 名称,备注 from 库存 where 条码=?", {t}),
              (std::vector<std::vector<std::string>>{{t, t + t}}));

    // A member of the same name, attached in the sale.
    AddMemberPresenter member(app.context, app.dialogs);
    member.name = t;
    member.contact = t;
    member.addClicked();
    EXPECT_TRUE(messages().empty());

    // Sold: scanned by the text, checked out, printed.
    if (sale.orderOpen()) app.dialogs.answer(true);
    sale.startNewOrder();
    sale.barcodeTextChanged(t);
    sale.barcodeKeyDown(13);
    sale.memberTextChanged(t);
    sale.memberKeyDown(13);
    ASSERT_EQ(area.cart.rowCount(), 2);
    EXPECT_EQ(area.cart.text(1, kCartName), t);
    EXPECT_EQ(sale.state().memberName, t);
    printer.texts.clear();
    app.dialogs.answer(true);
    sale.checkoutClicked();
    EXPECT_EQ(messages(), std::vector<std::string>{"提交订单完毕"});
    EXPECT_EQ(app.rows("select 当前库存 from 库存 where 条码=?", {t})[0][0], "4");
    ASSERT_EQ(printer.texts.size(), 3u);
    EXPECT_EQ(printer.texts[2].rfind(t + "\r\n" + t + "  2.5*1=2.5\r\n", 0), 0u);

    // The order list finds it by customer and by details; the detail window shows the line.
    OrderListPresenter list(app.context, app.dialogs, OrderKind::Sale);
    for (bool byDetails : {false, true}) {
      SCOPED_TRACE(byDetails ? "details" : "customer");
      list.search = {};
      (byDetails ? list.search.details : list.search.customer) = t;
      list.runSearch();
      EXPECT_TRUE(messages().empty());
      ASSERT_EQ(rowsHolding(list.grid(), 3, t), 1);
      list.grid().setCurrentCell(1, 1);
      list.showDetail();
      const std::vector<std::string> cells = app.windows.detailCells;
      ASSERT_GT(cells.size(), 5u);
      EXPECT_EQ(cells[1], sale.state().orderNumber);
      JsonDocument details;
      ASSERT_TRUE(details.parse(cells[5]));
      EXPECT_EQ(details.getText("详情页[0].商品名称"), t);
      OrderDetailPresenter detail(OrderKind::Sale);
      detail.fill(cells);
      ASSERT_EQ(detail.grid().rowCount(), 2);
      EXPECT_EQ(detail.grid().text(1, 1), t);
      EXPECT_EQ(detail.grid().text(1, 2), t);
      EXPECT_EQ(detail.grid().text(1, 3), t);
      EXPECT_EQ(detail.labels().customer.rfind(t + "（", 0), 0u);
    }
  }
  // Every order stayed apart: one per text, none matched by another's search terms twice.
  EXPECT_EQ(app.rows("select count(*) from 销售")[0][0], std::to_string(hostileTexts().size()));
}

TEST_F(HostileTextTest, PurchasesFromAHostileSupplierReadBack) {
  for (const HostileText& h : hostileTexts()) {
    SCOPED_TRACE(h.what);
    const std::string& t = h.text;
    ASSERT_TRUE(app.db.execute(
        "insert into 库存(名称,条码,规格,备注,进货价,销售价,当前库存,最低折扣,参与积分) "
        "values(?,?,?,'',1,2,3,'0','真')",
        {t, t, t}));
    SupplierAddPresenter supplier(app.context, app.dialogs);
    supplier.nameChanged(t);
    supplier.contactChanged(t);
    supplier.addClicked();

    test::ScriptedDialogs owner;
    PurchasePresenter purchase(app.context, app.dialogs, owner);
    purchase.barcodeText = t;
    purchase.barcodeKeyDown(PurchasePresenter::kEnterKey);
    purchase.supplierText = t;
    purchase.supplierKeyDown(PurchasePresenter::kEnterKey);
    EXPECT_EQ(purchase.supplierName(), t);
    ASSERT_EQ(purchase.grid().rowCount(), 2);
    purchase.submit();
    EXPECT_TRUE(owner.calls.empty());
    EXPECT_EQ(messages(), std::vector<std::string>{"提交订单完毕"});
    EXPECT_EQ(app.rows("select 当前库存 from 库存 where 条码=?", {t})[0][0], "4");

    OrderListPresenter list(app.context, app.dialogs, OrderKind::Purchase);
    for (bool byDetails : {false, true}) {
      SCOPED_TRACE(byDetails ? "details" : "supplier");
      list.search = {};
      (byDetails ? list.search.details : list.search.customer) = t;
      list.runSearch();
      ASSERT_EQ(rowsHolding(list.grid(), 3, t), 1);
      list.grid().setCurrentCell(1, 1);
      list.showDetail();
      OrderDetailPresenter detail(OrderKind::Purchase);
      detail.fill(app.windows.detailCells);
      ASSERT_EQ(detail.grid().rowCount(), 2);
      EXPECT_EQ(detail.grid().text(1, 1), t);
      EXPECT_EQ(detail.grid().text(1, 2), t);
      EXPECT_EQ(detail.grid().text(1, 3), t);
      EXPECT_EQ(detail.labels().customer, t);
    }
  }
}

TEST_F(HostileTextTest, MembersAndSuppliersAreStoredAndFound) {
  for (const HostileText& h : hostileTexts()) {
    SCOPED_TRACE(h.what);
    const std::string& t = h.text;
    AddMemberPresenter add(app.context, app.dialogs);
    add.name = t;
    add.contact = t + "电话";
    add.note = t;
    add.addClicked();
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(app.rows("select 联系方式,备注 from 会员 where 姓名=?", {t}),
              (std::vector<std::vector<std::string>>{{t + "电话", t}}));
    std::vector<MemberMatch> found;
    findMembers(app.db, t + "电话", found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, t);

    // 查询会员 in the member list.
    MemberListPresenter members(app.context, app.dialogs);
    members.waitForReader();
    app.ui.drain();
    app.dialogs.answerInput(t);
    members.searchChosen();
    members.waitForReader();
    app.ui.drain();
    app.dialogs.calls.clear();
    int shown = 0;
    for (int r = 1; r < members.grid().rowCount(); ++r) {
      for (int c = 0; c < members.grid().columnCount(); ++c)
        shown += members.grid().text(r, c) == t + "电话";
    }
    EXPECT_EQ(shown, 1);

    // 新增供应商 and the supplier page's search.
    SupplierAddPresenter supplier(app.context, app.dialogs);
    supplier.nameChanged(t);
    supplier.contactChanged(t);
    supplier.addClicked();
    EXPECT_TRUE(messages().empty());
    std::vector<SupplierRecord> suppliers;
    findSuppliers(app.db, t, suppliers);
    EXPECT_EQ(std::count_if(suppliers.begin(), suppliers.end(),
                            [&](const SupplierRecord& s) { return s.name == t && s.contact == t; }),
              1);
    SupplierPagePresenter page(app.context, app.dialogs);
    page.searchChanged(t);
    page.searchKeyDown(13);
    page.waitForLoad();
    app.ui.drain();
    EXPECT_EQ(rowsHolding(page.grid(), SupplierName, t), 1);
    EXPECT_EQ(rowsHolding(page.grid(), SupplierContact, t), 1);
  }
  // Each log text holds the name whole.
  EXPECT_EQ(app.rows("select count(*) from 日志 where 日志=?",
                     {"添加新供应商：" + longText() + "；联系方式：" + longText()})[0][0],
            "1");
}

TEST_F(HostileTextTest, AccountsAreCreatedAndLogIn) {
  AccountsPresenter accounts(app.context, app.dialogs);
  accounts.created();
  for (const HostileText& h : hostileTexts()) {
    SCOPED_TRACE(h.what);
    const std::string& t = h.text;
    accounts.newAccountChanged(t);
    accounts.passwordChanged(t);
    accounts.addClicked();
    EXPECT_EQ(messages(),
              std::vector<std::string>{"已成功创建，默认允许所有功能，如需修改请加载后修改"});
    accounts.refreshClicked();
    EXPECT_EQ(std::count(accounts.accounts().begin(), accounts.accounts().end(), t), 1);

    // The right password logs in; one character more does not.
    LoginPresenter login(app.context, app.dialogs);
    login.accountChanged(t);
    login.passwordChanged(t + "?");
    login.loginClicked();
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(app.session.currentAccount, "admin");
    login.passwordChanged(t);
    login.loginClicked();
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(app.session.currentAccount, t);
    app.session.currentAccount = "admin";
  }
}

TEST_F(HostileTextTest, ReceiptHeaderAndFooterGoThroughTheSettingsFile) {
  SettingsPresenter settings(app.context, app.dialogs);
  settings.created();
  settings.suppliers().waitForLoad();
  app.ui.drain();
  for (const HostileText& h : hostileTexts()) {
    SCOPED_TRACE(h.what);
    settings.headerChanged(h.text);
    settings.footerChanged(h.text);
    settings.saveClicked();
    EXPECT_EQ(messages(), std::vector<std::string>{"已生效"});

    // The next start reads the file: what it gives back, and the receipt texts built on it.
    Settings loaded;
    loadSettings(app.session.settingsFilePath(), loaded);
    EXPECT_EQ(loaded.receiptHeader, h.headerFromFile);
    EXPECT_EQ(loaded.receiptFooter, h.footerFromFile);
    EXPECT_EQ(receiptHeaderText(loaded.receiptHeader), h.headerFromFile + "\r\n");
    SaleArea empty;
    setUpSaleArea(empty);
    const std::string body =
        receiptBodyText(empty.cart, {"1", "1", "现金支付", "0"}, loaded.receiptFooter);
    EXPECT_EQ(body.substr(body.size() - h.footerFromFile.size()), h.footerFromFile);
    // The other keys of the file are untouched by the hostile values.
    EXPECT_EQ(loaded.horizontalOffset, "0");
    EXPECT_EQ(loaded.rowsPerPage, 300);
    EXPECT_TRUE(loaded.printingEnabled);
  }
}

}  // namespace
}  // namespace cz
