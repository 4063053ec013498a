#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "cashier/sale_area.h"
#include "cashier/ui/sale_view.h"
#include "printing/ui/qt_printer.h"
#include "storage/database.h"
#include "support/test_app.h"
#include "util/ui/grid_view.h"
#include "util/ui/list_view.h"

namespace cz {
namespace {

// The sale's controls with their names, as the main window makes them.
class StandInWindow : public QWidget {
 public:
  explicit StandInWindow(SaleArea& area) {
    resize(1183, 707);
    auto edit = [this](const char* name, QRect geometry) {
      auto* e = new QLineEdit(this);
      e->setObjectName(QString::fromUtf8(name));
      e->setGeometry(geometry);
      return e;
    };
    barcode = edit("编辑框条码", {6, 8, 232, 32});
    member = edit("编辑框会员", {6, 43, 232, 32});
    goodsList = new ListView(area.goodsChoices, this);
    goodsList->setObjectName(QString::fromUtf8("超级列表框1"));
    goodsList->setGeometry(4, 375, 395, 253);
    goodsList->hide();
    memberList = new ListView(area.memberChoices, this);
    memberList->setObjectName(QString::fromUtf8("超级列表框2"));
    memberList->setGeometry(12, 408, 339, 253);
    memberList->hide();
    cart = new GridView(area.cart, this);
    cart->setObjectName(QString::fromUtf8("高级表格"));
    cart->setGeometry(4, 121, 1172, 463);
    payment = new QComboBox(this);
    payment->setObjectName(QString::fromUtf8("组合框1"));
    payment->addItems({"现金支付", "微信支付", "支付宝支付", "其他支付"});
    checkout = new QPushButton(QString::fromUtf8("收款（F4）"), this);
    checkout->setObjectName(QString::fromUtf8("超级收款"));
    checkout->setGeometry(944, 621, 232, 80);
    for (const char* name :
         {"标签订单号", "标签会员", "标签折扣率", "标签积分", "标签应收", "标签实收", "透明积分"}) {
      auto* label = new QLabel(this);
      label->setObjectName(QString::fromUtf8(name));
    }
    findChild<QLabel*>(QString::fromUtf8("透明积分"))->hide();
  }
  QLabel* label(const char* name) { return findChild<QLabel*>(QString::fromUtf8(name)); }

  QLineEdit* barcode;
  QLineEdit* member;
  ListView* goodsList;
  ListView* memberList;
  GridView* cart;
  QComboBox* payment;
  QPushButton* checkout;
};

TEST(SaleView, ScansChoosesAndChecksOutThroughTheControls) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  test::startAndLogIn(app);
  app.dialogs.calls.clear();
  ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,3.5,10,0,'真')"));
  ASSERT_TRUE(app.db.execute("insert into 库存 values('同名','X1','瓶','',1,2,5,0,'假')"));
  ASSERT_TRUE(app.db.execute("insert into 库存 values('同名','X2','瓶','',1,3,5,0,'假')"));
  app.session.settings.printingEnabled = true;

  SaleArea area;
  setUpSaleArea(area);
  StandInWindow window(area);
  SaleView view(&window, app.context, app.dialogs, area);
  const QString pdf = QString::fromStdString((dir.path() / "receipt.pdf").string());
  view.printer().setOutputFile(pdf);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  EXPECT_FALSE(window.barcode->isEnabled());
  EXPECT_FALSE(window.checkout->isEnabled());
  view.startNewOrder();
  EXPECT_TRUE(window.barcode->isEnabled());
  EXPECT_TRUE(window.cart->isEnabled());
  EXPECT_TRUE(window.label("标签订单号")->text().startsWith("SX20261210"));
  EXPECT_EQ(window.label("标签会员")->text(), "-");

  window.barcode->setFocus();
  QTest::keyClicks(window.barcode, "6901");
  EXPECT_EQ(view.presenter().state().barcodeText, "6901");
  QTest::keyClick(window.barcode, Qt::Key_Return);
  EXPECT_EQ(window.barcode->text(), "");
  ASSERT_EQ(window.cart->model()->rowCount(), 1);
  EXPECT_EQ(window.label("标签应收")->text(), "3.5");

  // Several matches open the chooser; the opening Enter's release chooses nothing.
  window.barcode->insert(QString::fromUtf8("同名"));
  QTest::keyPress(window.barcode, Qt::Key_Return);
  EXPECT_TRUE(window.goodsList->isVisible());
  QTest::keyRelease(window.goodsList, Qt::Key_Return);
  EXPECT_EQ(window.cart->model()->rowCount(), 1);
  QTest::keyClick(window.goodsList, Qt::Key_Down);
  QTest::keyClick(window.goodsList, Qt::Key_Return);
  EXPECT_FALSE(window.goodsList->isVisible());
  ASSERT_EQ(window.cart->model()->rowCount(), 2);
  EXPECT_EQ(area.cart.text(2, kCartBarcode), "X2");
  EXPECT_EQ(window.label("标签实收")->text(), "6.5");

