#include "core/ui/server_wait_indicator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace cz {
namespace {

// A window with a bottom bar named as the main window's and an entry box.
struct BarWindow {
  BarWindow() {
    bar->setObjectName("图片框底");
    bar->setGeometry(0, 160, 400, 40);
    entry->setGeometry(10, 10, 200, 24);
    window.resize(400, 200);
    window.show();
    entry->setFocus();
  }
  QWidget window;
  QWidget* bar = new QWidget(&window);
  QLineEdit* entry = new QLineEdit(&window);
};

TEST(ServerWaitIndicatorTest, ShowsTheWaitAndDropsInputTypedMeanwhile) {
  BarWindow w;
  ServerWaitIndicator indicator;
  indicator.waiting(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  auto* line = w.bar->findChild<QLabel*>("等待服务器");
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->isVisible());
  EXPECT_EQ(line->text(), "正在等待数据库服务器回应，请稍候…");

  // Typed during the wait: queued, and dropped when the loop runs after it.
  QCoreApplication::postEvent(w.entry,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
  QTest::keyClick(w.entry, Qt::Key_B);
  indicator.waiting(false);
  QCoreApplication::processEvents();
  EXPECT_EQ(w.entry->text(), "");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(w.bar->findChild<QLabel*>("等待服务器"), nullptr);

  // Afterwards the window takes input again.
  QTest::qWait(200);
  QTest::keyClick(w.entry, Qt::Key_C);
  EXPECT_EQ(w.entry->text(), "c");
}

}  // namespace
}  // namespace cz
