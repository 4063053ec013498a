// A weighed goods sold from a scale label, and a low-stock warning, through the real windows:
// the login window and the main window as QtWindows makes them, offscreen, with real boxes
// answered by a clicker.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/qt_windows.h"
#include "cashier/ui/main_window.h"
#include "core/app_context.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/ui/login_window.h"
#include "storage/database.h"
#include "support/fakes.h"
#include "support/test_app.h"
#include "util/ini_file.h"
#include "util/list_model.h"
#include "util/ui/grid_view.h"
#include "util/ui/qt_ui_queue.h"

namespace cz {
namespace {

struct WeighedApp {
  explicit WeighedApp(const std::filesystem::path& dir)
      : context{db,      session, log,          clock,
                windows, ui,      dir.string(), (dir / "config-home" / "配置.ini").string()} {
    windows.setContext(&context);
  }
  Database db;
  Session session;
  ListModel logList;
  test::FixedClock clock;
  OperationLog log{db, session, clock, logList};
  QtWindows windows{logList};
  QtUiQueue ui;
  AppContext context;
};

// Answers every message box as a user would (是, else 确定) and keeps the texts in order.
class Clicker {
 public:
  Clicker() {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      seen.push_back(box->text().toStdString());
      QAbstractButton* button = box->button(QMessageBox::Yes);
      if (!button) button = box->button(QMessageBox::Ok);
      if (button) button->click();
    });
    m_timer.start();
  }
  std::vector<std::string> seen;

 private:
  QTimer m_timer;
};

template <typename T>
T* named(QWidget* window, const char* name) {
  T* found = window->findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

TEST(WeighedSaleWindows, AScaleLabelSellsByWeightAndALowGoodsIsNamedInTheBottomBar) {
  test::TempDir dir;
  IniFile settings((dir.path() / "配置.ini").string());
  ASSERT_TRUE(settings.write("称重", "启用", "真"));
  ASSERT_TRUE(settings.write("打印机", "打印", "假"));

  WeighedApp app(dir.path());
  auto* login = new LoginWindow(app.context);
  app.windows.setLoginWindow(login);
  login->created();
  login->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(login));
  // 苹果 at 20 per kg, 10 kg, weighed; 梨 with a warning level of 5 and 6 in stock.
  ASSERT_TRUE(app.db.execute("insert into 库存 values('苹果','00042','','',10,20,10,'0','真')"));
  ASSERT_TRUE(app.db.execute("insert into 库存 values('梨','6903','','',1,2,6,'0','真')"));
  ASSERT_TRUE(app.db.execute("insert into 商品属性 values('00042','真',NULL)"));
  ASSERT_TRUE(app.db.execute("insert into 商品属性 values('6903','假','5')"));

  Clicker clicker;
  auto* account = named<QLineEdit>(login, "编辑框账号");
  ASSERT_TRUE(account);
  account->setFocus();
  QTest::keyClicks(account, "admin");
  QTest::mouseClick(named<QLabel>(login, "标签登陆"), Qt::LeftButton);
  ASSERT_EQ(app.session.currentAccount, "admin");

  MainWindow* main = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* m = qobject_cast<MainWindow*>(w); m && m->isVisible()) main = m;
  }
  ASSERT_NE(main, nullptr);
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  auto* barcode = named<QLineEdit>(main, "编辑框条码");
  auto* cart = named<GridView>(main, "高级表格");
  auto* warning = named<QLabel>(main, "标签库存预警");
  ASSERT_TRUE(barcode && cart && warning);
  const auto cellText = [&](int row, int col) {
    return cart->model()->index(row, col).data().toString().toStdString();
  };
  const auto scan = [&](const char* text) {
    QApplication::processEvents();
    ASSERT_TRUE(barcode->isEnabled());
    barcode->setFocus();
    barcode->clear();
    QTest::keyClicks(barcode, text);
    QTest::keyClick(barcode, Qt::Key_Return);
  };
  const auto checkout = [&] {
    cart->setFocus();
    QTest::keyClick(cart, Qt::Key_F4);
    QApplication::processEvents();
  };
  const auto stockOf = [&](const char* code) {
    RecordSet set(app.db);
    EXPECT_TRUE(set.open("select 当前库存 from 库存 where 条码=?", {code}));
    return set.next() ? set.field(1) : std::string("?");
  };

  QTest::keyClick(main, Qt::Key_F1);
  QApplication::processEvents();
  // 21 00042 01234 00617 5: amount 12.34, weight 0.617 kg.
  scan("210004201234006175");
  ASSERT_EQ(cart->model()->rowCount(), 1);
  EXPECT_EQ(cellText(0, 1), "苹果");
  EXPECT_EQ(cellText(0, 6), "0.617");  // 数量
  EXPECT_EQ(cellText(0, 7), "12.3");   // 总价
  checkout();
  EXPECT_EQ(clicker.seen, (std::vector<std::string>{"确定提交订单吗？", "提交订单完毕"}));
  EXPECT_EQ(stockOf("00042"), "9.383");
  EXPECT_TRUE(warning->text().isEmpty());

  clicker.seen.clear();
  // The closing box gave the focus back; the next order opens from the main window.
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  barcode->setFocus();
  QTest::keyClick(barcode, Qt::Key_F1);
  QApplication::processEvents();
  scan("6903");
  scan("6903");
  checkout();
  EXPECT_EQ(stockOf("6903"), "4");
  // No box beyond the checkout's own: the warning is in the bottom bar.
  EXPECT_EQ(clicker.seen, (std::vector<std::string>{"确定提交订单吗？", "提交订单完毕"}));
  EXPECT_EQ(warning->text().toStdString(), "库存预警：[梨]剩余4");
  EXPECT_TRUE(warning->isVisible());
  main->grab().save("/tmp/weighed_sale_warning.png");
}

}  // namespace
}  // namespace cz