  window.payment->setCurrentIndex(1);
  app.dialogs.answer(true);
  QTest::mouseClick(window.checkout, Qt::LeftButton);
  EXPECT_EQ(app.dialogs.messages(), (std::vector<std::string>{"提交订单完毕"}));
  EXPECT_EQ(app.rows("select 付款方式, 总实收 from 销售"),
            (std::vector<std::vector<std::string>>{{"微信支付", "6.5"}}));
  EXPECT_FALSE(window.barcode->isEnabled());
  EXPECT_FALSE(window.checkout->isEnabled());
  EXPECT_EQ(window.label("透明积分")->text(), "0");
  QFile receipt(pdf);
  ASSERT_TRUE(receipt.open(QIODevice::ReadOnly));
  EXPECT_TRUE(receipt.read(5).startsWith("%PDF"));
  // F4 on the closed order does nothing.
  view.checkoutHotkey();
  EXPECT_EQ(app.dialogs.calls.size(), 2u);

  if (qEnvironmentVariableIsSet("CHENZHOU_KEEP_RECEIPT")) QFile::copy(pdf, "/tmp/receipt.pdf");
}

TEST(SaleView, CartEditsToggleAndDeleteThroughTheGrid) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  test::startAndLogIn(app);
  app.dialogs.calls.clear();
  ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,10,3,0,'真')"));
  SaleArea area;
  setUpSaleArea(area);
  StandInWindow window(area);
  SaleView view(&window, app.context, app.dialogs, area);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  view.startNewOrder();
  window.barcode->setFocus();
  QTest::keyClicks(window.barcode, "6901");
  QTest::keyClick(window.barcode, Qt::Key_Return);
  ASSERT_EQ(window.cart->model()->rowCount(), 1);

  // Typing a quantity past the stock caps it.
  window.cart->setFocus();
  const QModelIndex quantity = window.cart->model()->index(0, kCartQuantity);
  window.cart->setCurrentIndex(quantity);
  EXPECT_TRUE(area.cart.editable());
  QTest::keyClicks(window.cart, "9");
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, nullptr);
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();  // the item delegate commits from a queued call
  EXPECT_EQ(app.dialogs.messages(), (std::vector<std::string>{"库存不足"}));
  EXPECT_EQ(area.cart.text(1, kCartQuantity), "3");
  EXPECT_EQ(window.label("标签应收")->text(), "30");

  // A double click on the type column makes the line a return.
  const QModelIndex type = window.cart->model()->index(0, kCartType);
  window.cart->setCurrentIndex(type);
  EXPECT_FALSE(area.cart.editable());
  QTest::mouseDClick(window.cart->viewport(), Qt::LeftButton, {},
                     window.cart->visualRect(type).center());
  EXPECT_EQ(area.cart.text(1, kCartType), "退货");
  EXPECT_EQ(window.label("标签应收")->text(), "-30");

  // Delete, released, asks first.
  app.dialogs.answer(true);
  window.cart->setFocus();
  QTest::keyClick(window.cart, Qt::Key_Delete);
  EXPECT_EQ(app.dialogs.calls.back().text, "确定删除[可乐]的数据吗？");
  EXPECT_EQ(window.cart->model()->rowCount(), 0);
  EXPECT_EQ(window.label("标签应收")->text(), "0");
}

// F1, F4 and 收款 end a quantity still open in its cell first: the 9 typed over a stock of 3 is
// capped and priced before the command goes on, so the stored order is what the screen shows.
TEST(SaleView, CommandsFinishAnOpenCellEditFirst) {
  enum class Command { F4, Click, F1 };
  for (const Command command : {Command::F4, Command::Click, Command::F1}) {
    SCOPED_TRACE(static_cast<int>(command));
    test::TempDir dir;
    test::TestApp app(dir.path());
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
    ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,5,3,0,'真')"));
    SaleArea area;
    setUpSaleArea(area);
    StandInWindow window(area);
    SaleView view(&window, app.context, app.dialogs, area);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    view.startNewOrder();
    QTest::keyClicks(window.barcode, "6901");
    QTest::keyClick(window.barcode, Qt::Key_Return);

    window.cart->setFocus();
    const QModelIndex quantity = window.cart->model()->index(0, kCartQuantity);
    window.cart->setCurrentIndex(quantity);
    QTest::keyClicks(window.cart, "9");
    ASSERT_NE(window.cart->indexWidget(quantity), nullptr);  // the editor is open
    app.dialogs.answer(true);
    switch (command) {
      case Command::F4:
        view.checkoutHotkey();
        break;
      case Command::Click:
        window.checkout->click();
        break;
      case Command::F1:
        view.startNewOrder();
        break;
    }
    ASSERT_GE(app.dialogs.calls.size(), 2u);
    EXPECT_EQ(app.dialogs.calls[0].text, "库存不足");
    EXPECT_EQ(app.dialogs.calls[1].text, command == Command::F1
                                             ? "当前列表有内容，是否丢弃重新创建订单呢？"
                                             : "确定提交订单吗？");
    if (command != Command::F1) {
      EXPECT_EQ(app.rows("select 总应收, 总实收 from 销售"),
                (std::vector<std::vector<std::string>>{{"15", "15"}}));
      EXPECT_EQ(app.rows("select 当前库存 from 库存")[0][0], "0");
      EXPECT_EQ(window.label("标签应收")->text(), "15");
    } else {
      EXPECT_EQ(window.cart->model()->rowCount(), 0);
      EXPECT_EQ(QApplication::focusWidget(), window.barcode);
    }
  }
}

}  // namespace
}  // namespace cz
