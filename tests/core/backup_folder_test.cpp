// The backup folder under careless or hostile use: files that are no shop, two backups at once,
// a database another program holds locked, copies cut off half way.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/backup_command.h"
#include "core/backup_service.h"
#include "core/bootstrap.h"
#include "core/command_line.h"
#include "storage/backup.h"
#include "storage/database_kind.h"
#include "storage/sqlite_file.h"
#include "support/recording_backup_screen.h"
#include "support/test_app.h"
#include "util/file_system.h"
#include "util/ini_file.h"

namespace cz {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;

Names namesIn(const fs::path& folder) {
  Names names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A shop's data.db in `dir`, closed.
void makeShop(const fs::path& dir) {
  test::TestApp app(dir);
  test::startAndLogIn(app);
}

// Runs statements on a file through a plain connection (the program's Database would add the
// shop's settings).
void runSql(const fs::path& file, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// ---- Files that hold no shop ----------------------------------------------------------------

struct NoShopCase {
  const char* name;
  // Statements that make data.db; none leaves it a zero-length file.
  const char* sql;
};

class NoShopTest : public testing::TestWithParam<NoShopCase> {};

TEST_P(NoShopTest, FailsTheCheckAndIsNeverCopiedOverGoodCopies) {
  test::TempDir dir;
  // Three good copies of the shop, then its data.db replaced by a file that is no shop.
  makeShop(dir.path());
  ASSERT_TRUE(IniFile((dir.path() / "配置.ini").string()).write("备份", "保留", "3"));
  const fs::path copies = dir.path() / "copies";
  fs::create_directories(copies);
  for (int i = 0; i < 3; ++i) {
    std::ostringstream out;
    ASSERT_EQ(runBackupCommand(dir.str(), copies.string(), out), 0) << out.str();
  }
  const Names good = namesIn(copies);
  ASSERT_EQ(good.size(), 3u);
  const fs::path file = dir.path() / "data.db";
  fs::remove(file);
  std::ofstream(file).close();
  if (*GetParam().sql) runSql(file, GetParam().sql);

  std::ostringstream out;
  EXPECT_EQ(runCheckCommand(dir.str(), out), 1);
  EXPECT_EQ(out.str(), std::string(kNoShopDataText) + "：" + file.string() + "\n");
  for (int i = 0; i < 4; ++i) {
    out.str("");
    EXPECT_EQ(runBackupCommand(dir.str(), copies.string(), out), 1);
    EXPECT_TRUE(contains(out.str(), kNoShopDataText)) << out.str();
  }
  EXPECT_EQ(namesIn(copies), good);
}

INSTANTIATE_TEST_SUITE_P(
    Files, NoShopTest,
    testing::Values(NoShopCase{"ZeroLength", ""},
                    NoShopCase{"AnotherProgramsDatabase",
                               "create table notes(x); insert into notes values(1)"},
                    NoShopCase{"EmptyWriteAheadLogFile", "pragma journal_mode=wal"}),
    [](const testing::TestParamInfo<NoShopCase>& info) { return info.param.name; });

TEST(BackupRotationTest, ACopyWithFewerTablesNeverPushesOutAFullerOne) {
  test::TempDir dir;
  makeShop(dir.path());
  const fs::path copies = dir.path() / "copies";
  fs::create_directories(copies);
  const std::string file = (dir.path() / "data.db").string();
  CopyControl control;
  for (int second = 0; second < 2; ++second) {
    ASSERT_TRUE(writeBackup(file, copies.string(), 2, {2026, 12, 1, 8, 0, second}, control).ok);
  }
  const Names full = namesIn(copies);
  // Tables dropped by hand: the copy is written, and only the fuller copies' count is broken.
  runSql(file, "drop table 会员; drop table 供应商");
  const BackupResult result =
      writeBackup(file, copies.string(), 2, {2026, 12, 2, 8, 0, 0}, control);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(result.removed.empty());
  Names expected = full;
  expected.push_back("data-20261202-080000.db");
  EXPECT_EQ(namesIn(copies), expected);
  // A copy as full as the others takes part in the rotation again: the two oldest go.
  fs::create_directories(dir.path() / "other");
  makeShop(dir.path() / "other");
  const BackupResult next = writeBackup((dir.path() / "other" / "data.db").string(),
                                        copies.string(), 2, {2026, 12, 3, 8, 0, 0}, control);
  ASSERT_TRUE(next.ok) << next.error;
  EXPECT_EQ(namesIn(copies), (Names{"data-20261202-080000.db", "data-20261203-080000.db"}));
}

// ---- Two backups at once, a locked database, parts cut off --------------------------------

TEST(BackupConcurrencyTest, TwoBackupsInTheSameSecondBothWriteACopy) {
  test::TempDir dir;
  makeShop(dir.path());
  const std::string file = (dir.path() / "data.db").string();
  const fs::path copies = dir.path() / "copies";
  fs::create_directories(copies);
  for (int round = 0; round < 5; ++round) {
    BackupResult results[2];
    std::vector<std::thread> runs;
    for (BackupResult& result : results) {
      runs.emplace_back([&] {
        CopyControl control;
        control.pagesPerStep = 1;
        result = writeBackup(file, copies.string(), 100, {2026, 12, 10, 9, 5, round}, control);
      });
    }
    for (std::thread& run : runs) run.join();
    for (const BackupResult& result : results) {
      ASSERT_TRUE(result.ok) << result.error;
      EXPECT_TRUE(checkDatabaseFile(result.path, CheckDepth::Quick).ok);
    }
    EXPECT_NE(results[0].path, results[1].path);
  }
  const Names names = namesIn(copies);
  EXPECT_EQ(names.size(), 10u);
  EXPECT_TRUE(std::none_of(names.begin(), names.end(),
                           [](const std::string& n) { return n.ends_with(".part"); }));
}

TEST(BackupConcurrencyTest, ADatabaseHeldLockedGivesUpWithinTheLimit) {
  test::TempDir dir;
  makeShop(dir.path());
  const std::string file = (dir.path() / "data.db").string();
  const fs::path copies = dir.path() / "copies";
  fs::create_directories(copies);
  // Another program holds the file locked for writing and does not let go.
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder,
                         "pragma locking_mode=exclusive; begin exclusive; "
                         "insert into 日志(时间,类型,账号,日志) values('','0','','x')",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  CopyControl control;
  control.busyLimit = 500ms;
  const auto start = std::chrono::steady_clock::now();
  const BackupResult result =
      writeBackup(file, copies.string(), 30, {2026, 12, 10, 9, 5, 3}, control);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(contains(result.error, "数据库正被占用")) << result.error;
  EXPECT_TRUE(contains(result.error, "无法读取数据库")) << result.error;
  // The limit and the engine's own short waits, with room for a loaded machine.
  EXPECT_LT(took, 8s);
  EXPECT_TRUE(namesIn(copies).empty());
  sqlite3_exec(holder, "rollback", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
}

TEST(BackupConcurrencyTest, APartNobodyWritesIsSweptOneBeingWrittenIsKept) {
  test::TempDir dir;
  makeShop(dir.path());
  const fs::path copies = dir.path() / "copies";
  fs::create_directories(copies);
  const fs::path abandoned = copies / "data-20261209-080000.db.part";
  const fs::path writing = copies / "data-20261209-090000.db.part";
  for (const fs::path& part : {abandoned, writing}) std::ofstream(part) << "half a copy";
  std::ofstream(abandoned.string() + "-journal") << "journal";
  // A writer in another process holds its part locked for as long as it writes.
  const int fd = ::open(writing.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  CopyControl control;
  const BackupResult result = writeBackup((dir.path() / "data.db").string(), copies.string(), 30,
                                          {2026, 12, 10, 9, 5, 3}, control);
  ::close(fd);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(namesIn(copies), (Names{"data-20261209-090000.db.part", "data-20261210-090503.db"}));
}

// ---- The settings a careless hand typed -------------------------------------------------------

struct KeepCase {
  const char* name;
  const char* text;
  int keep;
  bool wrong;
};

class KeepCountTest : public testing::TestWithParam<KeepCase> {};

TEST_P(KeepCountTest, OnlyAWholeNumberIsACount) {
  const KeepCase& c = GetParam();
  test::TempDir dir;
  const std::string settings = (dir.path() / "配置.ini").string();
  ASSERT_TRUE(IniFile(settings).write("备份", "保留", c.text));
  const BackupOptions options = readBackupOptions(settings, (dir.path() / "data.db").string());
  EXPECT_EQ(options.keep, c.keep);
  EXPECT_EQ(!options.keepError.empty(), c.wrong) << options.keepError;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KeepCountTest,
    testing::Values(KeepCase{"Plain", "12", 12, false},
                    KeepCase{"BlanksAround", " 12\t", 12, false}, KeepCase{"Zero", "0", 1, false},
                    KeepCase{"Huge", "99999999999999999999", 1000000, false},
                    KeepCase{"ThousandsComma", "1,000", 30, true},
                    KeepCase{"ThousandsBlank", "1 000", 30, true},
                    KeepCase{"Exponent", "1e3", 30, true}, KeepCase{"Fraction", "2.5", 30, true},
                    KeepCase{"Signed", "+5", 30, true}, KeepCase{"Negative", "-3", 30, true},
                    KeepCase{"WideDigits", "１０", 30, true}, KeepCase{"Blank", "  ", 30, true}),
    [](const testing::TestParamInfo<KeepCase>& info) { return info.param.name; });

TEST(KeepCountTest, AWrongCountKeepsTheCopiesAndIsLoggedOnce) {
  test::TempDir dir;
  makeShop(dir.path());
  ASSERT_TRUE(IniFile((dir.path() / "配置.ini").string()).write("备份", "保留", "1,000"));
  const fs::path copies = dir.path() / "copies";
  fs::create_directories(copies);
  for (int i = 0; i < 3; ++i) {
    std::ostringstream out;
    ASSERT_EQ(runBackupCommand(dir.str(), copies.string(), out), 0) << out.str();
    EXPECT_TRUE(contains(out.str(), "保留=[1,000]不是整数")) << out.str();
  }
  EXPECT_EQ(namesIn(copies).size(), 3u);

  test::TestApp app(dir.path());
  test::startAndLogIn(app);
  test::RecordingBackupScreen screen;
  Backups backups(app.context, app.dialogs, screen);
  EXPECT_EQ(backups.options().keep, 30);
  EXPECT_EQ(backups.options().keep, 30);
  const auto errors = app.rows("select 日志 from 日志 where 类型='6'");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(contains(errors[0][0], "保留=[1,000]")) << errors[0][0];
}

struct TypeCase {
  const char* name;
  const char* type;
  DatabaseKind kind;
};

class DatabaseTypeTest : public testing::TestWithParam<TypeCase> {};

TEST_P(DatabaseTypeTest, MatchedIgnoringCaseAndBlanksAnythingElseOpensNothing) {
  const TypeCase& c = GetParam();
  test::TempDir dir;
  const std::string settings = (dir.path() / "配置.ini").string();
  ASSERT_TRUE(IniFile(settings).write("数据库", "类型", c.type));
  const DatabaseChoice choice = readDatabaseChoice(settings);
  EXPECT_EQ(choice.kind, c.kind);
  if (c.kind != DatabaseKind::Invalid) return;
  EXPECT_EQ(choice.error, "数据库类型[" + IniFile(settings).read("数据库", "类型") +
                              "]无效，请填写 SQLite 或 PostgreSQL");
  // The window program shows it and makes no data.db.
  {
    test::TestApp app(dir.path());
    runBootstrap(app.context, app.dialogs);
    EXPECT_FALSE(app.db.isOpen());
    ASSERT_FALSE(app.dialogs.calls.empty());
    EXPECT_EQ(app.dialogs.calls.front().text, choice.error);
  }
  EXPECT_FALSE(fs::exists(dir.path() / "data.db"));
  // The terminal commands refuse it.
  for (const bool check : {true, false}) {
    CommandLine options;
    options.check = check;
    if (!check) options.backupFolder = dir.str();
    std::ostringstream out;
    EXPECT_EQ(runTerminalCommand(options, dir.str(), out), 2);
    EXPECT_EQ(out.str(), choice.error + "\n");
  }
  EXPECT_FALSE(fs::exists(dir.path() / "data.db"));
}

INSTANTIATE_TEST_SUITE_P(
    Types, DatabaseTypeTest,
    testing::Values(TypeCase{"Unset", "", DatabaseKind::File},
                    TypeCase{"SQLite", "SQLite", DatabaseKind::File},
                    TypeCase{"SqliteLowerWithBlanks", " sqlite ", DatabaseKind::File},
                    TypeCase{"PostgreSQL", "PostgreSQL", DatabaseKind::Server},
                    TypeCase{"LowerCase", "postgresql", DatabaseKind::Server},
                    TypeCase{"TrailingBlank", "PostgreSQL ", DatabaseKind::Server},
                    TypeCase{"WideBlank", "Postgre　SQL", DatabaseKind::Server},
                    TypeCase{"Oracle", "Oracle", DatabaseKind::Invalid},
                    TypeCase{"Postgres", "Postgres", DatabaseKind::Invalid},
                    TypeCase{"Chinese", "数据库服务器", DatabaseKind::Invalid}),
    [](const testing::TestParamInfo<TypeCase>& info) { return info.param.name; });

TEST(DatabaseTypeTest, ServerShopRefusesTheFileCommands) {
  test::TempDir dir;
  makeShop(dir.path());
  const std::string settings = (dir.path() / "配置.ini").string();
  ASSERT_TRUE(IniFile(settings).write("数据库", "类型", "PostgreSQL"));
  ASSERT_TRUE(IniFile(settings).write("数据库", "连接", "host=/nowhere dbname=shop"));
  const fs::path copies = dir.path() / "copies";
  fs::create_directories(copies);
  for (const bool check : {true, false}) {
    CommandLine options;
    options.check = check;
    if (!check) options.backupFolder = copies.string();
    std::ostringstream out;
    EXPECT_EQ(runTerminalCommand(options, dir.str(), out), 2);
    EXPECT_EQ(out.str(), std::string(kOnServerText) + "\n");
  }
  EXPECT_TRUE(namesIn(copies).empty());
}

// ---- Reasons that say what is wrong ---------------------------------------------------------

struct Outcome {
  int code = -1;
  std::string out;
};

// Runs `command` in a child process as a user who owns none of the test's files (root may write
// anywhere, whatever the permission bits say), and collects its exit code and output.
Outcome runAsAnotherUser(const std::function<int(std::ostream&)>& command) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeFds[0]);
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
    std::ostringstream out;
    const int code = command(out);
    const std::string text = out.str();
    if (::write(pipeFds[1], text.data(), text.size()) < 0) ::_exit(98);
    ::_exit(code);
  }
  ::close(pipeFds[1]);
  Outcome outcome;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) outcome.out.append(buffer, got);
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

// A shop in a folder everyone may read and nobody but its owner may write.
class ReadOnlyFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    fs::create_directories(shop);
    makeShop(shop);
    fs::create_directories(copies);
    for (const fs::path& folder : {shop, copies}) {
      fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    for (const auto& entry : fs::directory_iterator(shop)) {
      if (entry.is_regular_file()) {
        fs::permissions(entry.path(), fs::perms::others_read, fs::perm_options::add);
      }
    }
    // Nobody else can write here, not even the shop's own folder.
    fs::permissions(shop, fs::perms::owner_write, fs::perm_options::remove);
  }
  void TearDown() override { fs::permissions(shop, fs::perms::owner_write, fs::perm_options::add); }

  test::TempDir dir;
  fs::path shop = dir.path() / "shop";
  fs::path copies = dir.path() / "copies";
};

TEST_F(ReadOnlyFolderTest, ASoundFileInAFolderNobodyCanWriteIsReadAndSound) {
  const Outcome check =
      runAsAnotherUser([&](std::ostream& out) { return runCheckCommand(shop.string(), out); });
  EXPECT_EQ(check.code, 0) << check.out;
  EXPECT_EQ(check.out, "数据库完好\n");
}

TEST_F(ReadOnlyFolderTest, AFolderThatCannotBeWrittenSaysSo) {
  // The copies' folder exists and belongs to somebody else.
  const Outcome backup = runAsAnotherUser(
      [&](std::ostream& out) { return runBackupCommand(shop.string(), copies.string(), out); });
  EXPECT_EQ(backup.code, 1);
  EXPECT_TRUE(contains(backup.out, "无法写入备份文件夹：" + copies.string())) << backup.out;
  EXPECT_TRUE(contains(backup.out, "没有访问权限")) << backup.out;
  EXPECT_FALSE(contains(backup.out, "不存在")) << backup.out;
}

TEST(ReasonTest, SystemErrorsAreToldInChinese) {
  for (const int error : {EEXIST, EBUSY, ENOTEMPTY, EXDEV, EINVAL, ELOOP, EMFILE, 12345}) {
    const std::string text = fileErrorText(error);
    EXPECT_FALSE(text.empty());
    EXPECT_TRUE(
        std::none_of(text.begin(), text.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }))
        << error << ": " << text;
  }
}

