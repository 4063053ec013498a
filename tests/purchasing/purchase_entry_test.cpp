#include "purchasing/purchase_entry.h"

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "catalogue/goods_attributes.h"
#include "history/order_time.h"
#include "support/test_app.h"
#include "util/json_document.h"

namespace cz {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using test::ScriptedDialogs;

// Runs a hook while a message is shown, as a click during a modal box would.
class HookedDialogs : public ScriptedDialogs {
 public:
  void message(const std::string& text, const std::string& title, MessageIcon icon) override {
    ScriptedDialogs::message(text, title, icon);
    if (onMessage) onMessage();
  }
  std::function<void()> onMessage;
};

class PurchaseTest : public ::testing::Test {
 protected:
  PurchaseTest() : app(dir.path()) {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
    addGoods("可乐", "690", "2.5", "10");
    addGoods("雪碧", "691", "12.35", "3");
    add("insert into 供应商(名称,联系方式,创建者) values('甲供货','111','admin')");
    add("insert into 供应商(名称,联系方式,创建者) values('乙供货','222','admin')");
    add("insert into 供应商(名称,联系方式,创建者) values('丙商行','333','admin')");
  }
  void add(const std::string& sql, const SqlParams& params = {}) {
    ASSERT_TRUE(app.db.execute(sql, params)) << app.db.lastError();
  }
  void addGoods(const std::string& name, const std::string& barcode, const std::string& cost,
                const std::string& stock) {
    add("insert into 库存(名称,条码,规格,备注,进货价,销售价,当前库存,最低折扣,参与积分) "
        "values(?,?,'瓶','',?,'5',?,'0','真')",
        {name, barcode, cost, stock});
  }
  std::unique_ptr<PurchasePresenter> open() {
    return std::make_unique<PurchasePresenter>(app.context, dialogs, owner);
  }
  static void scan(PurchasePresenter& p, const std::string& text) {
    p.barcodeText = text;
    p.barcodeKeyDown(PurchasePresenter::kEnterKey);
  }
  static std::vector<std::string> line(PurchasePresenter& p, int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < kPurchaseColumnCount; ++c) cells.push_back(p.grid().text(row, c));
    return cells;
  }
  static void chooseSupplier(PurchasePresenter& p, const std::string& text) {
    p.supplierText = text;
    p.supplierKeyDown(PurchasePresenter::kEnterKey);
  }

  test::TempDir dir;
  test::TestApp app;
  HookedDialogs dialogs;
  ScriptedDialogs owner;
};

TEST_F(PurchaseTest, OpensWithANewOrderNumber) {
  auto p = open();
  EXPECT_EQ(p->orderNumber(), "CG20261210" + timestampText(app.clock.now()));
  EXPECT_EQ(p->supplierName(), "-");
  EXPECT_EQ(p->payable(), "0");
  EXPECT_TRUE(p->grid().editable());
  p->currentCellChanged(1, 1);
  EXPECT_FALSE(p->grid().editable());
  p->currentCellChanged(1, 5);
  EXPECT_TRUE(p->grid().editable());
  app.session.permissions.flags[static_cast<size_t>(Permission::EditPurchase)] = false;
  auto readOnly = open();
  readOnly->currentCellChanged(1, 4);
  EXPECT_FALSE(readOnly->grid().editable());
}

