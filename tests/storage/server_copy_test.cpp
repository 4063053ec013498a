#include "storage/server_copy.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "core/backup_command.h"
#include "core/command_line.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "support/test_app.h"
#include "util/ini_file.h"

namespace cz {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows readRows(Database& db, const std::string& sql) {
  Rows rows;
  RecordSet set(db);
  if (!set.open(sql)) {
    ADD_FAILURE() << sql << ": " << db.lastError();
    return rows;
  }
  while (set.next()) {
    std::vector<std::string> row;
    for (int i = 1; i <= set.columnCount(); ++i) row.push_back(set.field(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

// Every row of a table as the program reads it, in the order of its numbers.
std::string wholeTable(const TableDef& table) {
  for (const ColumnDef& column : table.columns) {
    if (column.type == "INTEGER PRIMARY KEY") {
      return "select * from " + table.name + " order by " + column.name;
    }
  }
  return "select rowid,* from " + table.name + " order by rowid";
}

std::vector<const TableDef*> allTables() {
  std::vector<const TableDef*> tables;
  for (const auto* list : {&schemaTables(), &tillTables()}) {
    for (const TableDef& table : *list) tables.push_back(&table);
  }
  return tables;
}

TEST(CopyRowsTest, EscapesWhatCopyTextTreatsSpecially) {
  CopyRows rows;
  rows.add("a\tb\nc\rd\\e");
  rows.addNull();
  rows.add("");
  rows.add("\\N");
  rows.endRow();
  rows.add("苹果 🍎");
  rows.add("'");
  rows.endRow();
  EXPECT_EQ(rows.text(), "a\\tb\\nc\\rd\\\\e\t\\N\t\t\\\\N\n苹果 🍎\t'\n");
  EXPECT_EQ(rows.rowCount(), 2u);
}

TEST(ServerCopyCommandTest, ParsesTheOptionAndFailsWithTheReason) {
  const ParsedCommandLine parsed =
      parseCommandLine({"--copy-to-postgres", "host=/tmp dbname=shop", "--data", "/srv/店"});
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.copyToServer, "host=/tmp dbname=shop");

  test::TempDir dir;
  CommandLine options;
  options.copyToServer = "host=" + dir.str() + " dbname=无此库 connect_timeout=2";
  std::ostringstream out;
  EXPECT_EQ(runTerminalCommand(options, dir.str(), out), 1);
  EXPECT_EQ(out.str(), "找不到数据库：" + (dir.path() / "data.db").string() + "\n");

  {
    test::TestApp shop(dir.path());
    test::startAndLogIn(shop);
  }
  std::ostringstream noServer;
  EXPECT_EQ(runTerminalCommand(options, dir.str(), noServer), 1);
  EXPECT_EQ(noServer.str().rfind("无法连接数据库服务器：", 0), 0u) << noServer.str();
}

// Against the server the test run started (CZ_TEST_POSTGRES: its maintenance database). The shop
// is a data.db made by the program, with a bit of everything in it.
class ServerCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* server = std::getenv("CZ_TEST_POSTGRES");
    if (!server) GTEST_SKIP() << "CZ_TEST_POSTGRES names no server";
    Database admin;
    ASSERT_TRUE(admin.openServer(server)) << admin.lastError();
    static int counter = 0;
    const std::string name = "c" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    admin.execute("drop database if exists " + name);
    ASSERT_TRUE(admin.execute("create database " + name)) << admin.lastError();
    m_target = std::string(server) + " dbname=" + name;

    test::TestApp shop(m_shop.path());
    test::startAndLogIn(shop);
    Database& db = shop.db;
    const char* statements[] = {
        R"(insert into 库存(名称,条码,规格,备注,进货价,销售价,当前库存,最低折扣,参与积分)
           values('O''Brien “苹果”','690123','500g','制表	符
换行\反斜杠\N','0.1','1e15','-3','9.5','真'))",
        R"(insert into 库存(名称,条码,规格,备注,进货价,销售价,当前库存,最低折扣,参与积分)
           values('🍎 表情',NULL,'','','12.50','0.30000000000000004','0','','假'))",
        R"(insert into 会员(编号,姓名,联系方式,备注,折扣率,积分,创建者)
           values(3,'张三','138 0000','"引号"',95,'0.3','admin'),
                 (7,'李四','139','',100,'',NULL),
                 (20,' 王五 ','','😀',90,'-12.25','admin'))",
        "delete from 会员 where 编号=7",
        R"(insert into 供应商(名称,联系方式,编号,创建者)
           values('甲''乙 公司','021-1',4,'admin'),('丙',NULL,10,'admin'))",
        R"(insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人)
           values('XS1','2026-12-10 10:00:00','张三','3',
                  '{"详情页":[{"商品名称":"O''Brien “苹果”","单价":"0.1","数量":"2"}]}',
                  '0.2','0.2','0','现金支付','admin'),
                 ('XSX','2026-12-10 10:01:00','','','{}','1','1','0','现金支付','admin'),
                 ('XS2','2026-12-10 10:05:00','','','{}','1e15','999999999999999.9','1',
                  '微信支付','admin'),
                 ('XS3','2026-12-10 10:09:00','','','{"备注":"a\tb"}','-5','-5','-1','其他支付',
                  'admin'))",
        "delete from 销售 where 订单号='XSX'",
        R"(insert into 进货(订单号,日期,供应商,电话,订单详情,应付,实付,付款方式,制单人)
           values('JH1','2026-12-09 09:00:00','甲''乙 公司','021-1','{}','100','99.5','现金','admin'))",
        R"(insert into 交班记录(编号,时间,账号,开始,结束,订单数,总应收,总实收,现金支付,微信支付,
           支付宝支付,其他支付,备用金,应有现金,实点现金,差额,下班备用金,报表)
           values(5,'2026-12-10 18:00:00','admin','2026-12-10 08:00:00','2026-12-10 18:00:00',2,
                  '0.2','0.2','0.2','0','0','-5','100','95.2','95','-0.2','100','交班报表
第二行'))",
        R"(insert into 挂单(时间,订单号,客户,客户编号,折扣率,付款方式,应收,行数,订单详情,制单人)
           values('2026-12-10 11:00:00','XS4','张三','3','9.5','现金支付','3.3',1,'{"详情页":[]}',
                  'admin'))",
        "insert into 商品属性 values('690','真','2.5'),('691','假','')",
        "insert into 日志(时间,类型,账号,日志) "
        "values('1765360000000','系统','admin','第一行\r\n第二行')",
        "delete from 日志 where rowid=1",
    };
    for (const char* sql : statements) ASSERT_TRUE(db.execute(sql)) << sql << db.lastError();
  }

  // Runs the command on the shop; its exit code, with the output in `out`.
  int copy(std::string& out) {
    std::ostringstream text;
    std::ostringstream progress;
    const int code = runCopyToServerCommand(m_shop.str(), m_target, text, &progress);
    out = text.str();
    return code;
  }

  // The shop's own tables the target holds.
  int targetTables() {
    Database target;
    EXPECT_TRUE(target.openServer(m_target)) << target.lastError();
    return target.tableCount();
  }

  test::TempDir m_shop;
  std::string m_target;
};

