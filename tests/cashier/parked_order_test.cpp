#include <gtest/gtest.h>

#include <barrier>
#include <thread>

#include "cashier/parked_orders.h"
#include "sale_test_fixture.h"

namespace cz {
namespace {

using test::SaleTest;

class ParkedOrderTest : public SaleTest {
 protected:
  // The next start of the program on the same folder, logged in, with an idle sale.
  void restart() {
    sale.reset();
    app.reset();
    app = std::make_unique<test::TestApp>(dir.path());
    test::startAndLogIn(*app);
    app->dialogs.calls.clear();
    area.cart.reset();
    setUpSaleArea(area);
    sale = std::make_unique<SalePresenter>(app->context, app->dialogs, printer, area);
  }
  std::string parkedCount() { return app->rows("select count(*) from 挂单")[0][0]; }
};

TEST_F(ParkedOrderTest, ParkRestartAndTakeBackLineForLineWithFallenStockCapped) {
  addGoods("水", "1001", "2", "10");
  addGoods("茶", "1002", "3.5", "5", "0", "假");
  addGoods("油", "1003", "20", "3");
  addMember("张三", "13800000000", "9", "100");
  newOrder();
  enterMember("张三");
  for (const char* code : {"1001", "1001", "1001", "1002", "1002", "1003"}) scan(code);
  doubleClick(3, kCartType);  // 油 becomes a return line
  ASSERT_EQ(cell(3, kCartType), "退货");
  sale->paymentChanged("微信支付");
  const std::string number = sale->state().orderNumber;
  const auto first = line(1), second = line(2), third = line(3);
  const std::string due = sale->state().due;

  sale->parkClicked();
  EXPECT_EQ(lines(), 0);
  EXPECT_FALSE(sale->orderOpen());
  EXPECT_FALSE(sale->state().inputsEnabled);
  EXPECT_EQ(sale->state().orderNumber, "");
  EXPECT_EQ(sale->state().memberName, "-");
  EXPECT_EQ(stockOf("1001"), "10");  // parking touches no stock
  EXPECT_EQ(parkedCount(), "1");

  restart();
  ASSERT_TRUE(app->db.execute("update 库存 set 当前库存=1 where 条码='1002'"));
  app->dialogs.answerChoice(0);
  sale->takeBackClicked();
  ASSERT_EQ(app->dialogs.lastChoiceRows.size(), 1u);
  EXPECT_EQ(app->dialogs.lastChoiceRows[0][1], number);
  EXPECT_EQ(app->dialogs.lastChoiceRows[0][2], "3");
  EXPECT_EQ(app->dialogs.lastChoiceRows[0][3], due);
  EXPECT_EQ(app->dialogs.lastChoiceRows[0][4], "张三");
  EXPECT_EQ(app->dialogs.messages().back(), "库存不足");
  EXPECT_EQ(parkedCount(), "0");

  ASSERT_EQ(lines(), 3);
  EXPECT_EQ(line(1), first);
  EXPECT_EQ(line(3), third);
  // 茶: two were parked, one is left in stock.
  auto capped = second;
  capped[kCartQuantity - 1] = "1";
  capped[kCartTotal - 1] = "3.5";
  capped[kCartReceived - 1] = cell(2, kCartReceived);
  capped[kCartStockLeft - 1] = "0";
  EXPECT_EQ(line(2), capped);
  EXPECT_EQ(cell(2, kCartReceived), "3.2");  // 3.5 at the member's 9
  EXPECT_TRUE(sale->orderOpen());
  EXPECT_EQ(sale->state().orderNumber, number);
  EXPECT_EQ(sale->state().memberName, "张三");
  EXPECT_EQ(sale->state().memberPoints, "100");
  EXPECT_EQ(sale->state().payment, "微信支付");

  checkout();
  EXPECT_EQ(app->rows("select 订单号, 付款方式 from 销售"),
            (std::vector<std::vector<std::string>>{{number, "微信支付"}}));
  EXPECT_EQ(stockOf("1002"), "0");
  EXPECT_EQ(stockOf("1003"), "4");  // the return line came back as a return
}

TEST_F(ParkedOrderTest, NothingToParkOrTakeAndAnsweringNo) {
  addGoods("水", "1001", "2", "10");
  sale->parkClicked();  // no order yet
  newOrder();
  sale->parkClicked();  // an order without lines
  sale->takeBackClicked();
  EXPECT_EQ(app->dialogs.messages(),
            (std::vector<std::string>{"当前订单没有商品，不能挂单", "当前订单没有商品，不能挂单",
                                      "没有挂单"}));
  scan("1001");
  sale->parkClicked();
  newOrder();
  scan("1001");
  scan("1001");
  // An open order with lines: 否 keeps it, and the parked one stays parked.
  app->dialogs.answer(false);
  sale->takeBackClicked();
  EXPECT_EQ(cell(1, kCartQuantity), "2");
  // 是, then the list closed without a choice: nothing changes either.
  app->dialogs.answer(true);
  app->dialogs.answerChoice(std::nullopt);
  sale->takeBackClicked();
  EXPECT_EQ(cell(1, kCartQuantity), "2");
  EXPECT_EQ(parkedCount(), "1");
  // Taken by another till between the list and the choice.
  const auto parked = parkedOrders(app->db);
  ASSERT_EQ(parked.size(), 1u);
  ParkedOrder gone;
  std::string error;
  ASSERT_TRUE(takeParkedOrder(app->db, parked[0].id, gone, error));
  EXPECT_FALSE(takeParkedOrder(app->db, parked[0].id, gone, error));
  EXPECT_EQ(error, "该挂单已被取走");
}

TEST_F(ParkedOrderTest, GoodsGoneOrOutOfStockCapToNothing) {
  addGoods("水", "1001", "2", "10");
  addGoods("茶", "1002", "3", "10");
  newOrder();
  scan("1001");
  scan("1002");
  sale->parkClicked();
  ASSERT_TRUE(app->db.execute("delete from 库存 where 条码='1001'"));
  ASSERT_TRUE(app->db.execute("update 库存 set 当前库存=-4 where 条码='1002'"));
  app->dialogs.answerChoice(0);
  sale->takeBackClicked();
  ASSERT_EQ(lines(), 2);
  for (int row : {1, 2}) {
    EXPECT_EQ(cell(row, kCartQuantity), "0") << row;
    EXPECT_EQ(cell(row, kCartReceived), "0") << row;
    EXPECT_EQ(cell(row, kCartStockLeft), "0") << row;
  }
  EXPECT_EQ(sale->state().due, "0");
  // Nothing is left to sell: checkout refuses before its question, and stores nothing.
  app->dialogs.calls.clear();
  sale->checkoutClicked();
  EXPECT_EQ(app->dialogs.messages(), (std::vector<std::string>{"订单中没有数量大于0的商品，请修改数量"}));
  EXPECT_EQ(app->dialogs.calls.size(), 1u);
  EXPECT_TRUE(sale->orderOpen());
  EXPECT_EQ(app->rows("select count(*) from 销售")[0][0], "0");
  // A quantity typed in is capped by the stock, which has none: still nothing to sell.
  edit(2, kCartQuantity, "1");
  EXPECT_EQ(app->dialogs.messages().back(), "库存不足");
  EXPECT_EQ(cell(2, kCartQuantity), "0");
  app->dialogs.calls.clear();
  sale->checkoutClicked();
  EXPECT_EQ(app->dialogs.messages(), (std::vector<std::string>{"订单中没有数量大于0的商品，请修改数量"}));
}

// Two tills (two connections to the same store) reach for the same parked orders at the same
// moment, again and again: each order is taken by exactly one, and the other is told it is gone.
TEST_F(ParkedOrderTest, TwoTillsRacingForTheSameOrderTakeItOnce) {
  constexpr int kOrders = 40;
  for (int i = 0; i < kOrders; ++i) {
    ParkedOrder order;
    order.time = "2024-01-01 10:00:00";
    order.orderNumber = "A" + std::to_string(i);
    order.details = "{}";
    ASSERT_TRUE(parkOrder(app->db, order)) << app->db.lastError();
  }
  const auto parked = parkedOrders(app->db);
  ASSERT_EQ(parked.size(), static_cast<size_t>(kOrders));
  Database otherTill;
  ASSERT_TRUE(test::openStore(otherTill, dir.path())) << otherTill.lastError();

  struct Take {
    bool taken = false;
    std::string orderNumber;
    std::string error;
  };
  std::vector<Take> mine(kOrders), theirs(kOrders);
  std::barrier together(2);
  const auto takeAll = [&](Database& db, std::vector<Take>& takes) {
    for (int i = 0; i < kOrders; ++i) {
      together.arrive_and_wait();
      ParkedOrder order;
      Take& take = takes[static_cast<size_t>(i)];
      take.taken = takeParkedOrder(db, parked[static_cast<size_t>(i)].id, order, take.error);
      take.orderNumber = order.orderNumber;
    }
  };
  std::thread other([&] { takeAll(otherTill, theirs); });
  takeAll(app->db, mine);
  other.join();

  for (int i = 0; i < kOrders; ++i) {
    const Take& a = mine[static_cast<size_t>(i)];
    const Take& b = theirs[static_cast<size_t>(i)];
    EXPECT_NE(a.taken, b.taken) << "order " << i << ": " << a.error << " / " << b.error;
    const Take& winner = a.taken ? a : b;
    const Take& loser = a.taken ? b : a;
    EXPECT_EQ(winner.orderNumber, "A" + std::to_string(i));
    EXPECT_EQ(loser.error, "该挂单已被取走") << "order " << i;
  }
  EXPECT_EQ(parkedCount(), "0");
}

}  // namespace
}  // namespace cz
