#include "cashier/ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "cashier/sale_actions.h"
#include "core/ui/login_window.h"
#include "support/test_app.h"
#include "util/ui/grid_view.h"
#include "util/ui/list_view.h"
#include "util/ui/shadow_window.h"

namespace cz {
namespace {

class CountingSale : public SaleActions {
 public:
  void startNewOrder() override { calls.push_back("F1"); }
  void checkoutHotkey() override { calls.push_back("F4"); }
  std::vector<std::string> calls;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { test::startAndLogIn(app); }
  test::TempDir dir;
  test::TestApp app{dir.path()};
};

TEST_F(MainWindowTest, EveryControlIsARealWidgetByNameAtItsPlace) {
  MainWindow window(app.context);
  EXPECT_EQ(window.geometry(), QRect(50, 50, 1183, 707));
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(window.windowTitle().startsWith("晨舟收银系统"));
  EXPECT_GT(window.windowTitle().size(), QString("晨舟收银系统").size());

  enum Kind { Label, Edit, List, Grid, Combo, Button, Strip, Other };
  const struct {
    const char* name;
    Kind kind;
    QRect geometry;
    bool visible;
    bool enabled;
    const char* text;
  } controls[] = {
      {"标签1", Label, {296, 256, 80, 24}, false, true, ""},
      {"超级列表框2", List, {12, 408, 339, 253}, false, true, nullptr},
      {"透明积分", Label, {864, 640, 128, 24}, false, true, ""},
      {"超级收款", Button, {944, 621, 232, 80}, true, false, "收款（F4）"},
      {"标签应收1", Label, {735, 63, 58, 20}, true, true, "应收："},
      {"标签应收", Label, {800, 62, 195, 20}, true, true, ""},
      {"超级列表框1", List, {4, 375, 395, 253}, false, true, nullptr},
      {"组合框1", Combo, {578, 13, 112, 24}, true, true, nullptr},
      {"透明标签2", Label, {517, 13, 66, 24}, true, true, "付款方式："},
      {"标签总金额1", Label, {709, 6, 78, 49}, true, true, ""},
      {"标签实收", Label, {794, 13, 195, 35}, true, true, ""},
      {"标签订单号", Label, {303, 15, 153, 24}, true, true, ""},
      {"标签积分", Label, {582, 47, 68, 24}, true, true, ""},
      {"标签折扣率", Label, {449, 47, 60, 24}, true, true, ""},
      {"透明标签5", Label, {517, 47, 69, 24}, true, true, "剩余积分："},
      {"透明标签4", Label, {399, 47, 45, 24}, true, true, "折扣率："},
      {"透明标签3", Label, {248, 15, 50, 24}, true, true, "订单号："},
      {"标签会员", Label, {289, 47, 95, 24}, true, true, ""},
      {"透明标签1", Label, {249, 47, 41, 24}, true, true, "会员："},
      {"编辑框会员", Edit, {6, 43, 232, 32}, true, false, "请输入会员"},
      {"编辑框条码", Edit, {6, 8, 232, 32}, true, false, "请输入条码或商品"},
      {"图片框底", Label, {6, 621, 1012, 80}, true, true, ""},
      {"颜色选择器1", Other, {1175, 70, 16, 13}, false, true, nullptr},
      {"动画框1", Strip, {0, 0, 1200, 120}, true, true, nullptr},
      {"高级表格", Grid, {4, 121, 1172, 463}, true, false, nullptr},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.name);
    auto* w = window.findChild<QWidget*>(QString::fromUtf8(c.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), c.geometry);
    EXPECT_EQ(w->isVisibleTo(&window), c.visible);
    EXPECT_EQ(w->isEnabled(), c.enabled);
    switch (c.kind) {
      case Label:
        ASSERT_TRUE(qobject_cast<QLabel*>(w));
        EXPECT_EQ(qobject_cast<QLabel*>(w)->text(), QString::fromUtf8(c.text));
        break;
      case Edit:
        ASSERT_TRUE(qobject_cast<QLineEdit*>(w));
        EXPECT_EQ(qobject_cast<QLineEdit*>(w)->placeholderText(), QString::fromUtf8(c.text));
        break;
      case Button:
        ASSERT_TRUE(qobject_cast<QPushButton*>(w));
        EXPECT_EQ(qobject_cast<QPushButton*>(w)->text(), QString::fromUtf8(c.text));
        break;
      case List:
        EXPECT_TRUE(qobject_cast<ListView*>(w));
        break;
      case Grid:
        EXPECT_TRUE(qobject_cast<GridView*>(w));
        break;
      case Combo:
        EXPECT_TRUE(qobject_cast<QComboBox*>(w));
        break;
      case Strip:
        EXPECT_TRUE(qobject_cast<ToolbarStrip*>(w));
        break;
      case Other:
        break;
    }
  }
  auto* payment = window.findChild<QComboBox*>("组合框1");
  ASSERT_EQ(payment->count(), 4);
  EXPECT_EQ(payment->itemText(0), "现金支付");
  EXPECT_EQ(payment->itemText(3), "其他支付");