TEST_F(PurchaseTest, ScanningAddsLinesAndRecomputesTotals) {
  auto p = open();
  scan(*p, "690");
  EXPECT_EQ(line(*p, 1),
            (std::vector<std::string>{"1", "可乐", "690", "瓶", "2.5", "1", "2.5", "10"}));
  EXPECT_EQ(p->barcodeText, "");
  EXPECT_EQ(p->takeFocusRequest(), PurchasePresenter::Focus::Barcode);
  scan(*p, "690");
  EXPECT_EQ(p->grid().rowCount(), 2);
  EXPECT_EQ(line(*p, 1),
            (std::vector<std::string>{"1", "可乐", "690", "瓶", "2.5", "2", "5", "10"}));
  scan(*p, "雪碧");
  EXPECT_EQ(line(*p, 2),
            (std::vector<std::string>{"2", "雪碧", "691", "瓶", "12.35", "1", "12.4", "3"}));
  EXPECT_EQ(p->payable(), "17.4");
  EXPECT_EQ(p->paidText, "17.4");

  p->paidText = "15";
  p->barcodeKeyDown('A');  // any other key recomputes, replacing the typed amount
  EXPECT_EQ(p->paidText, "17.4");

  p->grid().setCurrentCell(1, 2);
  p->gridKeyDown(PurchasePresenter::kDeleteKey);
  EXPECT_EQ(p->grid().rowCount(), 2);
  EXPECT_EQ(p->grid().text(1, 0), "1");
  EXPECT_EQ(p->grid().text(1, 1), "雪碧");
  EXPECT_EQ(p->payable(), "12.4");
  EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(PurchaseTest, EditedPriceIsKeptButRescanTotalsAtTheCataloguePrice) {
  auto p = open();
  scan(*p, "690");
  p->grid().setText(1, kPurchasePrice, "3");
  p->grid().setText(1, kPurchaseQuantity, "4");
  p->grid().setText(1, kPurchaseTotal, "99");  // a typed total is always replaced
  p->lineEdited(1, kPurchaseTotal);
  EXPECT_EQ(p->grid().text(1, kPurchaseTotal), "12");
  EXPECT_EQ(p->payable(), "12");
  scan(*p, "690");
  EXPECT_EQ(p->grid().text(1, kPurchasePrice), "3");
  EXPECT_EQ(p->grid().text(1, kPurchaseQuantity), "5");
  EXPECT_EQ(p->grid().text(1, kPurchaseTotal), "12.5");
}

TEST_F(PurchaseTest, UnknownAndAmbiguousGoods) {
  auto p = open();
  scan(*p, "nothing");
  EXPECT_EQ(owner.calls.size(), 1u);
  EXPECT_EQ(owner.calls[0].text, "查询不到商品");
  EXPECT_EQ(owner.calls[0].icon, MessageIcon::Information);
  EXPECT_EQ(p->barcodeText, "nothing");
  EXPECT_EQ(p->grid().rowCount(), 1);
  EXPECT_FALSE(p->goodsChoicesVisible());

  addGoods("691", "800", "1", "2");  // a name that is another item's barcode
  scan(*p, "691");
  EXPECT_EQ(p->grid().rowCount(), 1);
  ASSERT_EQ(p->goodsChoices().itemCount(), 2);
  EXPECT_TRUE(p->goodsChoicesVisible());
  EXPECT_EQ(p->takeFocusRequest(), PurchasePresenter::Focus::GoodsChoices);
  EXPECT_EQ(p->goodsChoices().text(0, 4), "12.35");
  // The release of the Enter that filled the list chooses nothing.
  p->goodsChoices().setSelectedIndex(1);
  p->goodsListKeyUp(PurchasePresenter::kEnterKey);
  EXPECT_EQ(p->grid().rowCount(), 1);
  p->goodsListKeyDown(PurchasePresenter::kEnterKey);
  p->goodsListKeyUp(PurchasePresenter::kEnterKey);
  EXPECT_EQ(line(*p, 1), (std::vector<std::string>{"1", "691", "800", "瓶", "1", "1", "1", "2"}));
  EXPECT_FALSE(p->goodsChoicesVisible());
  EXPECT_EQ(p->barcodeText, "");
}

TEST_F(PurchaseTest, SupplierSearch) {
  auto p = open();
  chooseSupplier(*p, "无此");
  EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"查询不到该供应商"});
  EXPECT_EQ(p->supplierName(), "-");
  chooseSupplier(*p, "丙");
  EXPECT_EQ(p->supplierName(), "丙商行");
  EXPECT_EQ(p->supplierContact(), "333");
  chooseSupplier(*p, "供货");
  ASSERT_EQ(p->supplierChoices().itemCount(), 2);  // a fresh list each time
  EXPECT_TRUE(p->supplierChoicesVisible());
  EXPECT_EQ(p->takeFocusRequest(), PurchasePresenter::Focus::SupplierChoices);
  p->supplierChosen();  // nothing selected: nothing changes
  EXPECT_EQ(p->supplierName(), "丙商行");
  EXPECT_TRUE(p->supplierChoicesVisible());
  p->supplierChoices().setSelectedIndex(1);
  p->supplierListKeyDown(PurchasePresenter::kEnterKey);
  EXPECT_EQ(p->supplierName(), "乙供货");
  EXPECT_EQ(p->supplierContact(), "222");
  EXPECT_FALSE(p->supplierChoicesVisible());
  EXPECT_EQ(p->takeFocusRequest(), PurchasePresenter::Focus::Barcode);
}

