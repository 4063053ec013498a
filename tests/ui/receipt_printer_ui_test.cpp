// The receipt printer through the real windows, offscreen: a sale with 方式=ESCPOS puts its
// receipt (and the drawer pulse) on a loopback printer's port; Ctrl+P and F9 in the main window;
// the printing page's controls; 重打小票 in 销售详情.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "admin/ui/settings_window.h"
#include "admin/ui/switch_button.h"
#include "app/qt_windows.h"
#include "cashier/ui/main_window.h"
#include "core/app_context.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/ui/login_window.h"
#include "history/ui/order_detail_window.h"
#include "printing/escpos.h"
#include "printing/print_spooler.h"
#include "printing/receipt.h"
#include "storage/database.h"
#include "support/fakes.h"
#include "support/loopback_printer.h"
#include "support/test_app.h"
#include "ui/window_probe.h"
#include "util/ini_file.h"
#include "util/list_model.h"
#include "util/ui/qt_ui_queue.h"

namespace cz {
namespace {

using Texts = std::vector<std::string>;
using test::LoopbackPrinter;

const std::string kStatus(escpos::kPaperStatusRequest);

template <typename T>
T* named(QWidget* window, const char* name) {
  T* found = window->findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// Answers every message box as a user would (是, else 确定) and keeps their texts.
class BoxClicker {
 public:
  BoxClicker() {
    m_timer.setInterval(10);
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
  // Runs the event loop until `count` boxes were answered or `ms` passed.
  bool waitForBoxes(size_t count, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (seen.size() < count && timer.elapsed() < ms) QTest::qWait(5);
    return seen.size() >= count;
  }
  Texts seen;

 private:
  QTimer m_timer;
};

// Runs the event loop until the printer has `count` jobs.
bool waitForJobs(LoopbackPrinter& printer, size_t count) {
  QElapsedTimer timer;
  timer.start();
  while (printer.jobs().size() < count && timer.elapsed() < 5000) QTest::qWait(5);
  return printer.jobs().size() >= count;
}

// The program as main() builds it, with its print spooler, on a temp directory.
struct RealApp {
  explicit RealApp(const std::filesystem::path& dir)
      : context{db,      session, log,          clock,
                windows, ui,      dir.string(), (dir / "config-home" / "配置.ini").string(),
                &spooler} {
    windows.setContext(&context);
  }
  Database db;
  Session session;
  ListModel logList;
  test::FixedClock clock;
  OperationLog log{db, session, clock, logList};
  QtUiQueue ui;
  PrintSpooler spooler{ui};
  QtWindows windows{logList};
  AppContext context;
};

MainWindow* visibleMainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* main = qobject_cast<MainWindow*>(w); main && main->isVisible()) return main;
  }
  return nullptr;
}

TEST(ReceiptPrinterUi, ASaleThroughTheWindowsPrintsOnTheNetworkPrinterAndOpensTheDrawer) {
  LoopbackPrinter printer;
  test::TempDir dir;
  IniFile settings((dir.path() / "配置.ini").string());
  ASSERT_TRUE(settings.write("打印机", "票头", "晨舟小店"));
  ASSERT_TRUE(settings.write("打印机", "方式", "ESCPOS"));
  ASSERT_TRUE(settings.write("打印机", "设备", printer.device()));
  ASSERT_TRUE(settings.write("打印机", "钱箱", "真"));

  RealApp app(dir.path());
  auto* login = new LoginWindow(app.context);
  app.windows.setLoginWindow(login);
  login->created();
  login->show();
  ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,3.5,10,'0','真')"));

  BoxClicker clicker;
  auto* account = named<QLineEdit>(login, "编辑框账号");
  ASSERT_TRUE(account);
  QTest::keyClicks(account, "admin");
  QTest::mouseClick(named<QLabel>(login, "标签登陆"), Qt::LeftButton);
  MainWindow* main = visibleMainWindow();
  ASSERT_NE(main, nullptr);
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  auto* barcode = named<QLineEdit>(main, "编辑框条码");
  auto* cart = named<QWidget>(main, "高级表格");
  ASSERT_TRUE(barcode && cart);

