// A line switched to 退货 takes back exactly what the same line gave sold: its 总价, 实收 and
// 获得积分 with the other sign, and switching back shows the sold line again, figure for figure.

#include <gtest/gtest.h>

#include "sale_test_fixture.h"

namespace cz {
namespace {

using test::SaleTest;
using Texts = std::vector<std::string>;

class ReturnLineTest : public SaleTest {
 protected:
  // 总价, 实收 and 获得积分 of line 1.
  Texts figures() const {
    return {cell(1, kCartTotal), cell(1, kCartReceived), cell(1, kCartPoints)};
  }
};

TEST_F(ReturnLineTest, AReturnIsTheExactNegativeOfTheSoldLineBothWays) {
  enum class How { ScanTwiceThenMember, MemberThenScan, MemberThenTypeThree };
  const struct {
    const char* what;
    std::string price, rate, points;
    How how;
    Texts sold, returned;
  } cases[] = {
      // Points follow 总价 as the goods went in; the member's rate only reprices 实收.
      {"2 x 10 at 8", "10", "8", "真", How::ScanTwiceThenMember, {"20", "16", "20"},
       {"-20", "-16", "-20"}},
      // 4.05 rounds up from the sale's path; a second path in single precision gave -4.
      {"4.5 at 9", "4.5", "9", "真", How::MemberThenScan, {"4.5", "4.1", "4.5"},
       {"-4.5", "-4.1", "-4.5"}},
      {"12.35 without points", "12.35", "10", "假", How::MemberThenScan, {"12.35", "12.4", ""},
       {"-12.35", "-12.4", ""}},
      // A typed quantity earns points on 实收.
      {"3 x 3.3 at 8.5 typed", "3.3", "8.5", "真", How::MemberThenTypeThree, {"9.9", "8.4", "8.4"},
       {"-9.9", "-8.4", "-8.4"}},
      {"free goods", "0", "8", "真", How::ScanTwiceThenMember, {"0", "0", "0"}, {"0", "0", "0"}},
  };
  int goods = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string code = "R" + std::to_string(++goods);
    addGoods("货" + code, code, c.price, "50", "0", c.points);
    addMember("会员" + code, "139" + code, c.rate);
    newOrder();
    if (c.how == How::ScanTwiceThenMember) {
      scan(code);
      scan(code);
      enterMember("会员" + code);
    } else {
      enterMember("会员" + code);
      scan(code);
      if (c.how == How::MemberThenTypeThree) edit(1, kCartQuantity, "3");
    }
    ASSERT_EQ(figures(), c.sold);
    const std::string stockLeft = cell(1, kCartStockLeft);
    const std::string due = sale->state().due, received = sale->state().received;
    const std::string points = sale->state().pointsTotal;

    doubleClick(1, kCartType);
    ASSERT_EQ(cell(1, kCartType), "退货");
    EXPECT_EQ(figures(), c.returned);
    EXPECT_EQ(sale->state().due, c.returned[0]);
    EXPECT_EQ(sale->state().received, c.returned[1]);
    EXPECT_EQ(sale->state().pointsTotal, points == "0" ? "0" : "-" + points);

    doubleClick(1, kCartType);
    ASSERT_EQ(cell(1, kCartType), "售出");
    EXPECT_EQ(figures(), c.sold);
    EXPECT_EQ(cell(1, kCartStockLeft), stockLeft);
    EXPECT_EQ(sale->state().due, due);
    EXPECT_EQ(sale->state().received, received);
    EXPECT_EQ(sale->state().pointsTotal, points);
  }
}

// Units scanned or typed onto a return line are priced as the sold line would be, negated.
TEST_F(ReturnLineTest, MoreUnitsOnAReturnLineStayTheNegativeOfTheSale) {
  addGoods("水", "W", "4.5", "50");
  addMember("九折", "139", "9");
  newOrder();
  enterMember("九折");
  scan("W");
  doubleClick(1, kCartType);
  scan("W");
  EXPECT_EQ(figures(), (Texts{"-9", "-8.1", "-9"}));
  doubleClick(1, kCartType);
  EXPECT_EQ(figures(), (Texts{"9", "8.1", "9"}));
  doubleClick(1, kCartType);
  edit(1, kCartQuantity, "3");
  EXPECT_EQ(figures(), (Texts{"-13.5", "-12.2", "-12.2"}));
  doubleClick(1, kCartType);
  EXPECT_EQ(figures(), (Texts{"13.5", "12.2", "12.2"}));
}

// The member's points and the stored order take the return's figures.
TEST_F(ReturnLineTest, CheckoutStoresTheReturnedFiguresAndTakesThePointsBack) {
  addGoods("水", "W", "10", "50");
  addGoods("茶", "T", "3", "50");
  const std::string member = addMember("八折", "139", "8", "100");
  newOrder();
  scan("W");
  scan("W");
  scan("T");
  enterMember("八折");
  doubleClick(1, kCartType);
  EXPECT_EQ(sale->state().pointsTotal, "-17");  // -20 back, 3 earned
  checkout();
  EXPECT_EQ(app->rows("select 积分 from 会员 where 编号=?", {member})[0][0], "83");
  const auto stored = app->rows("select 总应收, 总实收, 积分, 订单详情 from 销售");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0][0], "-17");
  EXPECT_EQ(stored[0][1], "-13.6");
  EXPECT_EQ(stored[0][2], "-17");
  const std::string& details = stored[0][3];
  EXPECT_NE(details.find("\"总价\":\"-20\""), std::string::npos) << details;
  EXPECT_NE(details.find("\"实收\":\"-16\""), std::string::npos) << details;
  EXPECT_NE(details.find("\"获得积分\":\"-20\""), std::string::npos) << details;
}

}  // namespace
}  // namespace cz
