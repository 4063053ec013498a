// One sale through the real program's windows, offscreen: the login window and the main window
// as QtWindows makes them, real message boxes answered by a clicker, F1 and F4 as key presses, and
// the receipt printed into a PDF file whose text is read back.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cctype>
#include <map>

#include "app/qt_windows.h"
#include "cashier/sale_area.h"
#include "cashier/ui/main_window.h"
#include "cashier/ui/sale_view.h"
#include "core/app_context.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/ui/login_window.h"
#include "history/ui/shift_report_window.h"
#include "printing/ui/qt_printer.h"
#include "reports/ui/sales_report_window.h"
#include "storage/database.h"
#include "support/fakes.h"
#include "support/test_app.h"
#include "util/ini_file.h"
#include "util/json_document.h"
#include "util/list_model.h"
#include "util/ui/grid_view.h"
#include "util/ui/qt_ui_queue.h"

namespace cz {
namespace {

// The process main() builds, on a temp directory and a fixed clock, with the real windows.
struct RealApp {
  explicit RealApp(const std::filesystem::path& dir)
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

// Answers every message box that opens, as a user would: 是 to a question, 确定 to a message.
// Keeps the texts it saw, in order.
class BoxClicker {
 public:
  BoxClicker() {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      seen.push_back(box->text().toStdString());
      QAbstractButton* button = box->button(QMessageBox::Yes);
      if (!button) button = box->button(QMessageBox::Ok);
      ASSERT_NE(button, nullptr) << seen.back();
      button->click();
    });
    m_timer.start();
  }
  std::vector<std::string> seen;

