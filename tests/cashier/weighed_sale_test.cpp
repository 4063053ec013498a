#include <gtest/gtest.h>

#include "cashier/cart.h"
#include "catalogue/goods_attributes.h"
#include "sale_test_fixture.h"
#include "util/json_document.h"

namespace cz {
namespace {

using test::SaleTest;
using Texts = std::vector<std::string>;

// 苹果 (PLU 00042, 20 per kg, 10 kg) is weighed; 可乐 is not. Scale labels are on.
class WeighedSaleTest : public SaleTest {
 protected:
  void SetUp() override {
    SaleTest::SetUp();
    app->session.settings.printingEnabled = false;
    app->session.settings.scale.enabled = true;
    addGoods("苹果", "00042", "20", "10");
    addGoods("可乐", "A", "3.5", "10");
    mark("00042", true, "");
    newOrder();
  }
  void mark(const std::string& barcode, bool weighed, const std::string& level) {
    ASSERT_TRUE(writeGoodsAttributes(app->db, barcode, {weighed, level}));
    app->session.goodsAttributes.load(app->db, app->session.settings.stockWarningLevel);
  }
  Texts messages() {
    Texts texts = app->dialogs.messages();
    app->dialogs.calls.clear();
    return texts;
  }
};

// 21 00042 01234 00617 5: 12.34 yuan for 617 g.
constexpr const char* kLabel18 = "210004201234006175";

TEST_F(WeighedSaleTest, EachLabelIsALineOfItsOwnWithTheWeightAndTheLabelsAmount) {
  scan(kLabel18);
  scan(kLabel18);
  ASSERT_EQ(lines(), 2);
  EXPECT_TRUE(messages().empty());
  for (int row : {1, 2}) {
    EXPECT_EQ(cell(row, kCartName), "苹果");
    EXPECT_EQ(cell(row, kCartQuantity), "0.617");
    EXPECT_EQ(cell(row, kCartTotal), "12.3");
    EXPECT_EQ(cell(row, kCartReceived), "12.3");
  }
  // The second label takes from what the first left.
  EXPECT_EQ(cell(1, kCartStockLeft), "9.383");
  EXPECT_EQ(cell(2, kCartStockLeft), "8.766");
  EXPECT_EQ(sale->state().due, "24.6");
}

TEST_F(WeighedSaleTest, BadLabelsUnknownGoodsAndTheScaleSwitchedOff) {
  scan("210004201234006174");  // wrong check digit
  EXPECT_EQ(messages(), Texts{"称重条码校验错误"});
  scan("2199999001001");  // PLU 99999 is no goods
  EXPECT_EQ(messages(), Texts{"查询不到商品"});
  EXPECT_EQ(lines(), 0);
  // An amount-only label: 10 yuan at 20 per kg is 0.5 kg.
  scan("2100042010000");
  ASSERT_EQ(lines(), 1);
  EXPECT_EQ(cell(1, kCartQuantity), "0.5");
  EXPECT_EQ(cell(1, kCartTotal), "10");

  // Off, the same text is an ordinary barcode.
  app->session.settings.scale.enabled = false;
  addGoods("整码商品", "2100042010000", "1", "5");
  scan("2100042010000");
  EXPECT_TRUE(messages().empty());
  ASSERT_EQ(lines(), 2);
  EXPECT_EQ(cell(2, kCartName), "整码商品");
  EXPECT_EQ(cell(2, kCartQuantity), "1");
}

TEST_F(WeighedSaleTest, ALabelBeyondTheStockIsRefused) {
  ASSERT_TRUE(app->db.execute("update 库存 set 当前库存='0.5' where 条码='00042'"));
  scan(kLabel18);
  EXPECT_EQ(lines(), 0);
  EXPECT_EQ(messages(), Texts{"[苹果]库存不足"});
}

TEST_F(WeighedSaleTest, TypedQuantitiesTakeThreeDecimalsOnlyForWeighedGoods) {
  scan("00042");  // its own barcode: one kilogram
  scan("A");
  ASSERT_EQ(lines(), 2);
  EXPECT_EQ(cell(1, kCartQuantity), "1");
  edit(1, kCartQuantity, "1.25");
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(cell(1, kCartQuantity), "1.25");
  EXPECT_EQ(cell(1, kCartTotal), "25");
  EXPECT_EQ(cell(1, kCartStockLeft), "8.75");
  edit(1, kCartQuantity, "1.2345");
  EXPECT_EQ(messages(), Texts{kBadQuantityMessage});
  EXPECT_EQ(cell(1, kCartQuantity), "1.25");
  edit(2, kCartQuantity, "1.5");
  EXPECT_EQ(messages(), Texts{kBadQuantityMessage});
  EXPECT_EQ(cell(2, kCartQuantity), "1");
  // More than the stock is capped to it, to the gram.
  edit(1, kCartQuantity, "12.5");
  EXPECT_EQ(messages(), Texts{"库存不足"});
  EXPECT_EQ(cell(1, kCartQuantity), "10");
  EXPECT_EQ(cell(1, kCartStockLeft), "0");
}

TEST_F(WeighedSaleTest, CheckoutAndReturnChangeTheStockByTheWeight) {
  scan(kLabel18);
  markLog();
  checkout();
  EXPECT_EQ(messages(), Texts{"提交订单完毕"});
  EXPECT_EQ(stockOf("00042"), "9.383");
  EXPECT_EQ(storedLog().at(0), "3|减少商品：[苹果][00042]库存数量：0.617");
  const std::string details = app->rows("select 订单详情 from 销售").at(0).at(0);
  JsonDocument document;
  ASSERT_TRUE(document.parse(details)) << details;
  EXPECT_EQ(document.getText("详情页[0].数量"), "0.617");
  EXPECT_EQ(document.getText("详情页[0].总价"), "12.3");

  // The same weight brought back.
  newOrder();
  scan(kLabel18);
  doubleClick(1, kCartType);
  EXPECT_EQ(cell(1, kCartQuantity), "0.617");
  EXPECT_EQ(cell(1, kCartTotal), "-12.3");
  checkout();
  EXPECT_EQ(messages(), Texts{"提交订单完毕"});
  EXPECT_EQ(stockOf("00042"), "10");
}

TEST_F(WeighedSaleTest, ACheckoutNamesTheGoodsNowAtTheirLevelInTheBottomBarWithoutABox) {
  addGoods("梨", "P", "2", "6");
  mark("P", false, "5");
  scan("P");
  scan("P");
  scan("A");
  EXPECT_EQ(sale->state().stockWarning, "");
  checkout();
  EXPECT_EQ(messages(), Texts{"提交订单完毕"});
  EXPECT_EQ(stockOf("P"), "4");
  EXPECT_EQ(sale->state().stockWarning, "库存预警：[梨]剩余4");

  // A checkout with nothing low clears it; the default level reaches the other goods.
  newOrder();
  scan("A");
  checkout();
  EXPECT_EQ(sale->state().stockWarning, "");
  app->session.settings.stockWarningLevel = 9.5;
  mark("00042", true, "");
  newOrder();
  scan(kLabel18);
  scan("A");
  checkout();
  EXPECT_EQ(sale->state().stockWarning, "库存预警：[苹果]剩余9.383，[可乐]剩余7");
}

}  // namespace
}  // namespace cz
