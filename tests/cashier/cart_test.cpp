#include <gtest/gtest.h>

#include "sale_test_fixture.h"

namespace cz {
namespace {

using test::SaleTest;
using Texts = std::vector<std::string>;

class CartTest : public SaleTest {
 protected:
  void SetUp() override {
    SaleTest::SetUp();
    newOrder();
  }
};

TEST_F(CartTest, ScansAddUnitsUntilTheStockIsUsedUp) {
  addGoods("可乐", "6901", "3.5", "3");
  scan("6901");
  EXPECT_EQ(line(1), (Texts{"可乐", "6901", "瓶", "售出", "3.5", "1", "3.5", "10", "3.5", "真", "1",
                            "2", "0", "3.5"}));
  EXPECT_EQ(sale->state().barcodeText, "");
  scan("6901");
  scan("6901");
  EXPECT_EQ(lines(), 1);
  EXPECT_EQ(cell(1, kCartQuantity), "3");
  EXPECT_EQ(cell(1, kCartStockLeft), "0");
  EXPECT_EQ(cell(1, kCartTotal), "10.5");
  EXPECT_EQ(sale->state().due, "10.5");
  const Texts before = line(1);
  scan("6901");
  EXPECT_EQ(line(1), before);
  EXPECT_EQ(app->dialogs.messages(), (Texts{"商品[可乐]库存为0"}));
  EXPECT_EQ(app->dialogs.calls.back().icon, MessageIcon::Information);
}

TEST_F(CartTest, LookupComparesWholeNamesAndBarcodes) {
  addGoods("可口可乐", "6901", "3", "5");
  addGoods("无货", "6902", "3", "0");
  const struct {
    std::string text;
    int lines;
    std::string message;
  } cases[] = {
      {"可口可乐", 1, ""},
      {"6901", 1, ""},
      {"可口", 1, "查询不到商品"},
      {"690", 1, "查询不到商品"},
      {"无货", 1, "商品[无货]库存为0"},
      {"a'b", 1, "查询不到商品"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    app->dialogs.calls.clear();
    scan(c.text);
    EXPECT_EQ(lines(), c.lines);
    EXPECT_EQ(app->dialogs.messages(), c.message.empty() ? Texts{} : Texts{c.message});
    EXPECT_EQ(sale->state().barcodeText, "");
    EXPECT_FALSE(sale->state().goodsListVisible);
  }
  EXPECT_EQ(cell(1, kCartQuantity), "2");
}

TEST_F(CartTest, PricesFollowTheRoundingRules) {
  addGoods("饼干", "1235", "12.35", "10");
  scan("1235");
  EXPECT_EQ(cell(1, kCartTotal), "12.35");
  EXPECT_EQ(cell(1, kCartReceived), "12.4");
  EXPECT_EQ(sale->state().received, "12.4");
  scan("1235");
  EXPECT_EQ(cell(1, kCartTotal), "24.7");
  EXPECT_EQ(cell(1, kCartReceived), "24.7");
  EXPECT_EQ(sale->state().due, "24.7");
  // The hidden points total sums the single values in double precision; checkout rounds it.
  EXPECT_EQ(sale->state().pointsTotal, "24.70000076294");
}

TEST_F(CartTest, MemberRateNeverGoesBelowTheGoodsMinimum) {
  addGoods("酒", "A", "10", "10", "9");
  addGoods("水", "B", "10", "10", "0");
  addGoods("贵", "C", "10", "10", "12");
  addMember("张三", "13800000000", "8", "5.5");
  scan("A");
  enterMember("张三");
  EXPECT_EQ(sale->state().memberName, "张三");
  EXPECT_EQ(sale->state().memberRateText, "8");
  EXPECT_EQ(sale->state().memberPoints, "5.5");
  EXPECT_EQ(cell(1, kCartRate), "9");
  EXPECT_EQ(cell(1, kCartReceived), "9");
  EXPECT_EQ(cell(1, kCartPoints), "10");  // repricing leaves the points
  scan("B");
  EXPECT_EQ(cell(2, kCartRate), "8");
  EXPECT_EQ(cell(2, kCartReceived), "8");
  EXPECT_EQ(sale->memberRate(), 8);
  scan("C");
  EXPECT_EQ(cell(3, kCartRate), "12");
  EXPECT_EQ(sale->state().due, "30");
  EXPECT_EQ(sale->state().received, "29");
}

TEST_F(CartTest, TypedQuantityIsCappedByTheStock) {
  addGoods("水", "B", "10", "5");
  scan("B");
  scan("B");
  ASSERT_EQ(cell(1, kCartStockLeft), "3");
  edit(1, kCartQuantity, "10");
  EXPECT_EQ(app->dialogs.messages(), (Texts{"库存不足"}));
  EXPECT_EQ(cell(1, kCartQuantity), "5");
  EXPECT_EQ(cell(1, kCartStockLeft), "0");
  EXPECT_EQ(cell(1, kCartTotal), "50");
  EXPECT_EQ(cell(1, kCartReceived), "50");
  edit(1, kCartQuantity, "1");
  EXPECT_EQ(cell(1, kCartStockLeft), "4");
  // A typed 实收 does not survive the edit.
  edit(1, kCartReceived, "1");
  EXPECT_EQ(cell(1, kCartReceived), "10");
  EXPECT_EQ(sale->state().received, "10");
}

TEST_F(CartTest, OnlyQuantityAndReceivedAreEditable) {
  addGoods("水", "B", "10", "5");
  scan("B");
  for (int col = 0; col < kCartColumnCount; ++col) {
    area.cart.setCurrentCell(1, col);
    sale->cursorMoved();
    EXPECT_EQ(area.cart.editable(), col == kCartQuantity || col == kCartReceived) << col;
  }
}

// A typed quantity is a whole number of units from 1 up; anything else is refused with a
// message and the line stays exactly as it was, instead of being read as 0, 1 or a part.
TEST_F(CartTest, TypedQuantitiesAreWholeNumbersOrRefused) {
  addGoods("水", "B", "10", "9");
  addGoods("茶", "T", "10", "9");
  scan("B");
  scan("B");
  scan("T");
  scan("T");
  doubleClick(2, kCartType);
  const std::string refused = "数量不是有效的数字";
  const struct {
    int row;
    std::string typed, quantity, total, received, points, stockLeft, message;
  } cases[] = {
      {1, "1.5", "2", "20", "20", "20", "7", refused},
      {1, "2.7", "2", "20", "20", "20", "7", refused},
      {1, "abc", "2", "20", "20", "20", "7", refused},
      {1, "3abc", "2", "20", "20", "20", "7", refused},
      {1, "0", "2", "20", "20", "20", "7", refused},
      {1, "-2", "2", "20", "20", "20", "7", refused},
      {1, "", "2", "20", "20", "20", "7", refused},
      {1, " ", "2", "20", "20", "20", "7", refused},
      {1, "3", "3", "30", "30", "30", "6", ""},
      {1, " 04 ", "4", "40", "40", "40", "5", ""},  // blanks and leading zeros are no typo
      {1, "1000000000", "4", "40", "40", "40", "5", refused},  // beyond the largest quantity
      {1, "99999999999999999999", "4", "40", "40", "40", "5", refused},
      {1, "999999999", "9", "90", "90", "90", "0", "库存不足"},  // capped by the stock
      {2, "-5", "2", "-20", "-20", "-20", "9", refused},           // a return line alike
      {2, "4.9", "2", "-20", "-20", "-20", "9", refused},
      {2, "4", "4", "-40", "-40", "-40", "9", ""},  // a return leaves the stock on hand alone
      {2, "999999999", "999999999", "-9999999990", "-9999999990", "-9999999990", "9", ""},
      {2, "1000000000", "999999999", "-9999999990", "-9999999990", "-9999999990", "9", refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.typed + "'");
    app->dialogs.calls.clear();
    edit(c.row, kCartQuantity, c.typed);
    EXPECT_EQ(app->dialogs.messages(), c.message.empty() ? Texts{} : Texts{c.message});
    EXPECT_EQ(cell(c.row, kCartQuantity), c.quantity);
    EXPECT_EQ(cell(c.row, kCartTotal), c.total);
    EXPECT_EQ(cell(c.row, kCartReceived), c.received);
    EXPECT_EQ(cell(c.row, kCartPoints), c.points);
    EXPECT_EQ(cell(c.row, kCartStockLeft), c.stockLeft);
  }
  // A return line at the largest quantity takes no further unit.
  app->dialogs.calls.clear();
  scan("T");
  EXPECT_EQ(cell(2, kCartQuantity), "999999999");
  EXPECT_EQ(app->dialogs.messages(), (Texts{"商品[茶]数量已达上限"}));
}

TEST_F(CartTest, ToggleSwitchesBetweenSaleAndReturn) {
  addGoods("水", "B", "10.00", "10");
  addMember("李四", "139", "8");
  scan("B");
  scan("B");
  enterMember("李四");
  ASSERT_EQ(cell(1, kCartReceived), "16");
  doubleClick(1, kCartName);  // other columns ignore double clicks
  EXPECT_EQ(cell(1, kCartType), "售出");
  doubleClick(1, kCartType);
  EXPECT_EQ(cell(1, kCartType), "退货");
  EXPECT_EQ(cell(1, kCartTotal), "-20");
  EXPECT_EQ(cell(1, kCartReceived), "-16");
  EXPECT_EQ(cell(1, kCartPoints), "-20");
  EXPECT_EQ(area.cart.backColour(1, 13), rgb(255, 239, 247));
  EXPECT_EQ(area.cart.backColour(1, 14), kNoColour);
  EXPECT_EQ(sale->state().due, "-20");
  EXPECT_EQ(sale->state().received, "-16");
  EXPECT_EQ(sale->state().pointsTotal, "-20");
  doubleClick(1, kCartType);
  EXPECT_EQ(cell(1, kCartType), "售出");
  EXPECT_EQ(cell(1, kCartTotal), "20");
  EXPECT_EQ(cell(1, kCartReceived), "16");
  EXPECT_EQ(cell(1, kCartPoints), "20");
  EXPECT_EQ(area.cart.backColour(1, 0), kNoColour);

  EXPECT_EQ(cell(1, kCartStockLeft), "8");

  // Back to a sale needs the whole quantity in the stock on hand.
  doubleClick(1, kCartType);
  EXPECT_EQ(cell(1, kCartStockLeft), "10");  // a return takes nothing from the stock
  edit(1, kCartQuantity, "11");
  EXPECT_EQ(cell(1, kCartStockLeft), "10");
  doubleClick(1, kCartType);
  EXPECT_EQ(app->dialogs.messages(), (Texts{"[水]库存不足"}));
  EXPECT_EQ(cell(1, kCartType), "退货");
  EXPECT_EQ(cell(1, kCartTotal), "-110");
  edit(1, kCartQuantity, "10");
  doubleClick(1, kCartType);
  EXPECT_EQ(cell(1, kCartType), "售出");
  EXPECT_EQ(cell(1, kCartStockLeft), "0");
}

TEST_F(CartTest, AReturnTurnedBackIntoASaleSellsNoMoreThanTheStock) {
  addGoods("水", "B", "2", "10");
  scan("B");
  doubleClick(1, kCartType);
  for (int i = 0; i < 4; ++i) scan("B");
  ASSERT_EQ(cell(1, kCartQuantity), "5");
  doubleClick(1, kCartType);
  ASSERT_EQ(cell(1, kCartType), "售出");
  EXPECT_EQ(cell(1, kCartStockLeft), "5");
  for (int i = 0; i < 9; ++i) scan("B");
  EXPECT_EQ(cell(1, kCartQuantity), "10");
  EXPECT_EQ(app->dialogs.messages(),
            (Texts{"商品[水]库存为0", "商品[水]库存为0", "商品[水]库存为0", "商品[水]库存为0"}));
  checkout();
  EXPECT_EQ(stockOf("B"), "0");
}

TEST_F(CartTest, UnitsAddedToAReturnLineArePricedAsAReturn) {
  addGoods("水", "B", "10", "5", "0", "真");
  scan("B");
  doubleClick(1, kCartType);
  scan("B");
  EXPECT_EQ(cell(1, kCartQuantity), "2");
  EXPECT_EQ(cell(1, kCartTotal), "-20");
  EXPECT_EQ(cell(1, kCartReceived), "-20");
  EXPECT_EQ(cell(1, kCartPoints), "-20");
  EXPECT_EQ(cell(1, kCartStockLeft), "5");
  EXPECT_EQ(sale->state().received, "-20");
  // Returns do not need stock left.
  for (int i = 0; i < 6; ++i) scan("B");
  EXPECT_EQ(cell(1, kCartQuantity), "8");
  EXPECT_TRUE(app->dialogs.messages().empty());
}

TEST_F(CartTest, DeleteAsksAndRenumbers) {
  addGoods("甲", "1", "1", "5");
  addGoods("乙", "2", "2", "5");
  addGoods("丙", "3", "3", "5");
  scan("1");
  scan("2");
  scan("3");
  area.cart.setCurrentCell(2, 3);
  sale->cartKeyUp(65);  // other keys do nothing
  app->dialogs.answer(false);
  sale->cartKeyUp(46);
  EXPECT_EQ(lines(), 3);
  app->dialogs.answer(true);
  sale->cartKeyUp(46);
  EXPECT_EQ(app->dialogs.calls.back().text, "确定删除[乙]的数据吗？");
  ASSERT_EQ(lines(), 2);
  EXPECT_EQ(cell(2, kCartName), "丙");
  EXPECT_EQ(cell(2, kCartNumber), "2");
  EXPECT_EQ(sale->state().due, "4");
}

TEST_F(CartTest, SeveralGoodsFillTheChooser) {
  addGoods("同名", "X1", "2", "5");
  addGoods("同名", "X2", "3", "0");
  scan("同名");
  EXPECT_EQ(lines(), 0);
  ASSERT_TRUE(sale->state().goodsListVisible);
  EXPECT_EQ(sale->takeFocusRequest(), SaleFocus::GoodsList);
  ASSERT_EQ(area.goodsChoices.itemCount(), 2);
  EXPECT_EQ(area.goodsChoices.text(1, 2), "X2");
  EXPECT_EQ(area.goodsChoices.text(1, 6), "0");
  EXPECT_EQ(area.goodsChoices.text(0, 8), "真");
  // The release of the Enter that opened the list chooses nothing.
  sale->goodsListKeyUp(13);
  EXPECT_EQ(lines(), 0);
  sale->goodsListKeyDown(13);
  sale->goodsListKeyUp(13);
  ASSERT_EQ(lines(), 1);
  EXPECT_EQ(cell(1, kCartBarcode), "X1");
  EXPECT_FALSE(sale->state().goodsListVisible);
  EXPECT_EQ(sale->takeFocusRequest(), SaleFocus::Barcode);
  // A goods without stock is refused from the list too.
  area.goodsChoices.setSelectedIndex(1);
  sale->goodsListDoubleClicked();
  EXPECT_EQ(app->dialogs.messages(), (Texts{"商品[同名]库存为0"}));
  EXPECT_EQ(lines(), 1);
  sale->goodsListFocusLost();
  EXPECT_FALSE(sale->state().goodsListVisible);
}

TEST_F(CartTest, MembersAreFoundChosenAndDropped) {
  addGoods("水", "B", "10", "5");
  addMember("王五", "13700000001", "8", "12.5");
  addMember("王六", "13700000002", "9", "0");
  enterMember("无此人");
  EXPECT_EQ(app->dialogs.messages(), (Texts{"查询不到该会员"}));
  EXPECT_EQ(app->dialogs.calls.back().icon, MessageIcon::None);
  scan("B");
  enterMember("1370000000");
  ASSERT_TRUE(sale->state().memberListVisible);
  EXPECT_EQ(sale->takeFocusRequest(), SaleFocus::MemberList);
  EXPECT_EQ(area.memberChoices.text(0, 4), "12.5");
  EXPECT_EQ(sale->state().memberName, "-");  // not attached before it is chosen
  area.memberChoices.setSelectedIndex(1);
  sale->memberListKeyDown(13);
  EXPECT_FALSE(sale->state().memberListVisible);
  EXPECT_EQ(sale->state().memberName, "王六");
  EXPECT_EQ(sale->memberNumber(), "2");
  EXPECT_EQ(sale->state().received, "9");

  const std::string order = sale->state().orderNumber;
  // Enter in the empty box asks before it empties a cart with lines.
  app->dialogs.answer(false);
  enterMember("");
  EXPECT_EQ(app->dialogs.calls.back().text, "确定清空当前列表吗？");
  EXPECT_EQ(lines(), 1);
  EXPECT_EQ(sale->state().memberName, "王六");
  app->dialogs.answer(true);
  enterMember("");
  EXPECT_EQ(lines(), 0);
  EXPECT_EQ(sale->state().memberName, "-");
  EXPECT_EQ(sale->state().memberRateText, "10");
  EXPECT_EQ(sale->state().memberPoints, "-");
  EXPECT_EQ(sale->state().due, "0");
  EXPECT_EQ(sale->memberNumber(), "");
  EXPECT_EQ(sale->state().orderNumber, order);
  scan("B");
  EXPECT_EQ(cell(1, kCartRate), "10");
  // An empty cart is reset without a question.
  enterMember("王五");
  app->dialogs.answer(true);
  area.cart.setCurrentCell(1, kCartName);
  sale->cartKeyUp(46);
  ASSERT_EQ(lines(), 0);
  const size_t asked = app->dialogs.calls.size();
  enterMember("");
  EXPECT_EQ(app->dialogs.calls.size(), asked);
  EXPECT_EQ(sale->state().memberName, "-");
}

TEST_F(CartTest, LargeTotalsKeepTheirDecimal) {
  addGoods("大件", "L1", "61728.3", "50");
  addGoods("大件", "L2", "61728.4", "50");
  addGoods("大件", "L3", "99999.9", "50");
  addGoods("大件", "L4", "34569", "50");
  addGoods("大件", "L5", "9999.99", "50");
  const struct {
    Texts barcodes;
    std::string quantity;  // typed into the first line
    std::string total, points;
  } cases[] = {
      {{"L5"}, "10", "99999.9", "99999.8984375"},  // below 100 000: as the single sum reads
      {{"L1", "L2"}, "1", "123456.7", "123456.7"},
      {{"L3", "L4"}, "12", "1234567.8", "1234567.8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.total);
    newOrder();
    for (const std::string& code : c.barcodes) scan(code);
    edit(1, kCartQuantity, c.quantity);
    EXPECT_EQ(sale->state().due, c.total);
    EXPECT_EQ(sale->state().received, c.total);
    EXPECT_EQ(sale->state().pointsTotal, c.points);
  }
}

TEST_F(CartTest, NewOrderAsksWhileAnOrderIsOpen) {
  addGoods("水", "B", "10", "5");
  addMember("王五", "137", "8");
  scan("B");
  enterMember("王五");
  const std::string first = sale->state().orderNumber;
  EXPECT_EQ(first.rfind("SX20261210", 0), 0u) << first;
  app->dialogs.answer(false);
  sale->startNewOrder();
  EXPECT_EQ(app->dialogs.calls.back().text, "当前列表有内容，是否丢弃重新创建订单呢？");
  EXPECT_EQ(lines(), 1);
  EXPECT_EQ(sale->state().memberName, "王五");
  app->clock.advanceSeconds(5);
  app->dialogs.answer(true);
  sale->startNewOrder();
  EXPECT_EQ(lines(), 0);
  EXPECT_EQ(sale->state().memberName, "-");
  EXPECT_EQ(sale->memberRate(), 10);
  EXPECT_NE(sale->state().orderNumber, first);
  // An open order with an empty cart has nothing to lose: it starts anew without a question.
  app->clock.advanceSeconds(5);
  const std::string second = sale->state().orderNumber;
  sale->startNewOrder();
  EXPECT_EQ(app->dialogs.calls.size(), 2u);
  EXPECT_NE(sale->state().orderNumber, second);
}

TEST_F(CartTest, ANewOrderPutsTheFocusInTheBarcodeBox) {
  EXPECT_EQ(sale->takeFocusRequest(), SaleFocus::NewOrder);
  addGoods("水", "B", "10", "5");
  scan("B");
  app->dialogs.answer(false);
  sale->startNewOrder();
  EXPECT_EQ(sale->takeFocusRequest(), SaleFocus::None);
  app->dialogs.answer(true);
  sale->startNewOrder();
  EXPECT_EQ(sale->takeFocusRequest(), SaleFocus::NewOrder);
}

TEST_F(CartTest, ACheckedOutCartStaysTheStoredOrder) {
  addGoods("水", "B", "7.1", "5");
  addGoods("茶", "T", "12", "5");
  scan("B");
  scan("T");
  checkout();
  ASSERT_FALSE(sale->orderOpen());
  const auto stored = app->rows("select 总应收, 总实收 from 销售");
  ASSERT_EQ(stored.size(), 1u);
  const Texts first = line(1);
  const Texts second = line(2);
  doubleClick(1, kCartType);
  area.cart.setCurrentCell(2, kCartName);
  sale->cartKeyUp(46);  // no question: nothing to delete
  area.cart.setCurrentCell(1, kCartQuantity);
  sale->cursorMoved();
  EXPECT_FALSE(area.cart.editable());
  // An edit the grid let through all the same is put back.
  sale->editBegins();
  area.cart.setText(1, kCartQuantity, "3");
  sale->editEnds();
  EXPECT_EQ(line(1), first);
  EXPECT_EQ(line(2), second);
  EXPECT_EQ(sale->state().due, stored[0][0]);
  EXPECT_EQ(sale->state().received, stored[0][1]);
}

TEST_F(CartTest, AnEditCommittedBehindTheCheckoutQuestionIsUndone) {
  addGoods("水", "B", "5", "3");
  scan("B");
  // The cell's editor is open with 9 typed when F4 comes; the question takes the focus and the
  // grid commits the 9 while the question is open.
  area.cart.setCurrentCell(1, kCartQuantity);
  sale->cursorMoved();
  sale->editBegins();
  app->dialogs.whileAsking = [&] {
    area.cart.setText(1, kCartQuantity, "9");
    sale->editEnds();
  };
  app->dialogs.answer(true);
  sale->checkoutHotkey();
  EXPECT_EQ(cell(1, kCartQuantity), "1");
  const auto stored = app->rows("select 总应收, 订单详情 from 销售");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0][0], "5");
  EXPECT_NE(stored[0][1].find("\"数量\":\"1\""), std::string::npos) << stored[0][1];
  EXPECT_EQ(stockOf("B"), "2");
}

}  // namespace
}  // namespace cz
