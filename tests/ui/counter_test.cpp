// The counter through the real main window and real message boxes: the keys a barcode scanner
// sends never throw an order away, and what a question's box is sent is not lost.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "cashier/sale_area.h"
#include "cashier/ui/main_window.h"
#include "cashier/ui/sale_view.h"
#include "core/session.h"
#include "core/ui/qt_dialogs.h"
#include "support/test_app.h"
#include "util/ui/grid_view.h"
#include "window_probe.h"

namespace cz {
namespace {

// Runs `act` on the next message box that opens (once), from the box's own event loop.
class NextBox {
 public:
  explicit NextBox(std::function<void(QMessageBox&)> act) : m_act(std::move(act)) {
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible() || !m_act) return;
      texts.push_back(box->text().toStdString());
      auto act = std::move(m_act);
      m_act = nullptr;
      m_timer.stop();
      act(*box);
    });
    m_timer.start();
  }
  std::vector<std::string> texts;

 private:
  std::function<void(QMessageBox&)> m_act;
  QTimer m_timer;
};

// The key goes where the keyboard is: the box's focused button.
void press(QMessageBox& box, Qt::Key key) {
  QWidget* target = box.focusWidget() ? box.focusWidget() : &box;
  QTest::keyClick(target, key);
}

TEST(Counter, EnterAndSpaceInARealQuestionPressItsDefaultButton) {
  const struct {
    Answer byDefault;
    Qt::Key key;
    bool yes;
  } cases[] = {
      {Answer::No, Qt::Key_Return, false}, {Answer::No, Qt::Key_Enter, false},
      {Answer::No, Qt::Key_Space, false},  {Answer::Yes, Qt::Key_Return, true},
      {Answer::Yes, Qt::Key_Space, true},  {Answer::Yes, Qt::Key_Escape, false},
  };
  QtDialogs dialogs(nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.byDefault == Answer::Yes ? "是" : "否") << " " << c.key);
    NextBox box([&](QMessageBox& b) { press(b, c.key); });
    EXPECT_EQ(dialogs.ask("确定交班吗？", kDefaultTitle, c.byDefault), c.yes);
    EXPECT_EQ(box.texts, std::vector<std::string>{"确定交班吗？"});
  }
}

class CounterWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::startAndLogIn(app);
    ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,3.5,10,0,'真')"));
    window = std::make_unique<MainWindow>(app.context);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    view = window->findChild<SaleView*>();
    barcode = child<QLineEdit>(*window, "编辑框条码");
    cart = child<GridView>(*window, "高级表格");
    ASSERT_TRUE(view && barcode && cart);
  }
  void scan(const char* code) {
    barcode->setFocus();
    QTest::keyClicks(barcode, code);
    QTest::keyClick(barcode, Qt::Key_Return);
  }
  QString cell(int row, int col) { return cart->model()->index(row, col).data().toString(); }
  std::string label(const char* name) {
    return child<QLabel>(*window, name)->text().toStdString();
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
  std::unique_ptr<MainWindow> window;
  SaleView* view = nullptr;
  QLineEdit* barcode = nullptr;
  GridView* cart = nullptr;
};

TEST_F(CounterWindow, F1ThenEnterKeepsTheCartAndAScanIntoTheQuestionIsEnteredAfterIt) {
  view->startNewOrder();
  scan("6901");
  ASSERT_EQ(cart->model()->rowCount(), 1);
  const std::string number = label("标签订单号");

  // F1, then the scanner's Enter: the question answers 否 and the order stays.
  NextBox enter([](QMessageBox& b) { press(b, Qt::Key_Return); });
  view->startNewOrder();
  EXPECT_EQ(enter.texts, std::vector<std::string>{"当前列表有内容，是否丢弃重新创建订单呢？"});
  EXPECT_EQ(cart->model()->rowCount(), 1);
  EXPECT_EQ(label("标签订单号"), number);

  // A code scanned over the question neither answers it nor vanishes: the box stays open for
  // its own answer, and the code goes into the kept order once the box is closed.
  bool openAfterScan = false;
  NextBox scanned([&](QMessageBox& b) {
    QTest::keyClicks(b.focusWidget(), "6901");
    press(b, Qt::Key_Return);
    openAfterScan = b.isVisible();
    press(b, Qt::Key_Return);
  });
  view->startNewOrder();
  EXPECT_TRUE(openAfterScan);
  QTest::qWait(20);
  ASSERT_EQ(cart->model()->rowCount(), 1);
  EXPECT_EQ(cell(0, kCartQuantity), "2");
  EXPECT_EQ(label("标签应收"), "7");
  EXPECT_EQ(barcode->text(), "");

  // 是 by a click throws the order away; the empty cart then starts anew with no question.
  NextBox yes([](QMessageBox& b) { b.button(QMessageBox::Yes)->click(); });
  view->startNewOrder();
  EXPECT_EQ(cart->model()->rowCount(), 0);
  NextBox none([](QMessageBox& b) { b.button(QMessageBox::No)->click(); });
  view->startNewOrder();
  QTest::qWait(30);
  EXPECT_TRUE(none.texts.empty()) << none.texts.front();
  EXPECT_TRUE(barcode->isEnabled());
}

