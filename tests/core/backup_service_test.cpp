// When and how backups run: the day's first start and the exit, backup now, the check, restore,
// the faults of a full, read-only or missing disk and the options of the settings file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cashier/sale_test_fixture.h"
#include "core/backup_command.h"
#include "core/backup_service.h"
#include "core/command_line.h"
#include "core/login.h"
#include "storage/backup.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "support/faulty_vfs.h"
#include "support/recording_backup_screen.h"
#include "support/backup_files.h"
#include "support/test_app.h"
#include "util/ini_file.h"

namespace cz {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::contains;
using test::contents;
using test::flipByte;
using test::Names;
using test::namesIn;
using test::query;
using test::Rows;
using test::secondPage;
using test::settle;
using test::writeKey;

struct OptionsCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> keys;
  std::string folder;  // relative to the program directory
  bool defaultFolder;
  int keep;
  bool automatic;
};

void PrintTo(const OptionsCase& c, std::ostream* os) {
  *os << c.name;
}

class BackupOptionsTest : public testing::TestWithParam<OptionsCase> {};

TEST_P(BackupOptionsTest, ReadFromTheBackupSection) {
  const OptionsCase& c = GetParam();
  test::TempDir dir;
  const std::string settings = (dir.path() / "配置.ini").string();
  for (const auto& [key, value] : c.keys) ASSERT_TRUE(IniFile(settings).write("备份", key, value));
  const BackupOptions options = readBackupOptions(settings, (dir.path() / "data.db").string());
  const fs::path expected = c.folder.front() == '/' ? fs::path(c.folder) : dir.path() / c.folder;
  EXPECT_EQ(options.folder, expected.lexically_normal().string());
  EXPECT_EQ(options.defaultFolder, c.defaultFolder);
  EXPECT_EQ(options.keep, c.keep);
  EXPECT_EQ(options.automatic, c.automatic);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, BackupOptionsTest,
    testing::Values(
        OptionsCase{"NoSection", {}, "备份", true, 30, true},
        OptionsCase{"Relative", {{"目录", "副本/每日/"}}, "副本/每日", false, 30, true},
        OptionsCase{"Absolute", {{"目录", "/media/u盘/备份"}}, "/media/u盘/备份", false, 30, true},
        OptionsCase{"DefaultWritten", {{"目录", "备份/"}}, "备份", true, 30, true},
        OptionsCase{"Keep7", {{"保留", "7"}}, "备份", true, 7, true},
        OptionsCase{"KeepZero", {{"保留", "0"}}, "备份", true, 1, true},
        OptionsCase{"KeepNegative", {{"保留", "-3"}}, "备份", true, 30, true},
        OptionsCase{"KeepText", {{"保留", "很多"}}, "备份", true, 30, true},
        OptionsCase{"Off", {{"自动", "假"}}, "备份", true, 30, false},
        OptionsCase{"OnlyFalseTurnsOff", {{"自动", "否"}}, "备份", true, 30, true}),
    [](const testing::TestParamInfo<OptionsCase>& info) { return info.param.name; });

// ---- The program's backups: start, exit, 立即备份, 检查数据库
// ------------------------------------