TEST_F(ServerCopyTest, EveryTableReadsBackAsInTheFileAndNewRowsGetFreshNumbers) {
  std::string out;
  ASSERT_EQ(copy(out), 0) << out;
  // data.db is only read, and left without a log beside it, as the program leaves it.
  EXPECT_FALSE(std::filesystem::exists(m_shop.path() / "data.db-wal"));
  EXPECT_FALSE(std::filesystem::exists(m_shop.path() / "data.db-shm"));
  EXPECT_NE(out.find("复制 销售：3 行\n"), std::string::npos) << out;
  EXPECT_NE(out.find("核对 会员：2 行一致\n"), std::string::npos) << out;
  EXPECT_NE(out.find("核对无误：10 张表"), std::string::npos) << out;

  Database file;
  ASSERT_TRUE(file.openReadOnly((m_shop.path() / "data.db").string()));
  Database server;
  ASSERT_TRUE(server.openServer(m_target)) << server.lastError();
  for (const TableDef* table : allTables()) {
    SCOPED_TRACE(table->name);
    const std::string sql = wholeTable(*table);
    EXPECT_EQ(readRows(server, sql), readRows(file, sql));
  }
  // The values the program reads, spot-checked: the file's numbers and texts, not the server's.
  EXPECT_EQ(readRows(server, "select 进货价,销售价,当前库存,备注 from 库存 where rowid=1"),
            (Rows{{"0.1", "1000000000000000", "-3", "制表\t符\n换行\\反斜杠\\N"}}));
  EXPECT_EQ(readRows(server, "select 编号,积分 from 会员 order by 编号"),
            (Rows{{"3", "0.3"}, {"20", "-12.25"}}));
  EXPECT_EQ(readRows(server, "select count(*) from 账号"), (Rows{{"1"}}));
  // The lookup indexes are there, as at a first start on the server.
  EXPECT_EQ(
      readRows(server,
               "select count(*) from pg_indexes where indexname in "
               "('库存_条码','库存_名称','销售_日期','进货_日期','会员_姓名','会员_联系方式')"),
      (Rows{{"6"}}));

  // The program starts on the copied shop, logs in with the copied account, and new rows get
  // numbers past the copied ones.
  test::TempDir tillDir;
  IniFile settings((tillDir.path() / "配置.ini").string());
  settings.write("数据库", "类型", "PostgreSQL");
  settings.write("数据库", "连接", m_target);
  test::TestApp till(tillDir.path());
  test::startAndLogIn(till);
  ASSERT_TRUE(till.db.onServer());
  struct Insert {
    const char* sql;
    std::int64_t number;
  } inserts[] = {
      {"insert into 会员(姓名,联系方式,积分) values('新会员','1','0')", 21},
      {"insert into 供应商(名称) values('新供应商')", 11},
      {"insert into 销售(订单号,总应收) values('XS5','1')", 5},
      {"insert into 交班记录(时间) values('2026-12-11')", 6},
      {"insert into 挂单(订单号) values('XS6')", 2},
  };
  for (const Insert& insert : inserts) {
    ASSERT_TRUE(till.db.execute(insert.sql)) << insert.sql << till.db.lastError();
    EXPECT_EQ(till.db.lastInsertRowId(), insert.number) << insert.sql;
  }
  // The start's log entries follow the copied ones.
  const Rows fileLog = readRows(file, "select max(rowid),count(*) from 日志");
  const Rows serverLog = readRows(server, "select count(*) from 日志");
  const Rows newLog =
      readRows(server, "select count(*) from 日志 where rowid>" + fileLog.at(0).at(0));
  EXPECT_GT(std::stoll(newLog.at(0).at(0)), 0);
  EXPECT_EQ(std::stoll(newLog[0][0]),
            std::stoll(serverLog.at(0).at(0)) - std::stoll(fileLog[0][1]));
}

