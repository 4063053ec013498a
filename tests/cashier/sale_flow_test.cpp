// The road of one sale at the logic level: log in, new order, two goods, a member, checkout.
#include <gtest/gtest.h>

#include "cashier/main_presenter.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/login_presenter.h"
#include "support/fake_hotkeys.h"
#include "support/recording_printer.h"
#include "support/test_app.h"
#include "util/timestamp.h"

namespace cz {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;

TEST(SaleFlow, OneSaleFromLoginToReceipt) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  LoginPresenter login(app.context, app.dialogs);
  login.created();
  ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,3.5,10,0,'真')"));
  ASSERT_TRUE(app.db.execute("insert into 库存 values('薯片','6902','袋','',8,12.35,5,9,'假')"));
  ASSERT_TRUE(
      app.db.execute("insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) "
                     "values('李雷','13900001111','',8,100,'admin')"));

  // The main window comes with login and carries the sale.
  SaleArea area;
  test::RecordingPrinter printer;
  test::FakeHotkeys hotkeys;
  std::unique_ptr<MainPresenter> main;
  std::unique_ptr<SalePresenter> sale;
  app.windows.onOpenMain = [&] {
    main = std::make_unique<MainPresenter>(app.context, app.dialogs, hotkeys);
    setUpSaleArea(area);
    sale = std::make_unique<SalePresenter>(app.context, app.dialogs, printer, area);
  };
  login.accountChanged("admin");
  login.loginClicked();
  ASSERT_TRUE(sale);
  app.dialogs.calls.clear();
  const auto logStart = app.rows("select max(rowid) from 日志").at(0).at(0);

  SaleActions& actions = *sale;
  actions.startNewOrder();  // F1
  const std::string order = sale->state().orderNumber;
  EXPECT_EQ(order, orderNumber("SX", app.clock.now()));
  for (const char* code : {"6901", "6901", "6902"}) {
    sale->barcodeTextChanged(code);
    sale->barcodeKeyDown(13);
  }
  sale->memberTextChanged("13900001111");
  sale->memberKeyDown(13);
  EXPECT_EQ(sale->state().memberName, "李雷");
  EXPECT_EQ(area.cart.text(1, kCartReceived), "5.6");
  EXPECT_EQ(area.cart.text(2, kCartRate), "9");
  EXPECT_EQ(area.cart.text(2, kCartReceived), "11.1");
  EXPECT_EQ(sale->state().due, "19.35");
  EXPECT_EQ(sale->state().received, "16.7");

  app.clock.advanceSeconds(30);
  app.dialogs.answer(true);
  actions.checkoutHotkey();  // F4

  const std::string details = app.rows("select 订单详情 from 销售").at(0).at(0);
  EXPECT_EQ(
      app.rows("select 订单号,日期,客户,客户编号,总应收,总实收,积分,付款方式,制单人 from 销售"),
      (Rows{{order, timestampText(app.clock.now()), "李雷", "1", "19.35", "16.7", "7", "现金支付",
             "admin"}}));
  EXPECT_EQ(
      details,
      "{\"详情页\":[{\"商品名称\":\"可乐\",\"条码\":\"6901\",\"规格\":\"瓶\",\"单价\":\"3.5\","
      "\"数量\":\"2\",\"总价\":\"7\",\"折扣\":\"8\",\"实收\":\"5.6\",\"参与积分\":\"真\","
      "\"进货价\":\"2\",\"剩余库存\":\"8\",\"最低折扣\":\"0\",\"获得积分\":\"7\"},"
      "{\"商品名称\":\"薯片\",\"条码\":\"6902\",\"规格\":\"袋\",\"单价\":\"12.35\","
      "\"数量\":\"1\",\"总价\":\"12.35\",\"折扣\":\"9\",\"实收\":\"11.1\",\"参与积分\":"
      "\"假\",\"进货价\":\"8\",\"剩余库存\":\"4\",\"最低折扣\":\"9\",\"获得积分\":\"\"}]}");
  EXPECT_EQ(app.rows("select 条码, 当前库存 from 库存"), (Rows{{"6901", "8"}, {"6902", "4"}}));
  EXPECT_EQ(app.rows("select 积分 from 会员"), (Rows{{"107"}}));
  EXPECT_EQ(
      app.rows("select 类型, 账号, 日志 from 日志 where rowid > ?", {logStart}),
      (Rows{{"3", "admin", "减少商品：[可乐][6901]库存数量：2"},
            {"3", "admin", "减少商品：[薯片][6902]库存数量：1"},
            {"5", "admin", "更新用户积分，[1]增加积分：7"},
            {"1", "admin",
             "创建销售单。\r\n订单号：" + order + "\r\n客户：李雷\r\n客户编号：1\r\n详单详情：" +
                 details + "\r\n总应收：19.35\r\n总实收：16.7\r\n付款方式：现金支付"}}));

  const std::string rule = "=============================";
  EXPECT_EQ(printer.calls, (Texts{"start", "bold", "origin:0,0", "size:12", "text", "size:9",
                                  "text", "text", "end"}));
  EXPECT_EQ(printer.texts,
            (Texts{"欢迎使用晨舟收银系统\r\n",
                   "NO." + order + "\r\n2026-12-10 09:05:33\r\n" + rule +
                       "\r\n商品/条码     单价 数量 小计\r\n-----------------------------\r\n",
                   "可乐\r\n6901  3.5*2=5.6\r\n薯片\r\n6902  12.35*1=11.1\r\n\r\n" + rule +
                       "\r\n应收：19.35元\r\n优惠：2.6元\r\n实收：16.7元\r\n付款方式：现金支付\r\n"
                       "获得积分：7\r\n" +
                       rule + "\r\n"}));
  EXPECT_EQ(app.dialogs.messages(), (Texts{"提交订单完毕"}));
  EXPECT_FALSE(sale->orderOpen());

  // The next F1 starts a fresh order without asking.
  actions.startNewOrder();
  EXPECT_EQ(area.cart.rowCount(), 1);
  EXPECT_EQ(app.dialogs.calls.size(), 2u);
}

}  // namespace
}  // namespace cz