class BackupServiceTest : public testing::Test {
 protected:
  void SetUp() override {
    test::startAndLogIn(app);
    app.context.backups = &backups;
    backups.background = {1000, 0ms};
    app.dialogs.calls.clear();
  }
  fs::path folder() const { return dir.path() / "备份"; }
  std::string database() const { return (dir.path() / "data.db").string(); }
  Names errors() {
    Names texts;
    for (const auto& row : app.rows("select 日志 from 日志 where 类型='6' order by rowid")) {
      texts.push_back(row.at(0));
    }
    return texts;
  }
  // Makes data.db big enough that a slow copy runs for a while.
  void addBulk(int rows) {
    ASSERT_TRUE(app.db.begin());
    const std::string filler(1000, 'y');
    for (int i = 0; i < rows; ++i) {
      ASSERT_TRUE(
          app.db.execute("insert into 日志(时间,类型,账号,日志) values('','0','',?)", {filler}));
    }
    ASSERT_TRUE(app.db.commit());
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
  test::RecordingBackupScreen screen;
  Backups backups{app.context, app.dialogs, screen};
  test::ScriptedDialogs windowDialogs;
  test::RecordingBackupScreen windowScreen;
  BackupClient client{app.context, windowDialogs, windowScreen};
};

TEST_F(BackupServiceTest, TheDaysFirstStartBacksUpOnceInTheBackground) {
  backups.atStart();
  settle(app, backups);
  EXPECT_EQ(namesIn(folder()), Names{"data-20261210-090503.db"});
  // A later start the same day finds today's copy; the next day's first start writes one.
  // A day with a sale stored: the next day's first start writes one.
  app.clock.advanceSeconds(3600);
  backups.atStart();
  settle(app, backups);
  app.log.write(LogType::Sale, "创建销售单1");
  app.clock.set({2026, 12, 11, 8, 0, 0});
  backups.atStart();
  settle(app, backups);
  EXPECT_EQ(namesIn(folder()), (Names{"data-20261210-090503.db", "data-20261211-080000.db"}));
  // A day with nothing stored (logging in and out only): the same data is not copied again.
  writeLeavingEntry(app.context);
  app.log.write(LogType::System, "[admin]成功登录了系统");
  app.clock.set({2026, 12, 12, 8, 0, 0});
  backups.atStart();
  settle(app, backups);
  EXPECT_EQ(namesIn(folder()), (Names{"data-20261210-090503.db", "data-20261211-080000.db"}));
  // Nothing was shown: the login window stays as it is.
  EXPECT_TRUE(app.dialogs.calls.empty());
  EXPECT_TRUE(screen.shown.empty());
  EXPECT_TRUE(screen.notices.empty());

  writeKey(app, "自动", "假");
  app.log.write(LogType::Sale, "创建销售单2");
  app.clock.set({2026, 12, 13, 8, 0, 0});
  backups.atStart();
  settle(app, backups);
  EXPECT_EQ(namesIn(folder()).size(), 2u);
}

TEST_F(BackupServiceTest, AFailedAutomaticBackupIsToldOnceWithoutABoxAndLogged) {
  const std::string missing = (dir.path() / "u盘" / "备份").string();
  writeKey(app, "目录", missing);
  backups.atStart();
  settle(app, backups);
  // The folder of a stick that is not there is not made on the local disk.
  EXPECT_FALSE(fs::exists(missing));
  ASSERT_EQ(screen.notices.size(), 1u);
  EXPECT_TRUE(contains(screen.notices[0], "备份失败|备份失败，无法写入备份文件夹：" + missing))
      << screen.notices[0];
  EXPECT_TRUE(contains(screen.notices[0], "文件夹不存在")) << screen.notices[0];
  EXPECT_EQ(errors(), Names{screen.notices[0].substr(screen.notices[0].find('|') + 1)});
  EXPECT_TRUE(app.dialogs.calls.empty());
}

TEST_F(BackupServiceTest, BackupNowShowsProgressAndSaysWhereTheCopyWent) {
  backups.backupNow(client);
  EXPECT_EQ(windowScreen.shown, Names{"正在备份数据，请稍候…"});
  EXPECT_FALSE(windowScreen.lastBlocking);  // the till stays free
  settle(app, backups);
  EXPECT_FALSE(windowScreen.progressOpen);
  const std::string copy = (folder() / "data-20261210-090503.db").string();
  EXPECT_EQ(windowDialogs.messages(), Names{"备份完成，已保存到：\r\n" + copy});
  EXPECT_EQ(windowScreen.lastDone, windowScreen.lastTotal);
  EXPECT_TRUE(checkDatabaseFile(copy, CheckDepth::Full).ok);
  // A second one within the same second gets its own name.
  backups.backupNow(client);
  settle(app, backups);
  EXPECT_TRUE(fs::exists(folder() / "data-20261210-090503-2.db"));
}

TEST_F(BackupServiceTest, OneWorkAtATimeAndCancelLeavesNothing) {
  addBulk(3000);
  backups.background = {2, 1ms};
  backups.backupNow(client);
  backups.checkNow(client);
  EXPECT_EQ(windowDialogs.messages(), Names{"正在备份或检查数据，请稍候再试"});
  ASSERT_TRUE(windowScreen.cancel);
  windowScreen.cancel();
  settle(app, backups);
  EXPECT_EQ(windowDialogs.messages().back(), "备份已取消");
  EXPECT_EQ(namesIn(folder()), Names{});
}

TEST_F(BackupServiceTest, CheckSaysTheDatabaseIsSoundOrListsTheEnginesLines) {
  backups.checkNow(client);
  settle(app, backups);
  EXPECT_EQ(windowDialogs.messages(), Names{"数据库完好"});

  // A copy damaged on purpose stands in for a damaged data.db.
  app.db.close();
  flipByte(database(), secondPage(database()));
  ASSERT_TRUE(app.db.open(database()));
  backups.checkNow(client);
  settle(app, backups);
  ASSERT_EQ(windowDialogs.calls.size(), 2u);
  EXPECT_EQ(windowDialogs.calls[1].title, "检查数据库");
  EXPECT_EQ(windowDialogs.calls[1].text.rfind("数据库有错误：\r\n", 0), 0u);
  EXPECT_GT(windowDialogs.calls[1].text.size(), std::string("数据库有错误：\r\n").size());
}

TEST_F(BackupServiceTest, ACopyThatFailsItsCheckIsDeletedAndReported) {
  // A damaged data.db copies page for page into a damaged copy.
  app.db.close();
  flipByte(database(), secondPage(database()));
  ASSERT_TRUE(app.db.open(database()));
  backups.backupNow(client);
  settle(app, backups);
  ASSERT_EQ(windowDialogs.calls.size(), 1u);
  const std::string text = windowDialogs.calls[0].text;
  EXPECT_EQ(windowDialogs.calls[0].title, "备份失败");
  EXPECT_EQ(text.rfind("备份失败，写入的备份没有通过检查，已删除。\r\n备份文件夹：" +
                           folder().string() + "\r\n原因：",
                       0),
            0u)
      << text;
  EXPECT_EQ(namesIn(folder()), Names{});
  EXPECT_EQ(errors(), Names{text});
}

TEST_F(BackupServiceTest, ExitWritesItsBackupThenEnds) {
  bool ended = false;
  backups.atExit([&] { ended = true; });
  EXPECT_EQ(screen.shown, Names{"正在备份数据，请稍候…"});
  EXPECT_TRUE(screen.lastBlocking);
  settle(app, backups);
  EXPECT_TRUE(ended);
  EXPECT_EQ(namesIn(folder()), Names{"data-20261210-090503.db"});
  // Nothing after the leaving entry when all went well.
  EXPECT_TRUE(errors().empty());
}

TEST_F(BackupServiceTest, ExitCopiesOnlyWhatWasStoredSinceTheStartsCopy) {
  const struct {
    const char* name;
    int type;
    const char* text;
    size_t copies;
  } cases[] = {
      {"logging out only", LogType::System, "[admin]退出系统", 1},
      {"a sale", LogType::Sale, "创建销售单1", 2},
      {"a stock change", LogType::Stock, "更新库存：可乐", 2},
      {"a failure told", LogType::Error, "打印失败", 2},
      {"a system entry of another kind", LogType::System, "从备份恢复数据", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder());
    Backups run(app.context, app.dialogs, screen);
    run.atStart();
    settle(app, run);
    ASSERT_EQ(namesIn(folder()).size(), 1u);
    app.log.write(c.type, c.text);
    app.clock.advanceSeconds(60);
    bool ended = false;
    run.atExit([&] { ended = true; });
    settle(app, run);
    EXPECT_TRUE(ended);
    EXPECT_EQ(namesIn(folder()).size(), c.copies);
  }
}

TEST_F(BackupServiceTest, ExitWithoutAutomaticBackupsEndsAtOnce) {
  writeKey(app, "自动", "假");
  bool ended = false;
  backups.atExit([&] { ended = true; });
  EXPECT_TRUE(ended);
  EXPECT_FALSE(backups.busy());
  EXPECT_FALSE(fs::exists(folder()));
}

TEST_F(BackupServiceTest, ExitWaitsForRunningWorkAFewSecondsAtMostAndSaysSo) {
  addBulk(3000);
  backups.background = {1, 20ms};  // a copy of many seconds
  backups.exitWait = 300ms;
  backups.backupNow(client);
  bool ended = false;
  const auto start = std::chrono::steady_clock::now();
  backups.atExit([&] { ended = true; });
  ASSERT_EQ(screen.shown.size(), 1u);
  EXPECT_EQ(screen.shown[0], "正在等待备份完成，最多等待0秒…");
  settle(app, backups);
  EXPECT_TRUE(ended);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  // The copy that was cut off left nothing; the exit backup is there; the cut is logged.
  EXPECT_EQ(namesIn(folder()), Names{"data-20261210-090503.db"});
  EXPECT_EQ(errors(), Names{"备份未完成：退出程序时已停止"});
}

TEST_F(BackupServiceTest, ASignalGivesTheExitBackupAFewSecondsAndShowsNothing) {
  addBulk(3000);
  backups.alone = {1, 20ms};  // an exit backup of many seconds
  backups.exitWait = 200ms;
  backups.signalled();
  bool ended = false;
  const auto start = std::chrono::steady_clock::now();
  backups.atExit([&] { ended = true; });
  settle(app, backups);
  EXPECT_TRUE(ended);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_TRUE(screen.shown.empty());
  EXPECT_TRUE(app.dialogs.calls.empty());
  EXPECT_EQ(namesIn(folder()), Names{});
  EXPECT_EQ(errors(), Names{"备份未完成：退出程序时已停止"});
}

TEST_F(BackupServiceTest, AWindowClosedDuringItsBackupGetsNoBoxTheCopyIsStillMade) {
  {
    test::ScriptedDialogs dialogs;
    test::RecordingBackupScreen progress;
    BackupClient closing(app.context, dialogs, progress);
    backups.backupNow(closing);
  }
  settle(app, backups);
  EXPECT_EQ(namesIn(folder()), Names{"data-20261210-090503.db"});
  EXPECT_TRUE(app.dialogs.calls.empty());
}

// ---- Restore
// ---------------------------------------------------------------------------------------

class RestoreTest : public test::SaleTest {
 protected:
  void SetUp() override {
    SaleTest::SetUp();
    backups = std::make_unique<Backups>(app->context, app->dialogs, screen);
    backups->background = {1000, 0ms};
    app->context.backups = backups.get();
    client = std::make_unique<BackupClient>(app->context, windowDialogs, windowScreen);
    app->windows.openMainWindow();
    app->windows.onDestroyMain = [this] { writeLeavingEntry(app->context); };
    addGoods("可乐", "6901", "3", "10");
  }
  void TearDown() override {
    client.reset();
    backups.reset();
  }
  std::string sell() {
    newOrder();
    scan("6901");
    const std::string number = sale->state().orderNumber;
    checkout();
    app->clock.advanceSeconds(60);
    return number;
  }
  std::string database() const { return (dir.path() / "data.db").string(); }
  fs::path folder() const { return dir.path() / "备份"; }