 private:
  QTimer m_timer;
};

// The text a Qt-written PDF draws, in drawing order: the content streams' glyph codes mapped
// back to characters through each font's ToUnicode map. Line breaks and positions are not kept.
QString pdfText(const QByteArray& pdf) {
  // Every stream of the file by the number of the object that holds it, inflated where needed.
  std::map<int, QByteArray> streams;
  std::map<int, QByteArray> dictionaries;
  for (qsizetype at = 0; (at = pdf.indexOf(" 0 obj", at)) >= 0;) {
    qsizetype numberStart = at;
    while (numberStart > 0 && std::isdigit(static_cast<unsigned char>(pdf[numberStart - 1])))
      --numberStart;
    const int number = pdf.mid(numberStart, at - numberStart).toInt();
    const qsizetype start = at + 6;
    qsizetype end = pdf.indexOf("endobj", start);
    const qsizetype streamAt = pdf.indexOf("stream", start);
    if (end < 0) break;
    if (streamAt < 0 || streamAt > end) {
      dictionaries[number] = pdf.mid(start, end - start);
      at = end;
      continue;
    }
    dictionaries[number] = pdf.mid(start, streamAt - start);
    qsizetype dataStart = streamAt + 6;
    if (pdf[dataStart] == '\r') ++dataStart;
    if (pdf[dataStart] == '\n') ++dataStart;
    const qsizetype dataEnd = pdf.indexOf("endstream", dataStart);
    QByteArray data = pdf.mid(dataStart, dataEnd - dataStart);
    if (dictionaries[number].contains("/FlateDecode")) {
      // qUncompress wants the expected size in front; it grows the buffer when that is short.
      QByteArray sized(4, '\0');
      sized[1] = 0x10;  // 1 MiB
      data = qUncompress(sized + data);
    }
    streams[number] = data;
    at = pdf.indexOf("endobj", dataEnd);
    if (at < 0) break;
  }
  // Font resource names ("/F12") to code → text maps from their ToUnicode streams.
  std::map<QByteArray, std::map<uint, QString>> fonts;
  static const QRegularExpression toUnicode(R"(/ToUnicode (\d+) 0 R)");
  static const QRegularExpression bfchar(R"(<([0-9A-Fa-f]+)>\s*<([0-9A-Fa-f]+)>)");
  for (const auto& [number, dictionary] : dictionaries) {
    const auto match = toUnicode.match(QString::fromLatin1(dictionary));
    if (!match.hasMatch()) continue;
    const QString cmap = QString::fromLatin1(streams[match.captured(1).toInt()]);
    auto& codes = fonts["/F" + QByteArray::number(number)];
    // bfchar pairs; Qt writes bfrange entries as "<lo> <hi> [<u1> <u2> …]".
    static const QRegularExpression range(R"(<([0-9A-Fa-f]+)>\s*<([0-9A-Fa-f]+)>\s*\[([^\]]*)\])");
    QString rest = cmap;
    for (auto r = range.globalMatch(cmap); r.hasNext();) {
      const auto m = r.next();
      uint code = m.captured(1).toUInt(nullptr, 16);
      static const QRegularExpression hex("<([0-9A-Fa-f]+)>");
      for (auto h = hex.globalMatch(m.captured(3)); h.hasNext(); ++code) {
        const QString units = h.next().captured(1);
        QString text;
        for (int i = 0; i + 4 <= units.size(); i += 4)
          text += QChar(units.mid(i, 4).toUShort(nullptr, 16));
        codes[code] = text;
      }
      rest.replace(m.captured(0), "");
    }
    for (auto c = bfchar.globalMatch(rest); c.hasNext();) {
      const auto m = c.next();
      QString text;
      const QString units = m.captured(2);
      for (int i = 0; i + 4 <= units.size(); i += 4)
        text += QChar(units.mid(i, 4).toUShort(nullptr, 16));
      codes[m.captured(1).toUInt(nullptr, 16)] = text;
    }
  }
  // Content streams: "/Fn size Tf" picks the font, "<hex> Tj" draws glyph codes of two bytes.
  QString text;
  static const QRegularExpression op(R"((/F\d+) [-\d.]+ Tf|<([0-9A-Fa-f]*)> ?Tj)");
  for (const auto& [number, data] : streams) {
    if (!data.contains(" Tf")) continue;
    // A synthesised bold face is drawn twice; the second drawing is marked as having no text.
    static const QRegularExpression noText(R"(/ActualText\s*<>\s*>>\s*BDC.*?EMC)",
                                           QRegularExpression::DotMatchesEverythingOption);
    const QString content = QString::fromLatin1(data).remove(noText);
    QByteArray font;
    for (auto it = op.globalMatch(content); it.hasNext();) {
      const auto m = it.next();
      if (!m.captured(1).isEmpty()) {
        font = m.captured(1).toLatin1();
        continue;
      }
      const QString hex = m.captured(2);
      for (int i = 0; i + 4 <= hex.size(); i += 4)
        text += fonts[font][hex.mid(i, 4).toUInt(nullptr, 16)];
    }
  }
  return text;
}

QString withoutBreaks(const std::string& text) {
  return QString::fromStdString(text).remove("\r\n");
}

// Types as the user does: ASCII by keys, Chinese through the input method's commit.
void type(QWidget* box, const QString& text) {
  bool ascii = true;
  for (QChar c : text) ascii = ascii && c.unicode() < 0x80;
  if (ascii) {
    QTest::keyClicks(box, text);
    return;
  }
  QInputMethodEvent commit;
  commit.setCommitString(text);
  QApplication::sendEvent(box, &commit);
}

template <typename T>
T* named(QWidget* window, const char* name) {
  T* found = window->findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

MainWindow* openMainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* main = qobject_cast<MainWindow*>(w); main && main->isVisible()) return main;
  }
  return nullptr;
}

