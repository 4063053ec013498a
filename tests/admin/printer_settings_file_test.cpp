// The receipt printer's keys of 配置.ini and the printing page's new controls.

#include <gtest/gtest.h>

#include <filesystem>

#include "admin/printer_settings_file.h"
#include "admin/settings_file.h"
#include "admin/settings_presenter.h"
#include "printing/escpos.h"
#include "support/loopback_printer.h"
#include "support/recording_printer.h"
#include "support/test_app.h"
#include "util/ini_file.h"

namespace cz {
namespace {

using Texts = std::vector<std::string>;

class PrinterSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
    settings.created();
    // The supplier list loads in the background; its outcome is not a printer's.
    EXPECT_TRUE(app.waitForUiTask());
  }
  std::string iniPath() const { return app.session.settingsFilePath(); }
  std::string stored(const char* key) const {
    return IniFile(iniPath()).read("打印机", key, "<missing>");
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
  test::RecordingPrinter printer;
  SettingsPresenter settings{app.context, app.dialogs, printer};
  test::LoopbackPrinter loopback;
};

TEST_F(PrinterSettingsTest, KeysReadWithTodaysBehaviourAsDefault) {
  const struct {
    std::vector<std::pair<const char*, const char*>> keys;
    PrintMethod method;
    std::string device;
    int paper;
    bool drawer;
  } cases[] = {
      {{}, PrintMethod::System, "", 58, false},
      {{{"方式", "ESCPOS"}, {"设备", "/dev/usb/lp0"}, {"纸宽", "80"}, {"钱箱", "真"}},
       PrintMethod::EscPos,
       "/dev/usb/lp0",
       80,
       true},
      {{{"方式", " escpos "}, {"设备", "192.168.1.100:9100"}, {"纸宽", "58"}, {"钱箱", "假"}},
       PrintMethod::EscPos,
       "192.168.1.100:9100",
       58,
       false},
      {{{"方式", "系统"}, {"纸宽", "100"}, {"钱箱", "是"}}, PrintMethod::System, "", 58, false},
      {{{"方式", "打印机"}, {"设备", "小票机"}, {"纸宽", "abc"}},
       PrintMethod::System,
       "小票机",
       58,
       false},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(n);
    const std::string path = (dir.path() / ("配置" + std::to_string(n++) + ".ini")).string();
    IniFile file(path);
    ASSERT_TRUE(file.write("打印机", "票头", "x"));
    for (const auto& [key, value] : c.keys) ASSERT_TRUE(file.write("打印机", key, value));
    Settings loaded;
    loaded.printer.device = "left over";
    loadSettings(path, loaded);
    EXPECT_EQ(loaded.printer.method, c.method);
    EXPECT_EQ(loaded.printer.device, c.device);
    EXPECT_EQ(loaded.printer.paperWidth, c.paper);
    EXPECT_EQ(loaded.printer.cashDrawer, c.drawer);
  }
}

TEST_F(PrinterSettingsTest, SaveWritesTheNewKeysAndTheDrawerSwitchWritesAtOnce) {
  settings.printMethodChanged(PrintMethod::EscPos);
  settings.deviceChanged("192.168.1.100:9100");
  settings.paperWidthChanged(80);
  // Not saved yet: neither the file nor the settings in memory change.
  EXPECT_EQ(stored("方式"), "<missing>");
  EXPECT_EQ(app.session.settings.printer.method, PrintMethod::System);
  settings.saveClicked();
  EXPECT_EQ(stored("方式"), "ESCPOS");
  EXPECT_EQ(stored("设备"), "192.168.1.100:9100");
  EXPECT_EQ(stored("纸宽"), "80");
  EXPECT_EQ(stored("钱箱"), "<missing>");
  const PrinterSettings& p = app.session.settings.printer;
  EXPECT_EQ(p.method, PrintMethod::EscPos);
  EXPECT_EQ(p.device, "192.168.1.100:9100");
  EXPECT_EQ(p.paperWidth, 80);
  EXPECT_EQ(app.dialogs.messages(), (Texts{"已生效"}));

  settings.drawerSwitched(true);
  EXPECT_EQ(stored("钱箱"), "真");
  EXPECT_TRUE(p.cashDrawer);
  // A file that cannot be written: the switch goes back, the setting stays.
  std::filesystem::remove(iniPath());
  std::filesystem::create_directories(iniPath());
  settings.drawerSwitched(false);
  EXPECT_TRUE(settings.drawerOn());
  EXPECT_TRUE(p.cashDrawer);
  EXPECT_EQ(app.dialogs.messages().size(), 2u);
  // What the page shows comes back from memory the next time the window opens.
  SettingsPresenter again(app.context, app.dialogs);
  again.created();
  EXPECT_EQ(again.printMethod(), PrintMethod::EscPos);
  EXPECT_EQ(again.device(), "192.168.1.100:9100");
  EXPECT_EQ(again.paperWidth(), 80);
  EXPECT_TRUE(again.drawerOn());
}

TEST_F(PrinterSettingsTest, TestPageUsesWhatThePageShowsAndReportsTheOutcome) {
  const std::string dead = test::deadPrinterDevice();
  settings.headerChanged("晨舟小店");
  settings.printMethodChanged(PrintMethod::EscPos);
  settings.paperWidthChanged(80);
  settings.deviceChanged(loopback.device());
  settings.testPageClicked();
  const auto messages = [&](std::size_t n) {
    return app.waitUntil([&] { return app.dialogs.messages().size() == n; });
  };
  ASSERT_TRUE(messages(1));
  ASSERT_TRUE(loopback.waitForJobs(1));
  EXPECT_EQ(loopback.jobs()[0], std::string(escpos::kPaperStatusRequest) +
                                    escPosTestPage({"晨舟小店", 80, "2026-12-10 09:05:03"}));
  settings.deviceChanged(dead);
  settings.testPageClicked();
  ASSERT_TRUE(messages(2));
  // The system path: a printer, then none.
  settings.printMethodChanged(PrintMethod::System);
  settings.testPageClicked();
  printer.jobStarts = false;
  settings.testPageClicked();
  EXPECT_EQ(app.dialogs.messages(),
            (Texts{"打印成功", "打印失败：无法连接打印机" + dead + "（连接被拒绝）", "打印成功",
                   "打印失败：没有可用的打印机，或打印已取消"}));
  EXPECT_EQ(printer.texts, (Texts{"晨舟小店\r\n",
                                  "打印测试页\r\n纸宽：80毫米，每行48列\r\n"
                                  "123456789012345678901234567890123456789012345678\r\n"
                                  "中文与数字混排：收银123小票456\r\n2026-12-10 09:05:03\r\n"}));
  // The page's values were tried, not saved.
  EXPECT_EQ(app.session.settings.printer.method, PrintMethod::System);
  EXPECT_EQ(stored("设备"), "<missing>");
}

TEST_F(PrinterSettingsTest, DrawerButtonOpensTheDrawerOfTheDeviceInTheBox) {
  settings.openDrawerClicked();
  EXPECT_EQ(app.dialogs.messages(), (Texts{"开钱箱失败：未设置打印设备"}));
  settings.deviceChanged(loopback.device());
  settings.openDrawerClicked();
  ASSERT_TRUE(loopback.waitForJobs(1));
  EXPECT_EQ(loopback.jobs()[0], escPosDrawerPulse());
  ASSERT_TRUE(app.waitForUiTask());
  EXPECT_EQ(app.dialogs.messages().size(), 1u);
  const auto log = app.rows("select 类型, 日志, 账号 from 日志 order by rowid desc limit 1");
  EXPECT_EQ(log[0], (Texts{"0", "[admin]无销售打开钱箱", "admin"}));
}

}  // namespace
}  // namespace cz
