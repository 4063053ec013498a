#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <map>
#include <random>

#include "sale_test_fixture.h"
#include "util/numbers.h"

namespace cz {
namespace {

using test::SaleTest;

// A seeded random walk of what a cashier does to a cart (scan, choose from the list, switch a
// line's type, type quantities up and down, delete, start over, attach a member, check out),
// checked after every step against a plain model of the stock:
// - a sale line's 剩余库存 is the stock on hand less its quantity, never below 0; a return
//   line's is the stock on hand;
// - every line's amounts follow its quantity, so the stored order and the labels describe one
//   cart;
// - each checkout moves the stored stock by exactly the cart's lines, and never below 0.
// CZ_CART_SEED and CZ_CART_STEPS override the seed and the number of steps.
class CartModelTest : public SaleTest {
 protected:
  struct Goods {
    std::string name, barcode, price;
  };

  void SetUp() override {
    SaleTest::SetUp();
    // Two goods share a name, so typing it opens the chooser.
    m_goods = {
        {"水", "W1", "2"}, {"茶", "T1", "3.5"}, {"同名", "S1", "1.25"}, {"同名", "S2", "12.35"}};
    for (const Goods& g : m_goods) {
      const std::int64_t stock = g.barcode == "S2" ? 0 : 3;
      addGoods(g.name, g.barcode, g.price, std::to_string(stock), "0", "真");
      m_stock[g.barcode] = stock;
    }
    addMember("会员甲", "13900000001", "8");
  }

  std::int64_t stored(const std::string& barcode) { return std::stoll(stockOf(barcode)); }

  // The cart against the stored stock, which does not move while an order is open.
  void checkCart(const std::string& where) {
    for (int row = 1; row < area.cart.rowCount(); ++row) {
      SCOPED_TRACE(where + " line " + std::to_string(row));
      const std::string barcode = cell(row, kCartBarcode);
      const std::int64_t q = readInteger(cell(row, kCartQuantity));
      const std::int64_t left = readInteger(cell(row, kCartStockLeft));
      const std::int64_t onHand = m_stock.at(barcode);
      const bool isReturn = cell(row, kCartType) == "退货";
      ASSERT_GE(q, 0);
      ASSERT_EQ(left, isReturn ? onHand : onHand - q);
      if (!isReturn) {
        ASSERT_GE(left, 0);
      }
      const double total = round1(static_cast<double>(readSingle(cell(row, kCartUnitPrice))) *
                                  static_cast<double>(q));
      // Switching a line's type prices it in single precision, so huge quantities are near.
      ASSERT_NEAR(readNumber(cell(row, kCartTotal)), isReturn ? -total : total,
                  0.051 + total * 1e-6);
      for (int other = row + 1; other < area.cart.rowCount(); ++other) {
        ASSERT_NE(cell(other, kCartBarcode), barcode) << "one line per barcode";
      }
    }
  }

  void checkedOut() {
    std::map<std::string, std::int64_t> expected = m_stock;
    for (int row = 1; row < area.cart.rowCount(); ++row) {
      const std::int64_t q = readInteger(cell(row, kCartQuantity));
      expected[cell(row, kCartBarcode)] += cell(row, kCartType) == "退货" ? q : -q;
    }
    const bool hadLines = lines() > 0;
    if (hadLines) app->dialogs.answer(true);
    sale->checkoutClicked();
    if (!hadLines) return;
    ASSERT_EQ(app->dialogs.messages().back(), "提交订单完毕");
    ASSERT_FALSE(sale->orderOpen());
    for (const auto& [barcode, stock] : expected) {
      SCOPED_TRACE(barcode);
      ASSERT_EQ(stored(barcode), stock);
      ASSERT_GE(stock, 0);
    }
    m_stock = expected;
    ++m_checkouts;
  }

