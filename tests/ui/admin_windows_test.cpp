#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "admin/ui/accounts_window.h"
#include "admin/ui/settings_window.h"
#include "admin/ui/switch_button.h"
#include "app/qt_windows.h"
#include "cashier/ui/main_window.h"
#include "catalogue/ui/supplier_add_window.h"
#include "core/ui/log_window.h"
#include "core/ui/login_window.h"
#include "storage/database.h"
#include "support/test_app.h"
#include "ui/window_probe.h"
#include "util/ini_file.h"
#include "util/ui/grid_view.h"

namespace cz {
namespace {

// Geometry within the tab control, where the page controls are placed.
QRect onTabs(QWidget& window, QWidget* control) {
  QWidget* tabs = window.findChild<QWidget*>("高级选择夹1");
  return QRect(control->mapTo(tabs, QPoint(0, 0)), control->size());
}

void doubleClickCell(GridView* grid, int row, int col) {
  const QModelIndex index = grid->model()->index(row - 1, col);
  const QPoint at = grid->visualRect(index).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

class AdminWindowsTest : public testing::Test {
 protected:
  void SetUp() override {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
    app.windows.calls.clear();
  }
  test::TempDir dir;
  test::TestApp app{dir.path()};
};

TEST_F(AdminWindowsTest, SettingsWindowBuildsItsPagesAndForwardsEvents) {
  ASSERT_TRUE(
      app.db.execute("insert into 供应商(名称,联系方式,创建者) values('甲方','1','admin')"));
  SettingsWindow window(app.context);
  window.created();
  window.show();
  EXPECT_EQ(window.size(), QSize(563, 416));
  EXPECT_EQ(window.pos(), QPoint(50, 50));
  auto* tabs = child<QWidget>(window, "高级选择夹1");
  ASSERT_TRUE(tabs);
  EXPECT_EQ(tabs->geometry(), QRect(8, 8, 539, 372));
  auto* bar = tabs->findChild<QTabBar*>();
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->count(), 3);
  EXPECT_EQ(bar->tabText(2), "其他功能");

  auto* header = child<QLineEdit>(window, "编辑框票头");
  auto* footer = child<QPlainTextEdit>(window, "编辑框票尾");
  auto* printing = child<SwitchButton>(window, "图形打印");
  auto* save = child<QPushButton>(window, "超级保存");
  ASSERT_TRUE(header && footer && printing && save);
  EXPECT_EQ(onTabs(window, header), QRect(80, 40, 448, 32));
  EXPECT_EQ(onTabs(window, footer), QRect(80, 80, 448, 64));
  EXPECT_EQ(onTabs(window, printing), QRect(103, 208, 55, 30));
  EXPECT_EQ(save->geometry(), QRect(454, 337, 89, 38));
  EXPECT_EQ(save->text(), "保存配置");
  EXPECT_EQ(header->text(), "欢迎使用晨舟收银系统");
  EXPECT_TRUE(printing->isChecked());

  // The switch writes its key at once.
  QTest::mouseClick(printing, Qt::LeftButton);
  EXPECT_FALSE(printing->isChecked());
  EXPECT_EQ(IniFile(app.session.settingsFilePath()).read("打印机", "打印"), "假");
  // Two footer lines reach the presenter as typed.
  footer->setPlainText("一\n二");
  EXPECT_EQ(window.presenter().footer(), "一\n二");

  window.selectPage(SettingsPage::Suppliers);
  auto* grid = child<GridView>(window, "高级表格");
  auto* search = child<QLineEdit>(window, "编辑框供应商");
  auto* allowEdit = child<QCheckBox>(window, "选择框1");
  ASSERT_TRUE(grid && search && allowEdit);
  EXPECT_EQ(onTabs(window, grid), QRect(3, 26, 531, 295));
  EXPECT_EQ(onTabs(window, search), QRect(56, 335, 224, 28));
  EXPECT_EQ(allowEdit->text(), "允许修改/编辑");
  EXPECT_TRUE(grid->isVisible());
  window.presenter().suppliers().waitForLoad();
  app.ui.drain();
  ASSERT_EQ(grid->model()->rowCount(), 1);
  EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "甲方");
  EXPECT_TRUE(grid->isColumnHidden(4));
  QTest::mouseClick(allowEdit, Qt::LeftButton);
  EXPECT_TRUE(allowEdit->isChecked());