TEST_F(PurchaseTest, SubmissionNeedsASupplierAndLines) {
  auto p = open();
  scan(*p, "690");
  p->submit();
  chooseSupplier(*p, "丙");
  auto empty = open();
  chooseSupplier(*empty, "丙");
  empty->submit();
  EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{"请输入供应商", "请添加商品"}));
  EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::None);
  EXPECT_EQ(app.rows("select count(*) from 进货")[0][0], "0");
  EXPECT_TRUE(p->submitEnabled());
}

TEST_F(PurchaseTest, NumberCellsTakeOnlyNumbersInRangeAndPutTheCellBack) {
  struct Case {
    int col;
    std::string text;
    std::string message;  // empty: accepted
  };
  const Case cases[] = {
      {kPurchasePrice, "abc", "[单价]不是有效的数字"},
      {kPurchasePrice, "-1", "[单价]必须在0到99999999之间"},
      {kPurchasePrice, "", "[单价]不是有效的数字"},
      {kPurchaseQuantity, "1.5", "[数量]必须是1到999999之间的整数"},
      {kPurchaseQuantity, "0", "[数量]必须是1到999999之间的整数"},
      {kPurchaseQuantity, "-3", "[数量]必须是1到999999之间的整数"},
      {kPurchaseQuantity, "3.5.1", "[数量]不是有效的数字"},
      {kPurchaseTotal, "x", "[总价]不是有效的数字"},
      {kPurchasePrice, "0", ""},
      {kPurchaseQuantity, "3", ""},
  };
  for (const Case& c : cases) {
    auto p = open();
    scan(*p, "690");
    scan(*p, "690");
    const std::vector<std::string> before = line(*p, 1);
    dialogs.calls.clear();
    p->editBegins(1, c.col);
    p->grid().setText(1, c.col, c.text);
    p->lineEdited(1, c.col);
    if (c.message.empty()) {
      EXPECT_TRUE(dialogs.calls.empty()) << c.text;
      EXPECT_EQ(p->grid().text(1, c.col), c.text);
    } else {
      EXPECT_EQ(dialogs.messages(), std::vector<std::string>{c.message}) << c.text;
      EXPECT_EQ(line(*p, 1), before) << c.text;
      EXPECT_EQ(p->payable(), "5") << c.text;
    }
  }
}

