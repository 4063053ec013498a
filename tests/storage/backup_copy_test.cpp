// Copies of data.db taken while the till stores orders, and the rotation of the backup folder.
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

}  // namespace
}  // namespace cz