  QTest::keyClick(main, Qt::Key_F1);
  QApplication::processEvents();  // hotkeys arrive from the event loop
  barcode->setFocus();
  QTest::keyClicks(barcode, "6901");
  QTest::keyClick(barcode, Qt::Key_Return);
  cart->setFocus();
  QTest::keyClick(cart, Qt::Key_F4);
  QApplication::processEvents();
  ASSERT_TRUE(waitForJobs(printer, 2)) << clicker.seen.size();
  EXPECT_EQ(clicker.seen, (Texts{"确定提交订单吗？", "提交订单完毕"}));

  // The receipt of the stored order after the paper question, then the pulse as its own job.
  std::string error;
  const auto stored = readStoredSale(app.db, app.session.lastSaleRowid, error);
  ASSERT_TRUE(stored) << error;
  Receipt receipt = receiptFromStoredSale(*stored, app.session.settings);
  receipt.reprint = false;
  EXPECT_EQ(printer.jobs()[0], kStatus + escPosReceipt(receipt, 58, false));
  EXPECT_EQ(printer.jobs()[1], escPosDrawerPulse());

  // Ctrl+P prints it again, F9 opens the drawer with no sale: keys of the active main window.
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  QTest::keyClick(main, Qt::Key_P, Qt::ControlModifier);
  ASSERT_TRUE(waitForJobs(printer, 3));
  receipt.reprint = true;
  EXPECT_EQ(printer.jobs()[2], kStatus + escPosReceipt(receipt, 58, false));
  QTest::keyClick(main, Qt::Key_F9);
  ASSERT_TRUE(waitForJobs(printer, 4));
  EXPECT_EQ(printer.jobs()[3], escPosDrawerPulse());
  QTest::qWait(50);
  EXPECT_EQ(clicker.seen.size(), 2u);  // every job went out: no failure to report
  EXPECT_EQ(app.logList.text(app.logList.itemCount() - 1, LogText), "[admin]无销售打开钱箱");
}

// Geometry within the tab control, where the page controls are placed.
QRect onTabs(QWidget& window, QWidget* control) {
  QWidget* tabs = window.findChild<QWidget*>("高级选择夹1");
  return QRect(control->mapTo(tabs, QPoint(0, 0)), control->size());
}

// Runs the event loop and the TestApp's UI queue until `done` holds or five seconds pass.
template <typename Done>
bool runUntil(test::TestApp& app, Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 5000) {
    app.ui.drain();
    QTest::qWait(5);
  }
  return done();
}