TEST(CheckAndBackupTest, TheCopyIsTakenOnlyOfASoundFile) {
  test::TempDir dir;
  makeShop(dir.path());
  const fs::path copies = dir.path() / "copies";
  fs::create_directories(copies);
  CommandLine both;
  both.check = true;
  both.backupFolder = copies.string();
  std::ostringstream out;
  EXPECT_EQ(runTerminalCommand(both, dir.str(), out), 0) << out.str();
  EXPECT_EQ(out.str().rfind("数据库完好\n已备份到：", 0), 0u) << out.str();
  EXPECT_EQ(namesIn(copies).size(), 1u);
  // A damaged page: the check fails, and no copy is added.
  const std::string file = (dir.path() / "data.db").string();
  {
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekp(4096);
    const char garbage[4] = {'\x7f', '\x7f', '\x7f', '\x7f'};
    stream.write(garbage, sizeof garbage);
  }
  out.str("");
  EXPECT_EQ(runTerminalCommand(both, dir.str(), out), 1);
  EXPECT_TRUE(contains(out.str(), "数据库有错误")) << out.str();
  EXPECT_FALSE(contains(out.str(), "已备份到")) << out.str();
  EXPECT_EQ(namesIn(copies).size(), 1u);
}

}  // namespace
}  // namespace cz
