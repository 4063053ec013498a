// Which button Enter presses in the sale's questions: those that throw work away default to 否,
// so the Enter a barcode scanner sends after every code never discards an order.

#include <gtest/gtest.h>

#include <functional>

#include "sale_test_fixture.h"

namespace cz {
namespace {

using test::SaleTest;

class QuestionDefaultTest : public SaleTest {
 protected:
  void SetUp() override {
    SaleTest::SetUp();
    addGoods("可乐", "6901", "3.5", "10");
    newOrder();
    scan("6901");
    app->dialogs.calls.clear();
  }
};

TEST_F(QuestionDefaultTest, QuestionsThatDiscardDefaultToNoAndAnsweringNoKeepsTheCart) {
  const struct {
    const char* what;
    std::function<void()> trigger;
    std::string question;
    Answer byDefault;
  } cases[] = {
      {"F1 and the new-order item", [this] { sale->startNewOrder(); },
       "当前列表有内容，是否丢弃重新创建订单呢？", Answer::No},
      {"F3", [this] { sale->takeBackClicked(); },
       "当前列表有内容，是否丢弃重新创建订单呢？", Answer::No},
      {"Enter in the empty member box", [this] { sale->memberKeyDown(13); },
       "确定清空当前列表吗？", Answer::No},
      {"Delete on a cart line",
       [this] {
         area.cart.setCurrentCell(1, kCartName);
         sale->cartKeyUp(46);
       },
       "确定删除[可乐]的数据吗？", Answer::No},
      // Storing the order is what the cashier wants: its question keeps 是.
      {"F4", [this] { sale->checkoutHotkey(); }, "确定提交订单吗？", Answer::Yes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    app->dialogs.calls.clear();
    app->dialogs.answer(false);
    c.trigger();
    ASSERT_EQ(app->dialogs.calls.size(), 1u);
    EXPECT_EQ(app->dialogs.calls[0].kind, "ask");
    EXPECT_EQ(app->dialogs.calls[0].text, c.question);
    EXPECT_EQ(app->dialogs.calls[0].byDefault, c.byDefault);
    EXPECT_TRUE(sale->orderOpen());
    EXPECT_EQ(lines(), 1);
    EXPECT_EQ(sale->state().due, "3.5");
  }
}

// A cart left empty (the order thrown away, or its last line deleted) is started anew by F1
// without a question, so a second F1 never stands in front of the cashier for nothing.
TEST_F(QuestionDefaultTest, AnEmptyCartNeverAsks) {
  app->dialogs.answer(true);
  sale->startNewOrder();
  ASSERT_EQ(lines(), 0);
  sale->startNewOrder();  // an unexpected question would fail here
  EXPECT_EQ(app->dialogs.calls.size(), 1u);
  EXPECT_TRUE(sale->orderOpen());

  scan("6901");
  app->dialogs.answer(true);
  area.cart.setCurrentCell(1, kCartName);
  sale->cartKeyUp(46);
  ASSERT_EQ(lines(), 0);
  app->dialogs.calls.clear();
  sale->startNewOrder();
  sale->memberKeyDown(13);  // the member box's Enter empties nothing, so asks nothing
  EXPECT_TRUE(app->dialogs.calls.empty());
}

}  // namespace
}  // namespace cz
