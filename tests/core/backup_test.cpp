// Backups of data.db: copies taken while the till stores orders, the rotation of the backup
// folder, the day's first start and the exit, restore, the faults of a full, read-only or missing
// disk, the options of the settings file and the terminal commands.
#include <gtest/gtest.h>
#include <sqlite3.h>

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
#include "core/backup.h"
#include "core/backup_command.h"
#include "core/backup_service.h"
#include "core/command_line.h"
#include "core/database.h"
#include "core/login.h"
#include "core/schema.h"
#include "support/faulty_vfs.h"
#include "support/recording_backup_screen.h"
#include "support/test_app.h"
#include "util/ini_file.h"

namespace cz {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Rows = std::vector<std::vector<std::string>>;
using Names = std::vector<std::string>;

// Runs the UI queue until the backups have nothing left to do.
void settle(test::TestApp& app, Backups& backups) {
  const auto end = std::chrono::steady_clock::now() + 120s;
  while ((backups.busy() || app.ui.pending() > 0) && std::chrono::steady_clock::now() < end) {
    app.ui.drain();
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_FALSE(backups.busy()) << "the backup did not end";
}

// The names of the files in `folder`, sorted.
Names namesIn(const fs::path& folder) {
  Names names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The rows of a query on a file, read without writing to it (the program's Database would turn
// the file to the write-ahead log).
Rows query(const std::string& file, const std::string& sql) {
  Rows rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << file << ": " << sqlite3_errmsg(db);
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  }
  while (statement && sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const auto* text = sqlite3_column_text(statement, i);
      row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

// Every row of every table, the 错误 entries of the log left out (a failure adds one).
Rows contents(test::TestApp& app) {
  Rows all;
  for (const TableDef& table : schemaTables()) {
    std::string sql = "select * from " + table.name;
    if (table.name == "日志") sql += " where 类型<>'6'";
    for (auto& row : app.rows(sql + " order by rowid")) {
      row.insert(row.begin(), table.name);
      all.push_back(std::move(row));
    }
  }
  return all;
}

// Flips every bit of one byte: the first byte of page 2 is its page type, so the b-tree there is
// no longer one the engine knows.
void flipByte(const std::string& file, std::streamoff offset) {
  std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
  ASSERT_TRUE(stream);
  stream.seekg(offset);
  char byte = 0;
  stream.read(&byte, 1);
  byte = static_cast<char>(~byte);
  stream.seekp(offset);
  stream.write(&byte, 1);
}

std::streamoff secondPage(const std::string& file) {
  return std::stoll(query(file, "pragma page_size").at(0).at(0));
}

void writeKey(const test::TestApp& app, const char* key, const std::string& value) {
  ASSERT_TRUE(IniFile(app.session.settingsFilePath()).write("备份", key, value));
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// ---- A copy taken while another connection stores orders ---------------------------------------

constexpr int kGoods = 50;
constexpr int kInitialStock = 1000000;

// The goods an order takes one unit of: three different ones.
std::vector<int> goodsOf(int order) {
  return {order % kGoods, (order + 7) % kGoods, (order + 19) % kGoods};
}

// One order in one transaction: its sale row, one unit off each of its goods, its log entry.
bool storeOrder(Database& db, int order) {
  Transaction transaction(db);
  if (!transaction.started()) return false;
  const std::string number = std::to_string(order);
  if (!db.execute("insert into 销售(订单号, 订单详情) values(?, ?)", {number, "order " + number})) {
    return false;
  }
  for (int goods : goodsOf(order)) {
    if (!db.execute("update 库存 set 当前库存=当前库存-1 where 条码=?", {std::to_string(goods)})) {
      return false;
    }
  }
  if (!db.execute("insert into 日志(时间,类型,账号,日志) values('', '1', '', ?)",
                  {"创建销售单" + number})) {
    return false;
  }
  return transaction.commit();
}

struct PaceCase {
  int pagesPerStep;
  std::chrono::milliseconds pause;
  // Slow enough that orders are certainly stored while the copy runs.
  bool overlaps;
};

void PrintTo(const PaceCase& c, std::ostream* os) {
  *os << c.pagesPerStep << " pages, " << c.pause.count() << " ms";
}

class BackupWhileStoringTest : public testing::TestWithParam<PaceCase> {};

TEST_P(BackupWhileStoringTest, CopyPassesItsCheckAndHoldsAPrefixOfWholeOrders) {
  const PaceCase pace = GetParam();
  test::TempDir dir;
  const std::string file = (dir.path() / "data.db").string();
  {
    Database db;
    ASSERT_TRUE(db.open(file));
    for (const TableDef& table : schemaTables())
      ASSERT_TRUE(db.createTable(table.name, table.columns));
    ASSERT_TRUE(db.begin());
    for (int g = 0; g < kGoods; ++g) {
      ASSERT_TRUE(
          db.execute("insert into 库存(名称,条码,当前库存) values(?,?,?)",
                     {"货" + std::to_string(g), std::to_string(g), std::to_string(kInitialStock)}));
    }
    // Some bulk, so the copy takes many steps.
    const std::string filler(400, 'x');
    for (int i = 0; i < 4000; ++i) {
      ASSERT_TRUE(
          db.execute("insert into 日志(时间,类型,账号,日志) values('', '0', '', ?)", {filler}));
    }
    ASSERT_TRUE(db.commit());
  }

  std::atomic<int> stored{0};
  std::atomic<bool> stop{false};
  std::atomic<bool> failed{false};
  std::thread writer([&] {
    Database db;
    if (!db.open(file)) {
      failed = true;
      return;
    }
    for (int order = 1; !stop; ++order) {
      if (!storeOrder(db, order)) {
        failed = true;
        return;
      }
      stored = order;
    }
  });
  while (stored < 5 && !failed) std::this_thread::sleep_for(1ms);

  const fs::path folder = dir.path() / "备份";
  fs::create_directories(folder);
  CopyControl control;
  control.pagesPerStep = pace.pagesPerStep;
  control.pause = pace.pause;
  const int before = stored;
  const BackupResult result =
      writeBackup(file, folder.string(), 30, {2026, 12, 10, 9, 5, 3}, control);
  const int after = stored;
  stop = true;
  writer.join();
  ASSERT_FALSE(failed) << "the till could not store an order during the copy";
  ASSERT_TRUE(result.ok) << result.error;
  if (pace.overlaps) {
    EXPECT_GT(after, before) << "no order was stored while the copy ran";
  }

  EXPECT_TRUE(checkDatabaseFile(result.path, CheckDepth::Full).ok);
  // The orders of the copy are 1 … n without a gap, n at least those stored when it began.
  const Rows sales = query(result.path, "select 订单号 from 销售 order by rowid");
  const int n = static_cast<int>(sales.size());
  EXPECT_GE(n, before);
  EXPECT_LE(n, after);
  for (int i = 0; i < n; ++i) ASSERT_EQ(sales[i].at(0), std::to_string(i + 1));
  // Each of them whole: its log entry, and its units off the stock; nothing of a later one.
  EXPECT_EQ(query(result.path, "select count(*) from 日志 where 日志 like '创建销售单%'"),
            (Rows{{std::to_string(n)}}));
  std::map<int, int> taken;
  for (int order = 1; order <= n; ++order) {
    for (int goods : goodsOf(order)) ++taken[goods];
  }
  for (const auto& row : query(result.path, "select 条码, 当前库存 from 库存")) {
    EXPECT_EQ(std::stoi(row.at(1)), kInitialStock - taken[std::stoi(row.at(0))]) << row.at(0);
  }
  // The copy is one file: no log beside it, and its header asks for none (bytes 18 and 19 are
  // 1 for the rollback journal, 2 for the write-ahead log).
  EXPECT_EQ(namesIn(folder), Names{"data-20261210-090503.db"});
  std::ifstream header(result.path, std::ios::binary);
  char bytes[20] = {};
  header.read(bytes, sizeof bytes);
  EXPECT_EQ(bytes[18], 1);
  EXPECT_EQ(bytes[19], 1);
}

INSTANTIATE_TEST_SUITE_P(Paces, BackupWhileStoringTest,
                         testing::Values(PaceCase{1, 0ms, true}, PaceCase{4, 1ms, true},
                                         PaceCase{256, 10ms, false}),
                         [](const testing::TestParamInfo<PaceCase>& info) {
                           return "Pages" + std::to_string(info.param.pagesPerStep) + "Pause" +
                                  std::to_string(info.param.pause.count()) + "ms";
                         });

// ---- Rotation
// ------------------------------------------------------------------------------------

struct RotationCase {
  const char* name;
  int keep;
  Names before;
  // Files made ten minutes and more before the copy (a cut-off copy nobody writes any more).
  Names stale;
  Names after;
};

void PrintTo(const RotationCase& c, std::ostream* os) {
  *os << c.name;
}

class RotationTest : public testing::TestWithParam<RotationCase> {};

TEST_P(RotationTest, KeepsTheNewestCopiesAndNeverTheOneJustWritten) {
  const RotationCase& c = GetParam();
  test::TempDir dir;
  const std::string file = (dir.path() / "data.db").string();
  {
    test::TestApp app(dir.path());
    test::startAndLogIn(app);
  }
  const fs::path folder = dir.path() / "copies";
  fs::create_directories(folder);
  for (const std::string& name : c.before) std::ofstream(folder / name) << "old";
  for (const std::string& name : c.stale) {
    std::ofstream(folder / name) << "cut off";
    fs::last_write_time(folder / name, fs::file_time_type::clock::now() - 11min);
  }
  CopyControl control;
  const BackupResult result =
      writeBackup(file, folder.string(), c.keep, {2026, 12, 10, 9, 5, 3}, control);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(namesIn(folder), c.after);
  EXPECT_TRUE(result.notRemoved.empty());
  EXPECT_TRUE(fs::exists(result.path));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, RotationTest,
    testing::Values(
        RotationCase{
            "ThreeOfFive",
            3,
            {"data-20261201-080000.db", "data-20261202-080000.db", "data-20261203-080000.db",
             "data-20261204-080000.db", "data-20261205-080000.db"},
            {},
            {"data-20261204-080000.db", "data-20261205-080000.db", "data-20261210-090503.db"}},
        RotationCase{"OneKeepsOnlyTheNew",
                     1,
                     {"data-20261201-080000.db", "data-20261209-235959.db"},
                     {},
                     {"data-20261210-090503.db"}},
        // A clock set back: the other copies look newer, the new one still stays.
        RotationCase{
            "ClockSetBack",
            2,
            {"data-20270101-080000.db", "data-20270102-080000.db", "data-20270103-080000.db"},
            {},
            {"data-20261210-090503.db", "data-20270103-080000.db"}},
        // A second copy of the same second is numbered, and counts after the first; files not
        // named like a copy are never touched; a cut-off copy nobody writes is swept.
        RotationCase{"SameSecondAndStrangers",
                     2,
                     {"data-20261210-090503.db", "data.db", "notes.txt", "data-2026.db",
                      "data-20261201-080000.db.bak", "data-20261210-090503.db.part",
                      "data-20261201-080000-.db", "data-20261201-0800001.db"},
                     {"data-20261208-010101.db.part", "data-20261208-010101.db.part-journal",
                      "data-20261208-010101.db.part-old"},
                     {"data-2026.db", "data-20261201-080000-.db", "data-20261201-080000.db.bak",
                      "data-20261201-0800001.db", "data-20261208-010101.db.part-old",
                      "data-20261210-090503-2.db", "data-20261210-090503.db", "data.db",
                      "notes.txt"}},
        RotationCase{"EmptyFolderAndThirty", 30, {}, {}, {"data-20261210-090503.db"}}),
    [](const testing::TestParamInfo<RotationCase>& info) { return info.param.name; });

// ---- The options of the settings file
// ------------------------------------------------------------

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

TEST(BackupCommandTest, CheckExitsNonZeroOnAFlippedPageByte) {
  test::TempDir dir;
  {
    test::TestApp app(dir.path());
    test::startAndLogIn(app);
  }
  const std::string file = (dir.path() / "data.db").string();
  std::ostringstream out;
  EXPECT_EQ(runCheckCommand(dir.str(), out), 0);
  EXPECT_EQ(out.str(), "数据库完好\n");
  // Checking leaves the closed shop as one file.
  EXPECT_EQ(namesIn(dir.path()), (Names{"config-home", "data.db"}));

  flipByte(file, secondPage(file));
  out.str("");
  EXPECT_EQ(runCheckCommand(dir.str(), out), 1);
  EXPECT_EQ(out.str().rfind("数据库有错误：" + file + "\n", 0), 0u) << out.str();

  out.str("");
  EXPECT_EQ(runCheckCommand((dir.path() / "空").string(), out), 2);
  EXPECT_TRUE(contains(out.str(), "找不到数据库")) << out.str();
}

CommandLine backupTo(const std::string& folder) {
  CommandLine options;
  options.backupFolder = folder;
  return options;
}

TEST(BackupCommandTest, BackupWritesOneCheckedCopyAndKeepsTheCount) {
  test::TempDir dir;
  {
    test::TestApp app(dir.path());
    test::startAndLogIn(app);
  }
  ASSERT_TRUE(IniFile((dir.path() / "配置.ini").string()).write("备份", "保留", "2"));
  const fs::path target = dir.path() / "cron";
  fs::create_directories(target);
  for (const char* old : {"data-20200101-000000.db", "data-20200102-000000.db"}) {
    std::ofstream(target / old) << "old";
  }
  std::ostringstream out;
  EXPECT_EQ(runTerminalCommand(backupTo(target.string()), dir.str(), out), 0);
  const Names names = namesIn(target);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "data-20200102-000000.db");
  const std::string copy = (target / names[1]).string();
  EXPECT_TRUE(contains(out.str(), "已备份到：" + copy)) << out.str();
  EXPECT_TRUE(checkDatabaseFile(copy, CheckDepth::Full).ok);
  EXPECT_EQ(namesIn(dir.path()), (Names{"config-home", "cron", "data.db", "配置.ini"}));

  out.str("");
  EXPECT_EQ(runTerminalCommand(backupTo((dir.path() / "无").string()), dir.str(), out), 1);
  EXPECT_TRUE(contains(out.str(), "文件夹不存在")) << out.str();
  EXPECT_EQ(runTerminalCommand(CommandLine{}, dir.str(), out), std::nullopt);
}

}  // namespace
}  // namespace cz