TEST_F(PurchaseTest, SubmissionStoresStockPricesTheOrderAndItsLog) {
  addGoods("散装", "692", "1", "");
  add("update 库存 set 当前库存=NULL where 条码='692'");
  auto p = open();
  scan(*p, "690");
  scan(*p, "690");
  scan(*p, "692");
  scan(*p, "691");
  p->grid().setText(1, kPurchasePrice, "2.25");
  p->lineEdited(1, kPurchasePrice);
  add("delete from 库存 where 条码='691'");  // vanished since it was scanned
  chooseSupplier(*p, "丙");
  p->paymentIndex = 1;
  p->paidText = "17";
  app.clock.advanceSeconds(30);
  p->submit();

  EXPECT_TRUE(owner.calls.empty());
  ASSERT_EQ(dialogs.messages(), std::vector<std::string>{"提交订单完毕"});
  EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Information);
  EXPECT_FALSE(p->submitEnabled());
  EXPECT_EQ(app.rows("select 条码,当前库存,进货价 from 库存 order by rowid"),
            (Rows{{"690", "12", "2.25"}, {"692", "", "1"}}));
  const std::string details = buildOrderDetails(p->grid());
  EXPECT_EQ(app.rows("select * from 进货"),
            (Rows{{p->orderNumber(), timestampText(app.clock.now()), "丙商行", "333", details,
                   "17.9", "17", "微信支付", "admin"}}));
  EXPECT_NE(details.find("\"数量\":\"2\""), std::string::npos);
  EXPECT_EQ(app.rows("select 类型,日志 from 日志 where 类型 in ('2','3') order by rowid"),
            (Rows{{"3", "增加商品：[可乐][690]库存数量：2"},
                  {"3", "增加商品：[散装][692]库存数量：1"},
                  {"3", "增加商品：[雪碧][691]库存数量：1"},
                  {"2", "创建进货单。\r\n订单号：" + p->orderNumber() +
                            "\r\n供应商：丙商行\r\n电话：333\r\n详单详情：" + details +
                            "\r\n总应付：17.9\r\n总实收：17\r\n付款方式：微信支付"}}));

  p->submit();  // the button is disabled: nothing more
  EXPECT_EQ(app.rows("select count(*) from 进货")[0][0], "1");
}

TEST_F(PurchaseTest, WeighedGoodsAreBoughtByTheKilogramWithUpToThreeDecimals) {
  addGoods("散装米", "KG", "4", "10.25");
  ASSERT_TRUE(writeGoodsAttributes(app.db, "KG", {true, ""}));
  auto p = open();
  scan(*p, "KG");
  scan(*p, "690");
  // The stock shows its decimals.
  EXPECT_EQ(p->grid().text(1, kPurchaseStock), "10.25");
  const auto type = [&](int row, const std::string& text) {
    dialogs.calls.clear();
    p->editBegins(row, kPurchaseQuantity);
    p->grid().setText(row, kPurchaseQuantity, text);
    p->lineEdited(row, kPurchaseQuantity);
  };
  type(1, "1.2345");
  EXPECT_EQ(dialogs.messages(),
            std::vector<std::string>{"[数量]必须在0.001到999999之间，最多三位小数"});
  EXPECT_EQ(p->grid().text(1, kPurchaseQuantity), "1");
  type(1, "0");
  EXPECT_EQ(dialogs.messages(),
            std::vector<std::string>{"[数量]必须在0.001到999999之间，最多三位小数"});
  type(2, "2.5");  // the other goods keeps whole numbers
  EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"[数量]必须是1到999999之间的整数"});
  type(1, "2.75");
  EXPECT_TRUE(dialogs.calls.empty());
  EXPECT_EQ(p->grid().text(1, kPurchaseTotal), "11");  // 4 × 2.75
  scan(*p, "KG");  // a scan adds a kilogram
  EXPECT_EQ(p->grid().text(1, kPurchaseQuantity), "3.75");
  chooseSupplier(*p, "丙");
  p->submit();
  EXPECT_EQ(dialogs.messages().back(), "提交订单完毕");
  EXPECT_EQ(app.rows("select 条码,当前库存 from 库存 where 条码 in ('KG','690') order by 条码"),
            (Rows{{"690", "11"}, {"KG", "14"}}));
  EXPECT_EQ(app.rows("select 日志 from 日志 where 日志 like '增加商品%' order by rowid")[0][0],
            "增加商品：[散装米][KG]库存数量：3.75");
}

TEST_F(PurchaseTest, ClicksAndEditsDuringASubmissionAreIgnored) {
  auto p = open();
  scan(*p, "690");
  chooseSupplier(*p, "丙");
  dialogs.onMessage = [&] {
    p->submit();
    p->gridKeyDown(PurchasePresenter::kDeleteKey);
    scan(*p, "690");
  };
  p->grid().setCurrentCell(1, 1);
  p->submit();
  EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"提交订单完毕"});
  EXPECT_EQ(app.rows("select count(*) from 进货")[0][0], "1");
  EXPECT_EQ(p->grid().rowCount(), 2);
  EXPECT_EQ(p->grid().text(1, kPurchaseQuantity), "1");
}