TEST_F(ServerCopyTest, ATargetHoldingAnyOfTheTablesIsRefusedAndLeftAsItWas) {
  std::string out;
  ASSERT_EQ(copy(out), 0) << out;
  ASSERT_EQ(copy(out), 1);
  EXPECT_NE(out.find("目标数据库里已经有收银的数据表（账号、会员、日志、进货、库存、供应商、销售、"
                     "交班记录、挂单、商品属性），只能复制到空的数据库"),
            std::string::npos)
      << out;

  // One table of the till's own is enough to refuse; it is left as it was.
  Database server;
  ASSERT_TRUE(server.openServer(m_target));
  for (const TableDef* table : allTables()) {
    if (table->name != "挂单") {
      ASSERT_TRUE(server.execute("drop table " + table->name));
    }
  }
  ASSERT_TRUE(server.execute("insert into 挂单(订单号) values('留下')"));
  ASSERT_EQ(copy(out), 1);
  EXPECT_NE(out.find("目标数据库里已经有收银的数据表（挂单）"), std::string::npos) << out;
  EXPECT_EQ(targetTables(), 1);
  EXPECT_EQ(readRows(server, "select 订单号 from 挂单 order by 编号"), (Rows{{"XS4"}, {"留下"}}));
}

// A value the server cannot hold as it reads in the file stops the copy where it is found (the
// tables before it already sent), with the row named; the target keeps nothing, and the same
// target takes the whole copy once the value is put right.
TEST_F(ServerCopyTest, AnOddValueStopsTheCopyAndLeavesTheTargetEmpty) {
  const struct {
    const char* damage;
    const char* message;
  } cases[] = {
      {"update 销售 set 总应收='12元' where 订单号='XS3'",
       "表 销售 rowid 4 的 总应收：“12元” "
       "不是数字，服务器上这一列只能存数字。请先改正这个值再复制"},
      {"update 销售 set 积分=9007199254740993 where 订单号='XS3'",
       "表 销售 rowid 4 的 积分：9007199254740993 超出服务器数字列能准确存放的范围"},
      {"update 销售 set 客户=cast(x'e88b' as text) where 订单号='XS3'",
       "表 销售 rowid 4 的 客户：含有服务器不能存放的字节 0xE8（第 1 个字节"},
      {"update 销售 set 客户='a'||char(0)||'b' where 订单号='XS3'",
       "表 销售 rowid 4 的 客户：含有服务器不能存放的字节 0x00（第 2 个字节"},
      {"update 会员 set 积分=x'3132' where 编号=20", "表 会员 编号 20 的 积分：“12” 不是数字"},
      {"alter table 供应商 add column 传真 text",
       "data.db 的表 供应商 有本程序不认识的列（传真），复制过去会丢失它们"},
      {"drop table 进货", "data.db 缺少数据表（进货），不是完整的收银数据"},
  };
  const std::string file = (m_shop.path() / "data.db").string();
  const std::string original = (m_shop.path() / "original.db").string();
  {
    // A copy of the shop's file, to start each case from.
    Database db;
    ASSERT_TRUE(db.open(file));
    ASSERT_TRUE(db.execute("vacuum into ?", {original}));
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.damage);
    std::filesystem::copy_file(original, file, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(file + "-wal");
    std::filesystem::remove(file + "-shm");
    {
      Database db;
      ASSERT_TRUE(db.open(file));
      ASSERT_TRUE(db.execute(c.damage)) << db.lastError();
    }
    std::string out;
    EXPECT_EQ(copy(out), 1);
    EXPECT_NE(out.find(std::string("复制失败：") + c.message), std::string::npos) << out;
    EXPECT_NE(out.find("服务器上没有留下这次复制的任何内容"), std::string::npos) << out;
    EXPECT_EQ(targetTables(), 0);
  }
  std::filesystem::copy_file(original, file, std::filesystem::copy_options::overwrite_existing);
  std::string out;
  EXPECT_EQ(copy(out), 0) << out;
}

// The check reads back what the server holds: a row changed or lost on the way is found, named by
// its table, and nothing is kept.
TEST_F(ServerCopyTest, AMismatchFoundByTheCheckRollsEverythingBack) {
  const struct {
    const char* change;
    const char* message;
  } cases[] = {
      {"update 库存 set 当前库存=当前库存+1 where rowid=1",
       "核对不一致：表 库存 在服务器上的内容和 data.db 里的不同"},
      {"delete from 日志 where rowid=(select max(rowid) from 日志)",
       "核对不一致：表 日志 在 data.db 里有 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    Database source;
    ASSERT_TRUE(source.openReadOnly((m_shop.path() / "data.db").string()));
    Database target;
    ASSERT_TRUE(target.openServer(m_target));
    ServerCopyOptions options;
    options.beforeCheck = [&](Database& db) { ASSERT_TRUE(db.execute(c.change)); };
    std::ostringstream out;
    EXPECT_EQ(copyShopToServer(source, target, out, options).rfind(c.message, 0), 0u);
    EXPECT_EQ(targetTables(), 0);
  }
}

}  // namespace
}  // namespace cz