  // A right click pops up 供应商菜单; its "增加供应商" reaches the presenter.
  QStringList items;
  QTimer::singleShot(0, [&items] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    EXPECT_EQ(menu->objectName(), "供应商菜单");
    for (QAction* action : menu->actions()) items << action->text();
    menu->setActiveAction(menu->actions().at(2));
    QTest::keyClick(menu, Qt::Key_Return);
  });
  const QModelIndex first = grid->model()->index(0, 1);
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, grid->visualRect(first).center());
  EXPECT_EQ(items, (QStringList{"刷新", "", "增加供应商", "", "删除供应商"}));
  EXPECT_EQ(app.windows.calls.back(), "openAddSupplier");

  window.selectPage(SettingsPage::Other);
  auto* check = child<QPushButton>(window, "超级检测");
  auto* count = child<QLabel>(window, "透明标签日志");
  auto* accounts = child<QPushButton>(window, "超级账号");
  ASSERT_TRUE(check && count && accounts);
  EXPECT_EQ(onTabs(window, check), QRect(216, 31, 63, 26));
  EXPECT_EQ(count->text(), "日志条数：");
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(count->text().toStdString(),
            "日志条数：" + app.rows("select count(*) from 日志")[0][0] + "条");
  QTest::mouseClick(accounts, Qt::LeftButton);
  EXPECT_EQ(app.windows.calls.back(), "openAccounts");
}

TEST_F(AdminWindowsTest, SettingsWindowShowsTheDataFolderReadOnly) {
  SettingsWindow window(app.context);
  window.created();
  window.show();
  window.selectPage(SettingsPage::Other);
  auto* caption = child<QLabel>(window, "透明标签数据");
  auto* folder = child<QLineEdit>(window, "编辑框数据文件夹");
  ASSERT_TRUE(caption && folder);
  EXPECT_EQ(caption->text(), "数据文件夹");
  EXPECT_TRUE(folder->isVisible());
  EXPECT_EQ(onTabs(window, folder), QRect(103, 109, 425, 27));
  // The folder that holds data.db and 配置.ini, without the trailing separator.
  EXPECT_EQ(folder->text().toStdString(), dir.str());
  EXPECT_EQ(app.session.settingsFilePath(), dir.str() + "/配置.ini");
  EXPECT_TRUE(folder->isReadOnly());
  QTest::keyClicks(folder, "x");
  EXPECT_EQ(folder->text().toStdString(), dir.str());
}

TEST_F(AdminWindowsTest, AccountsWindowShowsAndTogglesFlags) {
  AccountsWindow window(app.context);
  window.created();
  window.show();
  EXPECT_EQ(window.size(), QSize(574, 661));
  EXPECT_EQ(window.pos(), QPoint(50, 50));
  auto* combo = child<QComboBox>(window, "组合框1");
  auto* password = child<QLineEdit>(window, "编辑框密码");
  auto* grid = child<GridView>(window, "高级表格");
  auto* add = child<QPushButton>(window, "超级增加");
  ASSERT_TRUE(combo && password && grid && add);
  EXPECT_EQ(combo->geometry(), QRect(64, 13, 179, 20));
  EXPECT_EQ(grid->geometry(), QRect(6, 113, 560, 514));
  EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(add->text(), "增加账号");
  EXPECT_EQ(combo->count(), 1);
  EXPECT_EQ(combo->currentText(), "admin");
  EXPECT_EQ(grid->model()->rowCount(), 14);
  EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "权限功能");
  EXPECT_EQ(grid->columnWidth(3), 310);

  doubleClickCell(grid, 7, 2);
  EXPECT_EQ(app.rows("select 清除日志 from 账号")[0][0], "假");
  EXPECT_EQ(grid->model()->index(6, 2).data().toString(), "假");
  // Row 11 opens for typing on the double click.
  doubleClickCell(grid, 11, 2);
  auto* editor = grid->findChild<QLineEdit*>();
  ASSERT_TRUE(editor);
  EXPECT_TRUE(editor->isVisible());
}

