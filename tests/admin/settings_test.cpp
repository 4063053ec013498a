#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "admin/settings_file.h"
#include "admin/settings_presenter.h"
#include "storage/database.h"
#include "support/test_app.h"
#include "util/gbk.h"
#include "util/ini_file.h"

namespace cz {
namespace {

namespace fs = std::filesystem;

// A logged-in admin on a fresh data.db; 配置.ini is beside it.
class SettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
  }

  std::string iniPath() const { return app.session.settingsFilePath(); }
  std::string fileText() const {
    std::ifstream in(iniPath(), std::ios::binary);
    return gbkToUtf8(std::string(std::istreambuf_iterator<char>(in), {}));
  }
  std::string stored(const char* section, const char* key) const {
    return IniFile(iniPath()).read(section, key, "<missing>");
  }
  // Stands a directory where 配置.ini should be: no write can replace it, not even root's.
  // (On the server run the file holds the test server's address, read at the start already.)
  void blockTheSettingsFile() const {
    fs::remove(iniPath());
    fs::create_directories(iniPath());
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
  SettingsPresenter settings{app.context, app.dialogs};
};

TEST_F(SettingsTest, MissingFileGivesTheDefaults) {
  Settings loaded;
  loaded.receiptHeader = "x";
  loaded.receiptFooter = "y";
  loaded.horizontalOffset = loaded.verticalOffset = "9";
  loaded.printingEnabled = false;
  loaded.printDialogEnabled = true;
  loaded.rowsPerPage = 1;
  const ThemeColours theme = loadSettings(iniPath(), loaded);
  EXPECT_EQ(loaded.receiptHeader, "欢迎使用晨舟收银系统");
  EXPECT_EQ(loaded.receiptFooter, "");
  EXPECT_EQ(loaded.horizontalOffset, "0");
  EXPECT_EQ(loaded.verticalOffset, "0");
  EXPECT_TRUE(loaded.printingEnabled);
  EXPECT_FALSE(loaded.printDialogEnabled);
  EXPECT_EQ(loaded.rowsPerPage, 300);
  EXPECT_EQ(theme.base, kNoColour);
  EXPECT_EQ(theme.background, kNoColour);
  EXPECT_EQ(theme.second, kNoColour);
}

TEST_F(SettingsTest, SwitchValuesOtherThanTrueAndFalseKeepTheirDefaults) {
  IniFile file(iniPath());
  ASSERT_TRUE(file.write("打印机", "打印", "否"));
  ASSERT_TRUE(file.write("打印机", "打印对话", "是"));
  Settings loaded;
  loadSettings(iniPath(), loaded);
  EXPECT_TRUE(loaded.printingEnabled);
  EXPECT_FALSE(loaded.printDialogEnabled);
}

TEST_F(SettingsTest, ScaleAndStockWarningKeysAndTheirDefaults) {
  Settings loaded;
  loaded.scale.enabled = true;
  loaded.scale.flags.clear();
  loaded.scale.thirteenDigitWeight = true;
  loaded.stockWarningLevel = 9;
  loadSettings(iniPath(), loaded);
  EXPECT_FALSE(loaded.scale.enabled);
  EXPECT_EQ(loaded.scale.flags, (std::vector<std::string>{"21", "22"}));
  EXPECT_FALSE(loaded.scale.thirteenDigitWeight);
  EXPECT_EQ(loaded.stockWarningLevel, 0);

  IniFile file(iniPath());
  ASSERT_TRUE(file.write("称重", "启用", "真"));
  ASSERT_TRUE(file.write("称重", "前缀", "20, 28"));
  ASSERT_TRUE(file.write("称重", "格式", "重量"));
  ASSERT_TRUE(file.write("库存", "预警", "2.5"));
  loadSettings(iniPath(), loaded);
  EXPECT_TRUE(loaded.scale.enabled);
  EXPECT_EQ(loaded.scale.flags, (std::vector<std::string>{"20", "28"}));
  EXPECT_TRUE(loaded.scale.thirteenDigitWeight);
  EXPECT_EQ(loaded.stockWarningLevel, 2.5);

  ASSERT_TRUE(file.write("库存", "预警", "-3"));
  loadSettings(iniPath(), loaded);
  EXPECT_EQ(loaded.stockWarningLevel, 0);
}

TEST_F(SettingsTest, ColourChoiceDerivesAndStoresTheThreeColours) {
  const struct {
    Rgb base, background, second;
    const char* storedBase;  // red + 256 × green + 65536 × blue
    const char* storedBackground;
  } cases[] = {
      {rgb(200, 210, 240), rgb(250, 210, 240), rgb(250, 250, 240), "15782600", "15782650"},
      {rgb(200, 100, 230), rgb(250, 150, 230), rgb(250, 190, 230), "15099080", "15111930"},
      {rgb(240, 240, 240), rgb(240, 240, 240), rgb(240, 240, 240), "15790320", "15790320"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    const ColourChoice choice = chooseColour(iniPath(), c.base);
    EXPECT_EQ(choice.error, "");
    EXPECT_EQ(choice.colours.background, c.background);
    EXPECT_EQ(choice.colours.second, c.second);
    EXPECT_EQ(stored("颜色", "颜色"), c.storedBase);
    EXPECT_EQ(stored("颜色", "背景"), c.storedBackground);
    EXPECT_EQ(stored("颜色", "表格"), std::to_string(c.second));
    Settings loaded;
    const ThemeColours theme = loadSettings(iniPath(), loaded);
    EXPECT_EQ(theme.base, c.base);
    EXPECT_EQ(theme.background, c.background);
    EXPECT_EQ(theme.second, c.second);
  }
}

TEST_F(SettingsTest, CreatedShowsTheSettingsHeldInMemory) {
  app.session.settings.receiptFooter = "一\r\n二";
  app.session.settings.printingEnabled = false;
  app.session.settings.rowsPerPage = 50;
  settings.created();
  EXPECT_EQ(settings.header(), "欢迎使用晨舟收银系统");
  EXPECT_EQ(settings.footer(), "一\r\n二");
  EXPECT_FALSE(settings.printingOn());
  EXPECT_FALSE(settings.printDialogOn());
  EXPECT_EQ(settings.rowsPerPage(), "50");
  EXPECT_EQ(settings.logCountCaption(), "日志条数：");
}

TEST_F(SettingsTest, SaveWritesEveryKeyAsTypedAndTheFooterLinesAsAmpersands) {
  // What the file held before (nothing, or the server run's database section) stays ahead.
  const std::string before = fileText();
  settings.created();
  settings.headerChanged("小店");
  settings.footerChanged("谢谢惠顾\n欢迎再来");  // an edit box gives "\n"
  settings.horizontalChanged("1.5");
  settings.verticalChanged("x");
  settings.rowsPerPageChanged("abc");
  settings.saveClicked();
  EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{"已生效"});
  EXPECT_EQ(fileText(),
            before +
                "[打印机]\r\n票头=小店\r\n票尾=谢谢惠顾&欢迎再来\r\n横边距=1.5\r\n纵边距=x\r\n"
                "[页数]\r\n页数=abc\r\n");
  const Settings& memory = app.session.settings;
  EXPECT_EQ(memory.receiptHeader, "小店");
  EXPECT_EQ(memory.receiptFooter, "谢谢惠顾\r\n欢迎再来");
  EXPECT_EQ(memory.horizontalOffset, "1.5");
  EXPECT_EQ(memory.verticalOffset, "x");
  EXPECT_EQ(memory.rowsPerPage, 0);

  // The next load gives the two lines back; an "&" typed in the footer becomes a line break.
  Settings loaded;
  loadSettings(iniPath(), loaded);
  EXPECT_EQ(loaded.receiptFooter, "谢谢惠顾\r\n欢迎再来");
  settings.footerChanged("A&B\r\nC");
  settings.saveClicked();
  loadSettings(iniPath(), loaded);
  EXPECT_EQ(loaded.receiptFooter, "A\r\nB\r\nC");
}

TEST_F(SettingsTest, SwitchesWriteTheirKeyAtOnce) {
  settings.created();
  settings.printingSwitched(false);
  EXPECT_EQ(stored("打印机", "打印"), "假");
  EXPECT_FALSE(app.session.settings.printingEnabled);
  settings.printDialogSwitched(true);
  EXPECT_EQ(stored("打印机", "打印对话"), "真");
  EXPECT_TRUE(app.session.settings.printDialogEnabled);
  EXPECT_TRUE(settings.printDialogOn());
  EXPECT_EQ(stored("打印机", "票头"), "<missing>");
  EXPECT_TRUE(app.dialogs.calls.empty());
}

TEST_F(SettingsTest, AFailedWriteNamesTheFileAndChangesNothingInMemory) {
  blockTheSettingsFile();
  settings.created();

  const ColourChoice choice = chooseColour(iniPath(), rgb(1, 2, 3));
  EXPECT_NE(choice.error.find(iniPath()), std::string::npos) << choice.error;
  EXPECT_NE(choice.error.find("同名的是一个目录"), std::string::npos) << choice.error;

  // The switch goes back and memory keeps its value.
  settings.printingSwitched(false);
  EXPECT_TRUE(settings.printingOn());
  EXPECT_TRUE(app.session.settings.printingEnabled);
  ASSERT_EQ(app.dialogs.messages().size(), 1u);
  EXPECT_EQ(app.dialogs.messages()[0], choice.error);

  // "保存配置" reports the failure instead of "已生效".
  settings.headerChanged("新票头");
  settings.saveClicked();
  ASSERT_EQ(app.dialogs.messages().size(), 2u);
  EXPECT_EQ(app.dialogs.messages()[1], choice.error);
  EXPECT_EQ(app.session.settings.receiptHeader, "欢迎使用晨舟收银系统");
  EXPECT_TRUE(fs::is_directory(iniPath()));
}

TEST_F(SettingsTest, CheckLogCountsTheEntries) {
  const std::string before = app.rows("select count(*) from 日志")[0][0];
  settings.checkLogClicked();
  EXPECT_EQ(settings.logCountCaption(), "日志条数：" + before + "条");
  app.log.write(LogType::System, "one more");
  settings.checkLogClicked();
  EXPECT_EQ(settings.logCountCaption(),
            "日志条数：" + std::to_string(std::stoi(before) + 1) + "条");
}

TEST_F(SettingsTest, ClearLogNeedsTheFlagAndAYes) {
  const auto count = [&] { return app.rows("select count(*) from 日志")[0][0]; };
  const std::string before = count();
  ASSERT_NE(before, "0");
  const int listed = app.logList.itemCount();

  app.session.permissions.flags[static_cast<size_t>(Permission::ClearLog)] = false;
  settings.clearLogClicked();
  EXPECT_EQ(app.dialogs.messages(),
            std::vector<std::string>{"当前账号没有[清空日志]权限，请联系管理员提升权限"});
  app.session.permissions.flags[static_cast<size_t>(Permission::ClearLog)] = true;

  app.dialogs.answer(false);
  settings.clearLogClicked();
  EXPECT_EQ(app.dialogs.calls.back().text, "确定清空所有日志吗？清空后即不可恢复！");
  EXPECT_EQ(count(), before);
  EXPECT_EQ(app.logList.itemCount(), listed);

  app.dialogs.answer(true);
  settings.clearLogClicked();
  EXPECT_EQ(app.dialogs.messages().back(), "清空日志完毕");
  EXPECT_EQ(count(), "0");  // and no entry records the clearing
  EXPECT_EQ(app.logList.itemCount(), 0);
}

TEST_F(SettingsTest, AFailedClearIsLoggedAndShown) {
  ASSERT_TRUE(app.db.execute("alter table 日志 rename to 旧日志"));
  app.dialogs.answer(true);
  settings.clearLogClicked();
  const std::string text = "清空日志失败，原因：" + test::missingTableError(app.db, "日志");
  EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{text});
  EXPECT_EQ(app.listed().back()[3], "错误");
  EXPECT_EQ(app.listed().back()[4], text);
}

TEST_F(SettingsTest, AccountManagementOpensTheAccountsWindow) {
  app.session.permissions = {};
  settings.accountsClicked();
  EXPECT_EQ(app.windows.calls.back(), "openAccounts");
}

}  // namespace
}  // namespace cz