TEST(EndToEnd, LogInScanTwoGoodsAttachAMemberAndCheckOutWithAPrintedReceipt) {
  test::TempDir dir;
  // The settings file the shop left: a header, and a footer of two lines ("&" in the file).
  IniFile settings((dir.path() / "配置.ini").string());
  ASSERT_TRUE(settings.write("打印机", "票头", "晨舟小店"));
  ASSERT_TRUE(settings.write("打印机", "票尾", "谢谢惠顾&欢迎再来"));

  RealApp app(dir.path());
  auto* login = new LoginWindow(app.context);
  app.windows.setLoginWindow(login);
  login->created();
  login->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(login));
  ASSERT_TRUE(QFile::exists(QString::fromStdString((dir.path() / "data.db").string())));

  // Goods and a member, as earlier work of the shop left them.
  ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,3.5,10,'0','真')"));
  ASSERT_TRUE(app.db.execute("insert into 库存 values('面包','6902','袋','',6,10,5,'9','假')"));
  ASSERT_TRUE(
      app.db.execute("insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) "
                     "values('张三','13800000001','',8,100,'admin')"));

  BoxClicker clicker;
  auto* account = named<QLineEdit>(login, "编辑框账号");
  ASSERT_TRUE(account);
  account->setFocus();
  QTest::keyClicks(account, "admin");
  QTest::mouseClick(named<QLabel>(login, "标签登陆"), Qt::LeftButton);
  EXPECT_EQ(app.session.currentAccount, "admin");
  EXPECT_LT(login->x(), -1000);  // moved off screen, kept for the shift change

  MainWindow* main = openMainWindow();
  ASSERT_NE(main, nullptr);
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  auto* saleView = main->findChild<SaleView*>();
  ASSERT_NE(saleView, nullptr);
  const QString pdf = QString::fromStdString((dir.path() / "receipt.pdf").string());
  saleView->printer().setOutputFile(pdf);
  auto* barcode = named<QLineEdit>(main, "编辑框条码");
  auto* member = named<QLineEdit>(main, "编辑框会员");
  auto* checkout = named<QPushButton>(main, "超级收款");
  auto* cart = named<GridView>(main, "高级表格");
  auto label = [&](const char* name) { return named<QLabel>(main, name)->text().toStdString(); };
  ASSERT_TRUE(barcode && member && checkout && cart);
  EXPECT_FALSE(barcode->isEnabled());

  // F1 opens an order: the inputs come alive, the number is the clock's.
  QTest::keyClick(main, Qt::Key_F1);
  QApplication::processEvents();
  EXPECT_TRUE(barcode->isEnabled());
  EXPECT_TRUE(checkout->isEnabled());
  const std::string number = label("标签订单号");
  EXPECT_EQ(number.rfind("SX20261210", 0), 0u) << number;

  // Two goods: 可乐 scanned twice by barcode, 面包 typed by name.
  barcode->setFocus();
  for (const char* scan : {"6901", "6901", "面包"}) {
    type(barcode, QString::fromUtf8(scan));
    QTest::keyClick(barcode, Qt::Key_Return);
    EXPECT_EQ(barcode->text(), "");
  }
  ASSERT_EQ(cart->model()->rowCount(), 2);
  EXPECT_EQ(cart->model()->index(0, 6).data().toString(), "2");
  EXPECT_EQ(label("标签应收"), "17");

  // The member by name: 8 for 可乐; 面包 cannot go below its minimum of 9. Points follow the
  // line totals as the goods went in; repricing leaves them.
  member->setFocus();
  type(member, QString::fromUtf8("张三"));
  QTest::keyClick(member, Qt::Key_Return);
  EXPECT_EQ(label("标签会员"), "张三");
  EXPECT_EQ(label("标签积分"), "100");
  EXPECT_EQ(cart->model()->index(0, 9).data().toString(), "5.6");
  EXPECT_EQ(cart->model()->index(1, 9).data().toString(), "9");
  EXPECT_EQ(label("标签应收"), "17");
  EXPECT_EQ(label("标签实收"), "14.6");
  EXPECT_EQ(label("透明积分"), "7");
  EXPECT_TRUE(clicker.seen.empty()) << clicker.seen.front();

  // F4 from the cart: the question and the closing message are real boxes, answered by clicks.
  cart->setFocus();
  QTest::keyClick(cart, Qt::Key_F4);
  QApplication::processEvents();
  EXPECT_EQ(clicker.seen, (std::vector<std::string>{"确定提交订单吗？", "提交订单完毕"}));
  EXPECT_FALSE(barcode->isEnabled());
  EXPECT_FALSE(member->isEnabled());
  EXPECT_FALSE(checkout->isEnabled());

  // The stored order, stock and points.
  RecordSet row(app.db);
  ASSERT_TRUE(
      row.open("select 订单号,客户,客户编号,总应收,总实收,积分,付款方式,制单人,订单详情 "
               "from 销售"));
  ASSERT_TRUE(row.next());
  EXPECT_EQ(row.field("订单号"), number);
  EXPECT_EQ(row.field("客户"), "张三");
  EXPECT_EQ(row.field("客户编号"), "1");
  EXPECT_EQ(row.field("总应收"), "17");
  EXPECT_EQ(row.field("总实收"), "14.6");
  EXPECT_EQ(row.field("积分"), "7");
  EXPECT_EQ(row.field("付款方式"), "现金支付");
  EXPECT_EQ(row.field("制单人"), "admin");
  const std::string details = row.field("订单详情");
  EXPECT_FALSE(row.next());
  JsonDocument document;
  ASSERT_TRUE(document.parse(details)) << details;
  EXPECT_EQ(document.arrayCount("详情页"), 2);
  EXPECT_EQ(document.getText("详情页[0].商品名称"), "可乐");
  EXPECT_EQ(document.getText("详情页[0].实收"), "5.6");
  EXPECT_EQ(document.getText("详情页[1].商品名称"), "面包");
  EXPECT_EQ(document.getText("详情页[1].折扣"), "9");

  auto stockOf = [&](const char* code) {
    RecordSet set(app.db);
    EXPECT_TRUE(set.open("select 当前库存 from 库存 where 条码=?", {code}));
    return set.next() ? set.field(1) : std::string("?");
  };
  EXPECT_EQ(stockOf("6901"), "8");
  EXPECT_EQ(stockOf("6902"), "4");
  RecordSet points(app.db);
  ASSERT_TRUE(points.open("select 积分 from 会员 where 编号=1"));
  ASSERT_TRUE(points.next());
  EXPECT_EQ(points.field(1), "107");

  // The log: login, the two stock changes in line order, the points, the order.
  std::vector<std::string> entries;
  RecordSet log(app.db);
  ASSERT_TRUE(log.open("select 日志 from 日志 order by rowid"));
  while (log.next()) entries.push_back(log.field(1));
  const std::vector<std::string> expected = {
      "[admin]成功登录了系统",
      "减少商品：[可乐][6901]库存数量：2",
      "减少商品：[面包][6902]库存数量：1",
      "更新用户积分，[1]增加积分：7",
  };
  ASSERT_GE(entries.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::string>(entries.end() - 5, entries.end() - 1), expected);
  EXPECT_EQ(entries.back().rfind("创建销售单。\r\n订单号：" + number + "\r\n客户：张三\r\n", 0), 0u)
      << entries.back();

  // The receipt, read back from the PDF: header, title, two lines per goods, totals, footer.
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  // The font maps its space glyph back to a tab, the first character that shares it.
  const QString printed = pdfText(file.readAll()).replace('\t', ' ');
  const std::string body =
      "可乐\r\n6901  3.5*2=5.6\r\n面包\r\n6902  10*1=9\r\n\r\n"
      "=============================\r\n应收：17元\r\n优惠：2.4元\r\n实收：14.6元\r\n"
      "付款方式：现金支付\r\n获得积分：7\r\n=============================\r\n"
      "谢谢惠顾\r\n欢迎再来";
  const std::string title = "NO." + number +
                            "\r\n2026-12-10 09:05:03\r\n"
                            "=============================\r\n商品/条码     单价 数量 小计\r\n"
                            "-----------------------------\r\n";
  EXPECT_EQ(printed.toStdString(), withoutBreaks("晨舟小店\r\n" + title + body).toStdString());

  // Leaving through the exit question ends with the windows gone.
  QCloseEvent close;
  QApplication::sendEvent(main, &close);
  QApplication::processEvents();
  EXPECT_EQ(clicker.seen.back(), "确定要能出系统吗？");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(openMainWindow(), nullptr);
}