  // The views show the presenter's models: the grey cart with its fifteen columns, the goods
  // list with its inert header.
  auto* cart = window.findChild<GridView*>("高级表格");
  EXPECT_EQ(&cart->grid(), &window.presenter().saleArea().cart);
  EXPECT_EQ(cart->model()->columnCount(), 15);
  EXPECT_EQ(cart->palette().color(QPalette::Base), QColor(96, 96, 96));
  EXPECT_EQ(cart->toolTip(), "按Delete键可以删除商品");
  EXPECT_EQ(window.findChild<QLineEdit*>("编辑框会员")->toolTip(),
            "支持模糊搜索会员姓名、编号、电话哦");
  auto* goods = window.findChild<ListView*>("超级列表框1");
  EXPECT_EQ(&goods->list(), &window.presenter().saleArea().goodsChoices);
  EXPECT_FALSE(goods->header()->sectionsClickable());
  EXPECT_EQ(&window.findChild<ListView*>("超级列表框2")->list(),
            &window.presenter().saleArea().memberChoices);
}

TEST_F(MainWindowTest, ResizingLaysTheControlsOut) {
  MainWindow window(app.context);
  window.show();
  window.resize(1500, 800);
  const MainLayout& l = window.presenter().layout();
  EXPECT_EQ(window.findChild<QWidget*>("动画框1")->width(), 1500);
  EXPECT_EQ(window.presenter().item(ToolbarItemId::Close)->x, 1466);
  auto geometryOf = [&](const char* name) {
    return window.findChild<QWidget*>(QString::fromUtf8(name))->geometry();
  };
  EXPECT_EQ(geometryOf("超级收款"),
            QRect(l.checkout.x, l.checkout.y, l.checkout.width, l.checkout.height));
  EXPECT_EQ(geometryOf("超级收款"), QRect(1258, 710, 232, 80));
  EXPECT_EQ(geometryOf("高级表格"), QRect(4, 121, 1493, 584));
  EXPECT_EQ(geometryOf("图片框底").y(), 710);
  EXPECT_EQ(geometryOf("超级列表框1").y(), 465);
  EXPECT_EQ(geometryOf("超级列表框2").y(), 500);
  EXPECT_EQ(window.findChild<GridView*>("高级表格")->columnWidth(1), 183);

  // 最大化 fills the screen's work area; again, the normal size comes back centred.
  window.resize(1183, 707);
  const QRect area = window.screen()->availableGeometry();
  window.presenter().itemClicked(ToolbarItemId::Maximise);
  EXPECT_EQ(window.geometry(), area);
  EXPECT_EQ(window.presenter().layout().stripWidth, area.width());
  window.presenter().itemClicked(ToolbarItemId::Maximise);
  EXPECT_EQ(window.size(), QSize(1183, 707));
  EXPECT_EQ(window.geometry().center(), area.center());
}

TEST_F(MainWindowTest, F1AndF4ReachTheSaleAndTheToolbarReachesThePresenter) {
  MainWindow window(app.context);
  CountingSale sale;
  window.presenter().setSaleActions(&sale);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(&window, Qt::Key_F1);
  QTest::keyClick(window.findChild<QWidget*>("高级表格"), Qt::Key_F4);
  QApplication::processEvents();
  EXPECT_EQ(sale.calls, (std::vector<std::string>{"F1", "F4"}));

  auto* strip = window.findChild<ToolbarStrip*>("动画框1");
  const ToolbarItem* stock = window.presenter().item(ToolbarItemId::Stock);
  QTest::mouseMove(strip, QPoint(stock->x + 40, stock->y + 40));
  EXPECT_EQ(window.presenter().item(ToolbarItemId::HoverIndicator)->x, stock->x);
  QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(stock->x + 40, stock->y + 40));
  EXPECT_EQ(app.windows.calls.back(), "openStock");

