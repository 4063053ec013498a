// The terminal commands --backup and --check.
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