// A cash sale, a 微信支付 sale and a return, then 交班 → 是: the close window shows the sums and
// the difference, 确定 stores the close and brings the login window back, and the next login's
// report is empty.
TEST(EndToEnd, ThreeSalesThenTheShiftCloseAndAnEmptyNextShift) {
  test::TempDir dir;
  RealApp app(dir.path());
  app.clock.set({2026, 12, 10, 9, 0, 0});
  auto* login = new LoginWindow(app.context);
  app.windows.setLoginWindow(login);
  login->created();
  login->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(login));
  app.session.settings.printingEnabled = false;
  ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,3.5,10,'0','真')"));

  BoxClicker clicker;
  auto logIn = [&] {
    auto* account = named<QLineEdit>(login, "编辑框账号");
    account->setFocus();
    account->selectAll();
    QTest::keyClicks(account, "admin");
    QTest::mouseClick(named<QLabel>(login, "标签登陆"), Qt::LeftButton);
    MainWindow* main = openMainWindow();
    EXPECT_NE(main, nullptr);
    if (main) {
      main->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(main));
    }
    return main;
  };
  MainWindow* main = logIn();
  ASSERT_NE(main, nullptr);
  auto* barcode = named<QLineEdit>(main, "编辑框条码");
  auto* payment = named<QComboBox>(main, "组合框1");
  auto* saleView = main->findChild<SaleView*>();
  ASSERT_TRUE(barcode && payment && saleView);
  // Three orders: 2 可乐 in cash, 1 by 微信支付, 1 returned in cash.
  const struct {
    int count;
    const char* payment;
    bool giveBack;
  } orders[] = {{2, "现金支付", false}, {1, "微信支付", false}, {1, "现金支付", true}};
  auto* checkout = named<QPushButton>(main, "超级收款");
  for (const auto& order : orders) {
    main->presenter().itemClicked(ToolbarItemId::NewOrder);
    QApplication::processEvents();
    ASSERT_TRUE(barcode->isEnabled());
    payment->setCurrentText(QString::fromUtf8(order.payment));
    barcode->setFocus();
    for (int i = 0; i < order.count; ++i) {
      type(barcode, "6901");
      QTest::keyClick(barcode, Qt::Key_Return);
    }
    if (order.giveBack) {
      SaleArea& area = main->presenter().saleArea();
      area.cart.setCurrentCell(1, 4);
      saleView->presenter().cursorMoved();
      saleView->presenter().cartDoubleClicked();
    }
    QTest::mouseClick(checkout, Qt::LeftButton);
    QApplication::processEvents();
    app.clock.advanceSeconds(60);
  }
  RecordSet count(app.db);
  ASSERT_TRUE(count.open("select count(*) from 销售"));
  ASSERT_TRUE(count.next());
  ASSERT_EQ(count.field(1), "3");

  // 交班 → 是: the close window, modal over the main window.
  clicker.seen.clear();
  main->presenter().itemClicked(ToolbarItemId::ShiftChange);
  QApplication::processEvents();
  EXPECT_EQ(clicker.seen, std::vector<std::string>{"确定交班吗？"});
  auto* close = main->findChild<ShiftReportWindow*>();
  ASSERT_NE(close, nullptr);
  EXPECT_TRUE(close->isVisible());
  auto* lines = named<QListWidget>(close, "列表报表");
  for (const char* line : {"订单数：3", "总实收：7", "现金支付：3.5", "微信支付：3.5",
                           "退货：1行，-3.5", "应有现金：3.5"}) {
    EXPECT_FALSE(lines->findItems(QString::fromUtf8(line), Qt::MatchExactly).isEmpty()) << line;
  }
  auto* counted = named<QLineEdit>(close, "编辑框实点现金");
  QTest::keyClicks(counted, "5");
  EXPECT_EQ(named<QLabel>(close, "标签差额")->text(), QString::fromUtf8("差额：1.5"));
  QTest::mouseClick(named<QPushButton>(close, "按钮确定"), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(openMainWindow(), nullptr);
  EXPECT_GT(login->x(), -1000);  // the login window is back
  RecordSet stored(app.db);
  ASSERT_TRUE(stored.open("select 订单数,总实收,实点现金,差额 from 交班记录"));
  ASSERT_TRUE(stored.next());
  EXPECT_EQ(stored.field(1) + "|" + stored.field(2) + "|" + stored.field(3) + "|" + stored.field(4),
            "3|7|5|1.5");

  // The next login: F10 shows an empty shift.
  app.clock.advanceSeconds(60);
  main = logIn();
  ASSERT_NE(main, nullptr);
  QTest::keyClick(main, Qt::Key_F10);
  QApplication::processEvents();
  auto* look = main->findChild<ShiftReportWindow*>();
  ASSERT_NE(look, nullptr);
  EXPECT_EQ(look->windowTitle(), QString::fromUtf8("当班报表"));
  EXPECT_FALSE(named<QListWidget>(look, "列表报表")
                   ->findItems(QString::fromUtf8("订单数：0"), Qt::MatchExactly)
                   .isEmpty());
  // F11 opens 销售统计 over the main window (its keys act while it is the active window).
  look->close();
  QApplication::setActiveWindow(main);
  QTest::keyClick(main, Qt::Key_F11);
  QApplication::processEvents();
  ASSERT_NE(main->findChild<SalesReportWindow*>(), nullptr);
  app.windows.destroyMainWindow();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace cz