  std::vector<Goods> m_goods;
  std::map<std::string, std::int64_t> m_stock;
  int m_checkouts = 0;
};

TEST_F(CartModelTest, NoSequenceOfCartActionsSellsStockThatIsNotThere) {
  const char* seedText = std::getenv("CZ_CART_SEED");
  const char* stepsText = std::getenv("CZ_CART_STEPS");
  const unsigned seed = seedText ? static_cast<unsigned>(std::stoul(seedText)) : 20261210u;
  const int steps = stepsText ? std::stoi(stepsText) : 3000;
  SCOPED_TRACE("CZ_CART_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto anyLine = [&] { return 1 + pick(lines()); };
  const std::vector<std::string> typed = {"0",
                                          "1",
                                          "2",
                                          "3",
                                          "4",
                                          "7",
                                          "-1",
                                          "2.9",
                                          "abc",
                                          "",
                                          "999999999",
                                          "1000000000",
                                          "99999999999999999999"};

  newOrder();
  // The last steps, shown with a failure.
  std::deque<std::string> trail;
  for (int step = 0; step < steps; ++step) {
    int action = pick(100);
    // Line actions need a line: scan instead.
    if (action >= 38 && action < 80 && lines() == 0) action = pick(38);
    app->dialogs.calls.clear();
    std::string what;
    if (!sale->orderOpen()) {
      // Between orders the shop may restock; then the next order starts.
      if (pick(2) == 0) {
        const Goods& g = m_goods[static_cast<size_t>(pick(static_cast<int>(m_goods.size())))];
        const int more = 1 + pick(5);
        ASSERT_TRUE(app->db.execute("update 库存 set 当前库存=当前库存+? where 条码=?",
                                    {std::to_string(more), g.barcode}));
        m_stock[g.barcode] += more;
        what = "restock " + g.barcode;
      } else {
        newOrder();
        what = "F1";
      }
    } else if (action < 30) {
      const Goods& g = m_goods[static_cast<size_t>(pick(static_cast<int>(m_goods.size())))];
      what = "scan " + g.barcode;
      scan(g.barcode);
    } else if (action < 38) {
      what = "choose";
      scan("同名");
      if (sale->state().goodsListVisible) {
        area.goodsChoices.setSelectedIndex(pick(area.goodsChoices.itemCount()));
        sale->goodsListDoubleClicked();
      }
    } else if (action < 52) {
      const int row = anyLine();
      what = "toggle " + std::to_string(row);
      doubleClick(row, kCartType);
    } else if (action < 72) {
      const int row = anyLine();
      const std::string text = typed[static_cast<size_t>(pick(static_cast<int>(typed.size())))];
      what = "edit " + std::to_string(row) + " to '" + text + "'";
      edit(row, pick(4) == 0 ? kCartReceived : kCartQuantity, text);
    } else if (action < 80) {
      const int row = anyLine();
      const bool yes = pick(3) != 0;
      what = std::string("delete ") + std::to_string(row) + (yes ? " yes" : " no");
      area.cart.setCurrentCell(row, kCartName);
      app->dialogs.answer(yes);
      sale->cartKeyUp(46);
    } else if (action < 83) {
      what = "F1";
      newOrder();
    } else if (action < 88) {
      const bool attach = pick(2) == 0;
      what = attach ? "member" : "member-cleared";
      if (!attach && lines() > 0) app->dialogs.answer(pick(2) == 0);
      enterMember(attach ? "会员甲" : "");
    } else {
      what = "checkout";
      checkedOut();
    }
    trail.push_back(std::to_string(step) + ": " + what);
    if (trail.size() > 40) trail.pop_front();
    if (sale->orderOpen()) checkCart("after step " + std::to_string(step));
    if (HasFailure()) {
      std::string steps;
      for (const std::string& s : trail) steps += s + "\n";
      ADD_FAILURE() << "seed " << seed << ", last steps:\n" << steps;
      return;
    }
  }
  EXPECT_GT(m_checkouts, steps / 30);
  RecordProperty("checkouts", m_checkouts);
}

}  // namespace
}  // namespace cz
