#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "admin/ui/settings_window.h"
#include "admin/ui/switch_button.h"
#include "core/session.h"
#include "history/ui/shift_report_window.h"
#include "support/test_app.h"
#include "ui/window_probe.h"
#include "util/ini_file.h"
#include "util/timestamp.h"

namespace cz {
namespace {

class ShiftReportWindows : public ::testing::Test {
 protected:
  ShiftReportWindows() : app(dir.path()) {
    test::startAndLogIn(app);
    app.clock.set({2026, 12, 10, 18, 0, 0});
    app.dialogs.calls.clear();
    const std::pair<const char*, const char*> sales[] = {{"现金支付", "30"}, {"微信支付", "12.5"}};
    int minute = 0;
    for (const auto& [payment, amount] : sales) {
      EXPECT_TRUE(app.db.execute(
          "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
          "values(?,?,'-','','{}',?,?,'0',?,'admin')",
          {"SX" + std::to_string(minute), timestampText({2026, 12, 10, 9, ++minute, 0}), amount,
           amount, payment}));
    }
  }
  test::TempDir dir;
  test::TestApp app;
};

TEST_F(ShiftReportWindows, TheCloseWindowShowsTheDifferenceAndStoresTheCloseOnConfirm) {
  ShiftReportWindow window(app.context, true, nullptr);
  window.show();
  EXPECT_EQ(window.windowTitle(), "交班报表");
  auto* lines = child<QListWidget>(window, "列表报表");
  auto* counted = child<QLineEdit>(window, "编辑框实点现金");
  auto* difference = child<QLabel>(window, "标签差额");
  auto* nextFloat = child<QLineEdit>(window, "编辑框备用金");
  auto* ok = child<QPushButton>(window, "按钮确定");
  ASSERT_TRUE(lines && counted && difference && nextFloat && ok);
  ASSERT_NE(child<QPushButton>(window, "按钮打印"), nullptr);
  EXPECT_FALSE(lines->findItems("总实收：42.5", Qt::MatchExactly).isEmpty());
  EXPECT_FALSE(lines->findItems("应有现金：30", Qt::MatchExactly).isEmpty());

  QTest::keyClicks(counted, "28");
  EXPECT_EQ(difference->text(), "差额：-2");
  saveShot(window, "shift-close.png");
  nextFloat->selectAll();
  QTest::keyClicks(nextFloat, "100");
  app.windows.calls.clear();
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(app.rows("select 订单数, 总实收, 实点现金, 差额, 下班备用金 from 交班记录"),
            (std::vector<std::vector<std::string>>{{"2", "42.5", "28", "-2", "100"}}));
  // The shift change goes on: the main window goes, the login window comes back.
  EXPECT_EQ(app.windows.calls, (std::vector<std::string>{"destroyMain", "centreLogin"}));
  EXPECT_FALSE(window.isVisible());
}

TEST_F(ShiftReportWindows, TheLookHasNoBoxesAndTheNextShiftStartsEmpty) {
  {
    ShiftReportWindow close(app.context, true, nullptr);
    close.show();
    close.close();  // the close mark stores the close without counted cash
  }
  EXPECT_EQ(app.rows("select 实点现金 is null from 交班记录"),
            (std::vector<std::vector<std::string>>{{"1"}}));
  app.clock.set({2026, 12, 10, 18, 5, 0});
  ShiftReportWindow look(app.context, false, nullptr);
  look.show();
  EXPECT_EQ(look.windowTitle(), "当班报表");
  EXPECT_EQ(look.findChild<QLineEdit*>("编辑框实点现金"), nullptr);
  auto* lines = child<QListWidget>(look, "列表报表");
  ASSERT_NE(lines, nullptr);
  EXPECT_FALSE(lines->findItems("订单数：0", Qt::MatchExactly).isEmpty());
  EXPECT_FALSE(lines->findItems("备用金：0", Qt::MatchExactly).isEmpty());
  QTest::keyClick(&look, Qt::Key_Escape);
  EXPECT_FALSE(look.isVisible());
  EXPECT_EQ(app.rows("select count(*) from 交班记录")[0][0], "1");
}

TEST_F(ShiftReportWindows, TheOtherPageHasTheReportTheTillSwitchesAndTheCloses) {
  {
    ShiftReportWindow close(app.context, true, nullptr);
    close.show();
    close.close();
  }
  SettingsWindow window(app.context);
  window.created();
  window.selectPage(SettingsPage::Other);
  window.show();
  ASSERT_NE(child<QPushButton>(window, "超级当班报表"), nullptr);
  auto* closes = child<QListWidget>(window, "列表交班");
  ASSERT_NE(closes, nullptr);
  ASSERT_EQ(closes->count(), 1);
  EXPECT_EQ(closes->item(0)->text(),
            QString::fromUtf8("2026-12-10 18:00:00  admin  实收42.5  差额未清点"));
  auto* strict = child<SwitchButton>(window, "图形加强安全");
  ASSERT_TRUE(strict && child<SwitchButton>(window, "图形收款窗口") &&
              child<SwitchButton>(window, "图形模糊查找"));
  EXPECT_FALSE(strict->isChecked());
  QTest::mouseClick(strict, Qt::LeftButton);
  EXPECT_TRUE(app.session.settings.strictSecurity);
  EXPECT_EQ(IniFile(app.session.settingsFilePath()).read("收银", "加强安全", ""), "真");
  saveShot(window, "settings-other.png");
}

}  // namespace
}  // namespace cz
