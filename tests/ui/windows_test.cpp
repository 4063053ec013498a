#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "cashier/ui/main_window.h"
#include "core/ui/log_window.h"
#include "core/ui/login_window.h"
#include "support/test_app.h"
#include "ui/window_probe.h"
#include "util/ui/list_view.h"

namespace cz {
namespace {

TEST(LoginWindow, BuildsItsNamedControlsAndLogsIn) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  LoginWindow window(app.context);
  window.created();
  EXPECT_EQ(window.size(), QSize(682, 431));
  EXPECT_EQ(window.pos(), QPoint(50, 50));
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);

  auto* account = child<QLineEdit>(window, "编辑框账号");
  auto* password = child<QLineEdit>(window, "编辑框密码");
  auto* login = child<QLabel>(window, "标签登陆");
  auto* close = child<QLabel>(window, "透明标签2");
  ASSERT_TRUE(account && password && login && close);
  EXPECT_EQ(account->geometry(), QRect(248, 173, 234, 31));
  EXPECT_EQ(password->geometry(), QRect(248, 216, 234, 31));
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(login->geometry(), QRect(287, 272, 136, 24));
  EXPECT_EQ(login->text(), "登陆");
  EXPECT_EQ(close->geometry(), QRect(661, -1, 49, 24));

  // Typing reaches the presenter, and a click on 登陆 logs in.
  QTest::keyClicks(account, "admin");
  EXPECT_EQ(window.presenter().account(), "admin");
  QTest::mouseClick(login, Qt::LeftButton);
  EXPECT_EQ(app.session.currentAccount, "admin");
  EXPECT_EQ(app.windows.calls.back(), "loginOffScreen");
}

TEST(LogWindow, ListsEntriesAndClosingOnlyHidesIt) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  app.log.write(LogType::Error, "出错了");
  LogWindow window(app.logList);
  EXPECT_EQ(window.windowTitle(), "运行日志");
  EXPECT_EQ(window.size(), QSize(899, 631));
  auto* list = child<ListView>(window, "超级列表框1");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->geometry(), QRect(1, 1, 891, 599));
  ASSERT_EQ(list->model()->columnCount(), 5);
  EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), "时间");
  EXPECT_EQ(list->columnWidth(4), 480);
  EXPECT_EQ(list->model()->index(0, 4).data().toString(), "出错了");
  EXPECT_EQ(list->model()->index(0, 4).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));

  // Entries written while the window exists appear at once.
  app.log.write(LogType::System, "later");
  EXPECT_EQ(list->model()->rowCount(), 2);

  window.show();
  window.close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(list->model()->rowCount(), 2);
}

TEST(MainWindow, BuildsTheShellWithItsToolbarAndWritesItsLeavingEntryOnce) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  auto* window = new MainWindow(app.context);
  window->show();
  EXPECT_EQ(window->size(), QSize(1183, 707));
  auto* strip = child<ToolbarStrip>(*window, "动画框1");
  ASSERT_TRUE(strip);
  EXPECT_EQ(strip->width(), 1183);
  const ToolbarItem* close = window->presenter().item(ToolbarItemId::Close);
  ASSERT_TRUE(close);
  EXPECT_EQ(close->x, 1183 - 34);
  EXPECT_EQ(strip->itemAt(QPoint(close->x + 5, 5))->id, ToolbarItemId::Close);

  // 日志 shows the log window.
  const ToolbarItem* log = window->presenter().item(ToolbarItemId::Log);
  QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(log->x + 10, log->y + 10));
  EXPECT_EQ(app.windows.calls.back(), "showLog");

  window->aboutToBeDestroyed();
  delete window;
  ASSERT_EQ(app.listed().size(), 1u);
  EXPECT_EQ(app.listed()[0][4], "[]退出系统");
}

}  // namespace
}  // namespace cz
