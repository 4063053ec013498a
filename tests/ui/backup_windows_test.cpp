// The backups through the real windows, offscreen: 立即备份 and 检查数据库 on the settings window's
// 其他功能 page, then 恢复… of that copy after a further sale, which lands on the login window with
// the earlier data; and the exit backup when the last window goes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "admin/ui/settings_window.h"
#include "app/qt_windows.h"
#include "cashier/ui/main_window.h"
#include "core/app_context.h"
#include "core/backup_service.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/ui/login_window.h"
#include "core/ui/qt_backup_screen.h"
#include "core/ui/qt_dialogs.h"
#include "storage/database.h"
#include "support/fakes.h"
#include "support/test_app.h"
#include "util/list_model.h"
#include "util/ui/qt_ui_queue.h"

namespace cz {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

// The process main() builds, with its backups, on a temp directory and a fixed clock.
struct RealApp {
  explicit RealApp(const fs::path& dir)
      : context{db,      session, log,          clock,
                windows, ui,      dir.string(), (dir / "config-home" / "配置.ini").string()} {
    windows.setContext(&context);
    backups.background.pause = std::chrono::milliseconds(0);
    context.backups = &backups;
  }
  ~RealApp() { context.backups = nullptr; }
  Rows rows(const std::string& sql) {
    Rows result;
    RecordSet set(db);
    EXPECT_TRUE(set.open(sql)) << sql << db.lastError();
    while (set.next()) {
      std::vector<std::string> row;
      for (int i = 1; i <= set.columnCount(); ++i) row.push_back(set.field(i));
      result.push_back(row);
    }
    return result;
  }

  Database db;
  Session session;
  ListModel logList;
  test::FixedClock clock;
  OperationLog log{db, session, clock, logList};
  QtWindows windows{logList};
  QtUiQueue ui;
  AppContext context;
  QtDialogs backupDialogs{nullptr};
  QtBackupScreen backupScreen;
  Backups backups{context, backupDialogs, backupScreen};
};

// Answers what opens as a user would: 是 and 确定 in boxes, the chosen file in the file dialog.
class Clicker {
 public:
  Clicker() {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* files = qobject_cast<QFileDialog*>(modal); files && files->isVisible()) {
        seen.push_back("file dialog in " + files->directory().absolutePath().toStdString());
        // Typed into the file name box, as a user picking the file does.
        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(fileToChoose));
        QTest::keyClick(name, Qt::Key_Return);
        return;
      }
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box || !box->isVisible()) return;
      seen.push_back(box->text().toStdString());
      QAbstractButton* button = box->button(QMessageBox::Yes);
      if (!button) button = box->button(QMessageBox::Ok);
      ASSERT_NE(button, nullptr) << seen.back();
      button->click();
    });
    m_timer.start();
  }
  bool saw(const std::string& start) const {
    for (const std::string& text : seen) {
      if (text.rfind(start, 0) == 0) return true;
    }
    return false;
  }
  std::vector<std::string> seen;
  std::string fileToChoose;

 private:
  QTimer m_timer;
};

template <typename T>
T* named(QWidget* window, const char* name) {
  T* found = window->findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

template <typename T>
T* topLevel() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<T*>(w); window && window->isVisible()) return window;
  }
  return nullptr;
}

void sell(MainWindow* main) {
  QTest::keyClick(main, Qt::Key_F1);
  QApplication::processEvents();
  auto* barcode = named<QLineEdit>(main, "编辑框条码");
  barcode->setFocus();
  QTest::keyClicks(barcode, "6901");
  QTest::keyClick(barcode, Qt::Key_Return);
  QTest::keyClick(main, Qt::Key_F4);
  QApplication::processEvents();
}