  test::RecordingBackupScreen screen;
  std::unique_ptr<Backups> backups;
  test::ScriptedDialogs windowDialogs;
  test::RecordingBackupScreen windowScreen;
  std::unique_ptr<BackupClient> client;
};

TEST_F(RestoreTest, RoundTripBringsBackTheEarlierStateAndKeepsTheLaterOne) {
  const std::string first = sell();
  backups->backupNow(*client);
  settle(*app, *backups);
  const std::string copy = (folder() / "data-20261210-090603.db").string();
  ASSERT_TRUE(fs::exists(copy)) << testing::PrintToString(namesIn(folder()));
  const std::string second = sell();
  ASSERT_EQ(app->rows("select 订单号 from 销售"), (Rows{{first}, {second}}));
  windowDialogs.calls.clear();
  app->dialogs.calls.clear();
  app->windows.calls.clear();

  windowDialogs.answer(true);
  backups->restoreFrom(copy, *client);
  settle(*app, *backups);

  // The question shows what the copy holds.
  ASSERT_EQ(windowDialogs.calls.size(), 1u);
  const std::string question = windowDialogs.calls[0].text;
  EXPECT_TRUE(contains(question, "备份文件：" + copy)) << question;
  EXPECT_TRUE(contains(question, "最新销售单：" + first + "（2026-12-10 09:05:03）")) << question;
  EXPECT_TRUE(contains(question, "销售 1 条")) << question;
  EXPECT_TRUE(contains(question, "库存 1 条")) << question;
  EXPECT_TRUE(question.ends_with("\r\n\r\n确定用此备份替换当前数据吗？")) << question;
  // Like a shift change: the main window goes and the login window comes back.
  EXPECT_EQ(app->windows.calls, (Names{"destroyMain", "centreLogin"}));
  EXPECT_EQ(screen.shown, Names{"正在恢复数据，请稍候…"});
  EXPECT_TRUE(screen.lastBlocking);

  // The restored data, through the program's own connection.
  EXPECT_EQ(app->rows("select 订单号 from 销售"), (Rows{{first}}));
  EXPECT_EQ(app->rows("select 当前库存 from 库存"), (Rows{{"9"}}));
  EXPECT_EQ(app->rows("pragma integrity_check"), (Rows{{"ok"}}));
  // The data before the restore was kept first, with the second sale and the leaving entry.
  const std::string before = (folder() / "data-20261210-090703.db").string();
  EXPECT_EQ(query(before, "select 订单号 from 销售"), (Rows{{first}, {second}}));
  EXPECT_EQ(query(before, "select 日志 from 日志 order by rowid desc limit 1"),
            (Rows{{"[admin]退出系统"}}));
  ASSERT_EQ(app->dialogs.messages().size(), 1u);
  EXPECT_EQ(app->dialogs.messages()[0], "数据已从备份恢复：\r\n" + copy +
                                            "\r\n恢复前的数据已备份为：\r\n" + before +
                                            "\r\n请重新登录。");
  // The log list now lists the restored log, and the restore itself.
  ASSERT_GT(app->logList.itemCount(), 0);
  EXPECT_EQ(app->listed().back().at(4),
            "从备份恢复数据：" + copy + "；恢复前的数据已备份为：" + before);
  EXPECT_FALSE(fs::exists(database() + ".restoring"));
  // The chosen copy is as it was.
  EXPECT_EQ(query(copy, "select 订单号 from 销售"), (Rows{{first}}));
}

TEST_F(RestoreTest, AnsweringNoChangesNothing) {
  sell();
  backups->backupNow(*client);
  settle(*app, *backups);
  const std::string copy = (folder() / "data-20261210-090603.db").string();
  sell();
  const Rows before = app->rows("select * from 销售");
  windowDialogs.answer(false);
  backups->restoreFrom(copy, *client);
  settle(*app, *backups);
  EXPECT_EQ(app->rows("select * from 销售"), before);
  EXPECT_TRUE(app->windows.mainWindowLoaded());
  EXPECT_EQ(namesIn(folder()).size(), 1u);
}

TEST_F(RestoreTest, AnotherProgramHoldingTheDatabaseStopsTheSwap) {
  sell();
  backups->backupNow(*client);
  settle(*app, *backups);
  const std::string copy = (folder() / "data-20261210-090603.db").string();
  const std::string second = sell();
  // Another connection on the file, as a second program would have.
  Database other;
  ASSERT_TRUE(other.open(database()));
  ASSERT_TRUE(other.execute("select count(*) from 销售"));
  app->dialogs.calls.clear();
  windowDialogs.answer(true);
  backups->restoreFrom(copy, *client);
  settle(*app, *backups);
  ASSERT_EQ(app->dialogs.calls.size(), 1u);
  EXPECT_TRUE(contains(app->dialogs.calls[0].text, "未能恢复数据，当前数据没有改变。"))
      << app->dialogs.calls[0].text;
  EXPECT_TRUE(contains(app->dialogs.calls[0].text, "正被另一个程序使用"));
  EXPECT_EQ(app->rows("select count(*) from 销售"), (Rows{{"2"}}));
  EXPECT_FALSE(fs::exists(database() + ".restoring"));
}

// ---- Faults of the disk
// ----------------------------------------------------------------------------

enum class Fault {
  FullDuringCopy,
  ReadOnlyTarget,
  MissingFolder,
  CorruptCopyOffered,
  FullDuringRestore
};

struct FaultCase {
  const char* name;
  Fault fault;
  // What the message says, beside the folder or the file.
  std::string reason;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class BackupFaultTest : public testing::TestWithParam<FaultCase> {
 protected:
  static void SetUpTestSuite() { test::installFaultyDisk(); }
};

TEST_P(BackupFaultTest, ClearMessageAndDataUntouched) {
  const FaultCase& c = GetParam();
  test::TempDir dir;
  test::TestApp app(dir.path());
  test::startAndLogIn(app);
  test::RecordingBackupScreen screen;
  Backups backups(app.context, app.dialogs, screen);
  backups.background = {1000, 0ms};
  app.context.backups = &backups;
  test::ScriptedDialogs windowDialogs;
  test::RecordingBackupScreen windowScreen;
  BackupClient client(app.context, windowDialogs, windowScreen);
  app.windows.openMainWindow();
  ASSERT_TRUE(app.db.execute("insert into 库存 values('可乐','6901','瓶','',2,3,10,'0','真')"));
  ASSERT_TRUE(app.db.execute("insert into 销售(订单号) values('SX1')"));

  // A good copy to restore from, taken before the fault.
  const fs::path folder = dir.path() / "备份";
  backups.backupNow(client);
  settle(app, backups);
  const std::string good = (folder / "data-20261210-090503.db").string();
  ASSERT_TRUE(fs::exists(good));
  app.clock.advanceSeconds(60);
  ASSERT_TRUE(app.db.execute("insert into 销售(订单号) values('SX2')"));
  windowDialogs.calls.clear();
  const Rows before = contents(app);
  const Names filesBefore = namesIn(folder);
  const std::string folderText = folder.string();

  std::string where = folderText;
  {
    // Writes of database files only: the copies, never the write-ahead log the program's
    // connection appends to (the failure's 错误 entry goes there).
    test::DiskFaultPlan plan;
    plan.file = test::DiskFile::Database;
    plan.after = 2;
    switch (c.fault) {
      case Fault::FullDuringCopy:
        plan.fault = test::DiskFault::Full;
        break;
      case Fault::ReadOnlyTarget:
        plan.fault = test::DiskFault::ReadOnly;
        plan.after = 0;
        break;
      case Fault::MissingFolder:
        where = (dir.path() / "网络盘").string();
        writeKey(app, "目录", where);
        break;
      case Fault::CorruptCopyOffered:
        fs::copy_file(good, dir.path() / "坏.db");
        where = (dir.path() / "坏.db").string();
        flipByte(where, secondPage(where));
        break;
      case Fault::FullDuringRestore:
        plan.fault = test::DiskFault::Full;
        where = (dir.path() / "data.db.restoring").string();
        break;
    }
    test::ScopedDiskFault fault(plan);
    if (c.fault == Fault::CorruptCopyOffered) {
      backups.restoreFrom(where, client);  // no question may come: none is scripted
    } else if (c.fault == Fault::FullDuringRestore) {
      windowDialogs.answer(true);
      backups.restoreFrom(good, client);
    } else {
      backups.backupNow(client);
    }
    settle(app, backups);
  }

  Names messages = windowDialogs.messages();
  for (const std::string& text : app.dialogs.messages()) messages.push_back(text);
  ASSERT_EQ(messages.size(), 1u) << testing::PrintToString(messages);
  EXPECT_TRUE(contains(messages[0], where)) << messages[0];
  EXPECT_TRUE(contains(messages[0], c.reason)) << messages[0];
  const Rows logged = app.rows("select 日志 from 日志 where 类型='6'");
  EXPECT_EQ(logged, (Rows{{messages[0]}}));

  // data.db as it was, sound; the folder as it was, with no leftover of the failed copy.
  EXPECT_EQ(contents(app), before);
  EXPECT_EQ(app.rows("pragma integrity_check"), (Rows{{"ok"}}));
  if (c.fault != Fault::FullDuringRestore) {
    EXPECT_EQ(namesIn(folder), filesBefore);
  }
  EXPECT_FALSE(fs::exists(dir.path() / "data.db.restoring"));
  EXPECT_TRUE(app.windows.mainWindowLoaded() || c.fault == Fault::FullDuringRestore);
}

INSTANTIATE_TEST_SUITE_P(
    Disks, BackupFaultTest,
    testing::Values(FaultCase{"FullDiskDuringTheCopy", Fault::FullDuringCopy, "磁盘空间不足"},
                    FaultCase{"ReadOnlyTarget", Fault::ReadOnlyTarget, "只读，不能写入"},
                    FaultCase{"MissingFolder", Fault::MissingFolder, "文件夹不存在"},
                    FaultCase{"CorruptCopyOfferedForRestore", Fault::CorruptCopyOffered,
                              "没有通过完整性检查"},
                    FaultCase{"FullDiskWhileRestoring", Fault::FullDuringRestore, "磁盘空间不足"}),
    [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

// ---- The terminal commands
// -------------------------------------------------------------------------

}  // namespace
}  // namespace cz