TEST(ReceiptPrinterUi, PrintingPageHasTheReceiptPrinterControls) {
  LoopbackPrinter printer;
  test::TempDir dir;
  test::TestApp app(dir.path());
  test::startAndLogIn(app);
  SettingsWindow window(app.context);
  window.created();
  window.show();
  auto* method = named<QComboBox>(&window, "组合框方式");
  auto* paper = named<QComboBox>(&window, "组合框纸宽");
  auto* drawer = named<SwitchButton>(&window, "图形钱箱");
  auto* device = named<QLineEdit>(&window, "编辑框设备");
  auto* testPage = named<QPushButton>(&window, "超级测试页");
  auto* openDrawer = named<QPushButton>(&window, "超级钱箱");
  ASSERT_TRUE(method && paper && drawer && device && testPage && openDrawer);
  // Below the controls that were there, clear of 超级保存.
  for (QWidget* w :
       std::initializer_list<QWidget*>{method, paper, drawer, device, testPage, openDrawer}) {
    const QRect r = onTabs(window, w);
    EXPECT_GE(r.top(), 240) << w->objectName().toStdString();
    EXPECT_LE(r.right(), 531) << w->objectName().toStdString();
    EXPECT_LE(r.bottom(), 365) << w->objectName().toStdString();
    EXPECT_FALSE(r.intersects(QRect(446, 329, 89, 38))) << w->objectName().toStdString();
  }
  saveShot(window, "settings_printing.png");
  EXPECT_EQ(method->currentText(), "系统");
  EXPECT_EQ(paper->currentText(), "58毫米");
  EXPECT_FALSE(drawer->isChecked());

  method->setCurrentIndex(1);
  paper->setCurrentIndex(1);
  QTest::keyClicks(device, QString::fromStdString(printer.device()));
  EXPECT_EQ(window.presenter().printMethod(), PrintMethod::EscPos);
  EXPECT_EQ(window.presenter().paperWidth(), 80);
  EXPECT_EQ(window.presenter().device(), printer.device());
  QTest::mouseClick(drawer, Qt::LeftButton);
  EXPECT_EQ(IniFile(app.session.settingsFilePath()).read("打印机", "钱箱"), "真");

  BoxClicker clicker;
  QTest::mouseClick(testPage, Qt::LeftButton);
  ASSERT_TRUE(runUntil(app, [&] { return !clicker.seen.empty(); }));
  EXPECT_EQ(clicker.seen, (Texts{"打印成功"}));
  ASSERT_TRUE(waitForJobs(printer, 1));
  EXPECT_NE(printer.jobs()[0].find("123456789012345678901234567890123456789012345678\n"),
            std::string::npos);
  QTest::mouseClick(openDrawer, Qt::LeftButton);
  ASSERT_TRUE(waitForJobs(printer, 2));
  EXPECT_EQ(printer.jobs()[1], escPosDrawerPulse());
}

TEST(ReceiptPrinterUi, SaleDetailReprintsItsOrder) {
  const std::string kDetails =
      R"({"详情页":[{"商品名称":"可乐","条码":"6901","规格":"瓶","单价":"3.5","数量":"2",)"
      R"("总价":"7","折扣":"10","实收":"7","参与积分":"真","进货价":"2","剩余库存":"8",)"
      R"("最低折扣":"0","获得积分":"7"}]})";
  LoopbackPrinter printer;
  test::TempDir dir;
  test::TestApp app(dir.path());
  test::startAndLogIn(app);
  app.session.settings.printer.method = PrintMethod::EscPos;
  app.session.settings.printer.device = printer.device();
  ASSERT_TRUE(app.db.execute(
      "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
      "values('SX1','1634198805','-','',?,'7','7','0','现金支付','admin')",
      {kDetails}));
  const std::int64_t rowid = app.db.lastInsertRowId();

  OrderDetailWindow purchase(OrderKind::Purchase, nullptr, &app.context);
  EXPECT_EQ(purchase.findChild<QPushButton*>("超级重打"), nullptr);
  OrderDetailWindow window(OrderKind::Sale, nullptr, &app.context);
  window.fill(
      {"1", "SX1", "2021-10-14 16:06:45", "-", "", kDetails, "7", "7", "0", "现金支付", "admin"},
      rowid);
  window.show();
  auto* reprint = named<QPushButton>(&window, "超级重打");
  ASSERT_TRUE(reprint);
  EXPECT_EQ(reprint->text(), "重打小票");
  EXPECT_TRUE(window.rect().contains(reprint->geometry()));
  saveShot(window, "sale_detail.png");
  QTest::mouseClick(reprint, Qt::LeftButton);
  ASSERT_TRUE(waitForJobs(printer, 1));
  std::string error;
  const auto stored = readStoredSale(app.db, rowid, error);
  ASSERT_TRUE(stored);
  EXPECT_EQ(
      printer.jobs()[0],
      kStatus + escPosReceipt(receiptFromStoredSale(*stored, app.session.settings), 58, false));
  // A detail without the program's context (as before) has no button.
  OrderDetailWindow bare(OrderKind::Sale);
  EXPECT_EQ(bare.findChild<QPushButton*>("超级重打"), nullptr);
}

}  // namespace
}  // namespace cz