TEST_F(AdminWindowsTest, WithStrictSecurityTheAccountsWindowShowsNoPassword) {
  ASSERT_TRUE(app.db.execute("update 账号 set 密码='secret'"));
  app.session.settings.strictSecurity = true;
  AccountsWindow window(app.context);
  window.created();
  window.show();
  auto* password = child<QLineEdit>(window, "编辑框密码");
  ASSERT_TRUE(password);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(password->text(), "");
}

TEST_F(AdminWindowsTest, AddSupplierWindowAddsAndClearsItsBoxes) {
  SupplierAddWindow window(app.context);
  window.show();
  EXPECT_EQ(window.size(), QSize(364, 149));
  EXPECT_EQ(window.windowTitle(), "新增供应商");
  auto* name = child<QLineEdit>(window, "编辑框姓名");
  auto* contact = child<QLineEdit>(window, "编辑框联系");
  auto* add = child<QPushButton>(window, "超级增加");
  ASSERT_TRUE(name && contact && add);
  EXPECT_EQ(add->geometry(), QRect(237, 81, 106, 33));
  name->setText("乙方");
  QTest::keyClicks(contact, "123");
  QTest::mouseClick(add, Qt::LeftButton);
  EXPECT_EQ(app.rows("select 名称,联系方式,创建者 from 供应商")[0],
            (std::vector<std::string>{"乙方", "123", "admin"}));
  EXPECT_TRUE(name->text().isEmpty());
  EXPECT_TRUE(contact->text().isEmpty());
  EXPECT_TRUE(window.isVisible());
}

TEST_F(AdminWindowsTest, OwnedWindowsGoWithTheMainWindowEvenMidLoad) {
  ASSERT_TRUE(app.db.begin());
  for (int i = 0; i < 20000; ++i) {
    app.db.execute("insert into 供应商(名称,联系方式,创建者) values(?,'','admin')",
                   {"供应商" + std::to_string(i)});
  }
  ASSERT_TRUE(app.db.commit());

  QtWindows windows(app.logList);
  windows.setContext(&app.context);
  windows.openMainWindow();
  windows.openSettingsWindow(SettingsPage::Suppliers);
  QPointer<SettingsWindow> settings;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* s = qobject_cast<SettingsWindow*>(w)) settings = s;
  }
  ASSERT_TRUE(settings);
  auto* bar = settings->findChild<QTabBar*>();
  EXPECT_EQ(bar->currentIndex(), 1);
  // Opening it again brings the same window on the page asked for.
  windows.openSettingsWindow(SettingsPage::Printing);
  EXPECT_EQ(bar->currentIndex(), 0);
  int settingsWindows = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    settingsWindows += qobject_cast<SettingsWindow*>(w) != nullptr;
  }
  EXPECT_EQ(settingsWindows, 1);

  windows.openAccountsWindow();
  QPointer<AccountsWindow> accounts = settings->findChild<AccountsWindow*>();
  ASSERT_TRUE(accounts);
  EXPECT_TRUE(accounts->isVisible());
  windows.openAddSupplierWindow();
  QPointer<SupplierAddWindow> addSupplier = settings->findChild<SupplierAddWindow*>();
  ASSERT_TRUE(addSupplier);
  EXPECT_EQ(addSupplier->windowModality(), Qt::ApplicationModal);
  EXPECT_TRUE(addSupplier->isVisible());

  // Shift change while the suppliers are still loading.
  windows.destroyMainWindow();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(settings);
  EXPECT_FALSE(accounts);
  EXPECT_FALSE(addSupplier);
  app.ui.drain();  // rows of the cancelled load are dropped
}

}  // namespace
}  // namespace cz