  // Once the window is on its way out the keys are given back.
  window.aboutToBeDestroyed();
  QTest::keyClick(&window, Qt::Key_F1);
  QApplication::processEvents();
  EXPECT_EQ(sale.calls.size(), 2u);
}

TEST_F(MainWindowTest, AltF4AsksTheExitQuestionAndNoKeepsTheWindow) {
  MainWindow window(app.context);
  CountingSale sale;
  window.presenter().setSaleActions(&sale);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QString asked;
  QTimer::singleShot(0, [&] {
    // While the question is open F1 arrives; it must not start an order inside the question.
    QTest::keyClick(&window, Qt::Key_F1);
    QApplication::processEvents();
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    asked = box->text();
    box->button(QMessageBox::No)->click();
  });
  QCloseEvent close;
  QApplication::sendEvent(&window, &close);
  EXPECT_FALSE(close.isAccepted());
  EXPECT_EQ(asked, "确定要能出系统吗？");
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(sale.calls.empty());
  EXPECT_TRUE(app.windows.calls.empty() || app.windows.calls.back() != "destroyMain");
}

TEST_F(MainWindowTest, ColourItemThemesTheWindow) {
  MainWindow window(app.context);
  window.show();
  QTimer::singleShot(0, [] {
    auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    chooser->setCurrentColor(QColor(240, 240, 240));
    chooser->accept();
  });
  window.presenter().itemClicked(ToolbarItemId::Colour);
  window.render();
  const QColor grey(240, 240, 240);
  EXPECT_EQ(window.palette().color(QPalette::Window), grey);
  EXPECT_EQ(window.findChild<QWidget*>("图片框底")->palette().color(QPalette::Window), grey);
  EXPECT_EQ(window.findChild<QWidget*>("动画框1")->palette().color(QPalette::Window), grey);
}

TEST_F(MainWindowTest, ShadowFollowsTheWindowAndGoesWithIt) {
  auto* window = new MainWindow(app.context);
  ShadowWindow* shadow = shadowOf(window);
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->colour(), QColor(Qt::black));
  EXPECT_TRUE(shadow->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_TRUE(shadow->windowFlags() & Qt::WindowTransparentForInput);
  EXPECT_FALSE(shadow->isVisible());
  window->show();
  EXPECT_TRUE(shadow->isVisible());
  EXPECT_EQ(shadow->geometry(), QRect(45, 45, 1193, 717));
  window->move(200, 100);
  EXPECT_EQ(shadow->geometry().topLeft(), QPoint(195, 95));
  window->resize(1300, 720);
  EXPECT_EQ(shadow->geometry(), QRect(195, 95, 1310, 730));

  // The picture: rings of alpha 5 to 65 from the edge in, nothing inside.
  const QImage picture = shadow->picture();
  const int alphas[] = {5, 20, 35, 50, 65, 0};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(qAlpha(picture.pixel(i, i)), alphas[i]) << i;
    EXPECT_EQ(qAlpha(picture.pixel(1309 - i, 600)), alphas[i]) << i;
    EXPECT_EQ(qAlpha(picture.pixel(600, 729 - i)), alphas[i]) << i;
  }
  EXPECT_EQ(qRed(picture.pixel(4, 4)), 0);

  // Applying again keeps the one shadow.
  EXPECT_EQ(applyShadow(window, Qt::black), shadow);
  EXPECT_EQ(window->findChildren<ShadowWindow*>().size(), 1);

  window->hide();
  EXPECT_FALSE(shadow->isVisible());
  QPointer<ShadowWindow> gone(shadow);
  window->aboutToBeDestroyed();
  delete window;
  EXPECT_TRUE(gone.isNull());
}

TEST_F(MainWindowTest, LoginWindowIsTranslucentWithAShadow) {
  test::TempDir other;
  test::TestApp fresh(other.path());
  LoginWindow login(fresh.context);
  EXPECT_NEAR(login.windowOpacity(), 240.0 / 255.0, 0.005);
  ShadowWindow* shadow = shadowOf(&login);
  ASSERT_NE(shadow, nullptr);
  login.show();
  EXPECT_EQ(shadow->geometry(), QRect(45, 45, 692, 441));
  login.move(-5000, 50);
  EXPECT_EQ(shadow->geometry().topLeft(), QPoint(-5005, 45));
}

}  // namespace
}  // namespace cz