TEST(BackupWindows, BackUpNowThenRestoreAfterAFurtherSaleLandsOnTheLoginWindow) {
  test::TempDir dir;
  RealApp app(dir.path());
  auto* login = new LoginWindow(app.context);
  app.windows.setLoginWindow(login);
  login->created();
  login->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(login));
  // The day's first start copies the new file in the background.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !app.backups.busy(); }, 10000));
  const fs::path folder = dir.path() / "备份";
  EXPECT_EQ(fs::directory_iterator(folder) != fs::directory_iterator(), true);
  fs::remove_all(folder);
  fs::create_directories(folder);
  ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,3,10,'0','真')"));

  Clicker clicker;
  QTest::keyClicks(named<QLineEdit>(login, "编辑框账号"), "admin");
  QTest::mouseClick(named<QLabel>(login, "标签登陆"), Qt::LeftButton);
  auto* main = topLevel<MainWindow>();
  ASSERT_NE(main, nullptr);
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  sell(main);
  ASSERT_EQ(app.rows("select count(*) from 销售"), (Rows{{"1"}}));

  // 其他功能: the three buttons in one group.
  app.windows.openSettingsWindow(SettingsPage::Other);
  auto* settings = topLevel<SettingsWindow>();
  ASSERT_NE(settings, nullptr);
  auto* group = named<QGroupBox>(settings, "分组备份");
  ASSERT_TRUE(group);
  EXPECT_EQ(group->title(), "数据备份");
  auto* backupNow = named<QPushButton>(group, "超级备份");
  auto* restore = named<QPushButton>(group, "超级恢复");
  auto* check = named<QPushButton>(group, "超级检查数据库");
  ASSERT_TRUE(backupNow && restore && check);
  EXPECT_EQ(backupNow->text(), "立即备份");
  EXPECT_EQ(restore->text(), "恢复…");
  EXPECT_EQ(check->text(), "检查数据库");
  EXPECT_EQ(named<QLabel>(group, "透明标签备份位置")->toolTip().toStdString(), folder.string());

  // 立即备份: a copy in 备份/, and a box that says where.
  const std::string copy = (folder / "data-20261210-090503.db").string();
  QTest::mouseClick(backupNow, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return clicker.saw("备份完成"); }, 20000));
  EXPECT_EQ(clicker.seen.back(), "备份完成，已保存到：\n" + copy);
  EXPECT_TRUE(fs::exists(copy));

  QTest::mouseClick(check, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return clicker.saw("数据库完好"); }, 20000));

  // A further sale, then 恢复… of the copy.
  app.clock.advanceSeconds(120);
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  sell(main);
  ASSERT_EQ(app.rows("select count(*) from 销售"), (Rows{{"2"}}));
  clicker.fileToChoose = copy;
  QTest::mouseClick(restore, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return clicker.saw("数据已从备份恢复"); }, 30000))
      << testing::PrintToString(clicker.seen);
  EXPECT_TRUE(clicker.saw("file dialog in " + folder.string()));
  EXPECT_TRUE(clicker.saw("备份文件：" + copy));

  // Back on the login window, with the data of the copy.
  QTest::qWait(50);
  EXPECT_EQ(topLevel<MainWindow>(), nullptr);
  EXPECT_EQ(topLevel<SettingsWindow>(), nullptr);
  EXPECT_TRUE(login->isVisible());
  EXPECT_GT(login->x(), -1000);
  EXPECT_EQ(app.rows("select count(*) from 销售"), (Rows{{"1"}}));
  EXPECT_EQ(app.rows("select 当前库存 from 库存"), (Rows{{"9"}}));
  // The data before the restore was kept beside the copy.
  EXPECT_TRUE(fs::exists(folder / "data-20261210-090703.db"));

  // The login works on the restored data; leaving by the close mark writes the exit backup.
  app.clock.advanceSeconds(60);
  QTest::mouseClick(named<QLabel>(login, "透明标签2"), Qt::LeftButton);
  ASSERT_TRUE(app.windows.quitting());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !app.backups.busy(); }, 20000));
  EXPECT_TRUE(fs::exists(folder / "data-20261210-090803.db"));
}

}  // namespace
}  // namespace cz