// The 收款 window's big figure after a 9折 member is 标签实收, and the change is worked out from
// it, not from 应收.
TEST_F(CounterWindow, TheTenderWindowAsksForWhatTheCustomerPays) {
  ASSERT_TRUE(app.db.execute("insert into 库存 values('大米','2001','袋','',30,46.5,10,0,'真')"));
  ASSERT_TRUE(app.db.execute(
      "insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) values('张三','13800000001','',9,0,'admin')"));
  app.session.settings.paymentWindow = true;
  app.session.settings.printingEnabled = false;
  view->startNewOrder();
  auto* member = child<QLineEdit>(*window, "编辑框会员");
  member->setFocus();
  QTest::keyClicks(member, "13800000001");
  QTest::keyClick(member, Qt::Key_Return);
  scan("2001");
  ASSERT_EQ(label("标签会员"), "张三");
  EXPECT_EQ(label("标签应收"), "46.5");
  EXPECT_EQ(label("标签实收"), "41.9");

  std::string big, change;
  QTimer tenderTimer;
  tenderTimer.setInterval(10);
  QObject::connect(&tenderTimer, &QTimer::timeout, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || dialog->objectName() != "收款") return;
    tenderTimer.stop();
    big = child<QLabel>(*dialog, "标签收款实收")->text().toStdString();
    auto* received = child<QLineEdit>(*dialog, "编辑框收到");
    received->selectAll();
    QTest::keyClicks(received, "50");
    change = child<QLabel>(*dialog, "标签找零")->text().toStdString();
    QTest::keyClick(received, Qt::Key_Return);
  });
  tenderTimer.start();
  NextBox done([](QMessageBox& b) { b.button(QMessageBox::Ok)->click(); });
  child<QPushButton>(*window, "超级收款")->click();
  EXPECT_EQ(big, "41.9");
  EXPECT_EQ(change, "找零：8.1");
  EXPECT_EQ(done.texts, std::vector<std::string>{"提交订单完毕"});
  EXPECT_EQ(app.rows("select 总应收, 总实收 from 销售"),
            (std::vector<std::vector<std::string>>{{"46.5", "41.9"}}));
}

// A double click on 类型 turns the sold line into its exact negative, points included, and a
// second one gives the sold line back.
TEST_F(CounterWindow, ALineToggledToAReturnShowsTheNegativesOfItsSoldFigures) {
  ASSERT_TRUE(app.db.execute("insert into 库存 values('水','3001','瓶','',5,10,10,0,'真')"));
  ASSERT_TRUE(app.db.execute(
      "insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) values('李四','13900000002','',8,0,'admin')"));
  view->startNewOrder();
  scan("3001");
  scan("3001");
  auto* member = child<QLineEdit>(*window, "编辑框会员");
  member->setFocus();
  QTest::keyClicks(member, "13900000002");
  QTest::keyClick(member, Qt::Key_Return);
  auto figures = [&] {
    return QStringList{cell(0, kCartTotal), cell(0, kCartReceived), cell(0, kCartPoints)};
  };
  EXPECT_EQ(figures(), (QStringList{"20", "16", "20"}));
  const QModelIndex type = cart->model()->index(0, kCartType);
  cart->setCurrentIndex(type);
  QTest::mouseDClick(cart->viewport(), Qt::LeftButton, {}, cart->visualRect(type).center());
  EXPECT_EQ(cell(0, kCartType), "退货");
  EXPECT_EQ(figures(), (QStringList{"-20", "-16", "-20"}));
  EXPECT_EQ(label("标签应收"), "-20");
  EXPECT_EQ(label("标签实收"), "-16");
  saveShot(*window, "counter-return.png");
  QTest::mouseDClick(cart->viewport(), Qt::LeftButton, {}, cart->visualRect(type).center());
  EXPECT_EQ(cell(0, kCartType), "售出");
  EXPECT_EQ(figures(), (QStringList{"20", "16", "20"}));
}

}  // namespace
}  // namespace cz