TEST_F(PurchaseTest, FailedStepsRollBackAndKeepTheirErrorEntry) {
  struct Case {
    std::string table, event, condition;
    std::string title;
    std::string logged;
  };
  const Case cases[] = {
      {"库存", "update", "new.条码='691'", "更新库存失败", "[更新库存失败]：坏"},
      {"进货", "insert", "", "提交进货订单失败", "创建进货单失败：坏"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(test::failWhen(app.db, c.table, c.event, "坏", c.condition)) << app.db.lastError();
    auto p = open();
    scan(*p, "690");
    scan(*p, "691");
    chooseSupplier(*p, "丙");
    owner.calls.clear();
    p->submit();
    ASSERT_EQ(owner.calls.size(), 1u) << c.title;
    EXPECT_EQ(owner.calls[0].title, c.title);
    EXPECT_EQ(owner.calls[0].text, "坏");
    EXPECT_EQ(owner.calls[0].icon, MessageIcon::Information);
    EXPECT_TRUE(p->submitEnabled());
    EXPECT_EQ(app.rows("select 当前库存 from 库存 order by rowid"), (Rows{{"10"}, {"3"}}));
    EXPECT_EQ(app.rows("select count(*) from 进货")[0][0], "0");
    EXPECT_EQ(app.rows("select count(*) from 日志 where 类型 in ('2','3')")[0][0], "0");
    EXPECT_EQ(app.rows("select 类型,日志 from 日志 order by rowid desc limit 1"),
              (Rows{{"6", c.logged}}));
    ASSERT_TRUE(test::stopFailing(app.db, c.table, c.event));
  }
  EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(PurchaseTest, TransactionThatCannotBeginOrCommitStoresNothing) {
  auto p = open();
  scan(*p, "690");
  chooseSupplier(*p, "丙");

  ASSERT_TRUE(app.db.begin());  // a transaction already open: the submission's begin fails
  p->submit();
  app.db.rollback();
  ASSERT_EQ(owner.calls.size(), 1u);
  EXPECT_EQ(owner.calls[0].title, "提交进货订单失败");
  EXPECT_FALSE(owner.calls[0].text.empty());

  // A deferred foreign key that the order's row breaks fails the commit.
  const std::string commitError = test::failCommitAfterInsert(app.db, "进货");
  ASSERT_FALSE(commitError.empty()) << app.db.lastError();
  p->submit();
  ASSERT_TRUE(test::stopFailingCommit(app.db, "进货"));
  ASSERT_EQ(owner.calls.size(), 2u);
  EXPECT_EQ(owner.calls[1].text, commitError);
  EXPECT_EQ(owner.calls[1].title, "提交进货订单失败");
  EXPECT_EQ(owner.calls[1].icon, MessageIcon::Information);
  EXPECT_TRUE(p->submitEnabled());
  EXPECT_TRUE(dialogs.calls.empty());  // never "提交订单完毕"
  EXPECT_EQ(app.rows("select 当前库存 from 库存 where 条码='690'")[0][0], "10");
  EXPECT_EQ(app.rows("select count(*) from 进货")[0][0], "0");

  // Both failures are on record (the first one's entry went into the transaction this test
  // held open, so it is only listed).
  const auto listed = app.listed();
  EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [&](const auto& item) {
    return item[4] == "创建进货单失败：" + owner.calls[0].text;
  }));
  EXPECT_EQ(app.rows("select 日志 from 日志 where 类型='6'"),
            (Rows{{"创建进货单失败：" + commitError}}));

  p->submit();  // the fault gone, the same order goes through
  EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"提交订单完毕"});
  EXPECT_EQ(app.rows("select count(*) from 进货")[0][0], "1");
}

}  // namespace
}  // namespace cz
