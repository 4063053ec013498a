#include "storage/postgres.h"
#include "storage/postgres_dialect.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "admin/settings_presenter.h"
#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/backup_service.h"
#include "core/bootstrap.h"
#include "storage/database.h"
#include "support/commit_cut_relay.h"
#include "support/recording_backup_screen.h"
#include "support/recording_printer.h"
#include "support/test_app.h"
#include "util/ini_file.h"

namespace cz {
namespace {

TEST(PostgresStatementTest, RewritesWhatTheDialectsSayDifferently) {
  struct Case {
    const char* sqlite;
    const char* server;
  } cases[] = {
      {"select * from t where a=? and b=?", "select * from t where a=$1 and b=$2"},
      // A question mark inside a literal is text.
      {"select '?', ? from t", "select '?', $1 from t"},
      {"select * from 供应商 where 名称 like ?",
       "select 名称,联系方式,编号,创建者 from 供应商 where 名称::text ilike $1 escape ''"},
      // A search the server must not read a backslash of as an escape; a subquery gets a name;
      // the unary plus that keeps SQLite off an index goes; a trimmed value is text.
      {"select count(*) from 销售 where (客户 like ? or 订单详情 like ?) order by +日期, rowid",
       "select count(*) from 销售 where (客户::text ilike $1 escape '' or 订单详情::text ilike $2 "
       "escape '') order by 日期, rowid"},
      {"select a from (select rowid as r,a from t order by rowid desc limit 9) order by r",
       "select a from (select rowid as r,a from t order by rowid desc limit 9) as cz_sub1 order by "
       "r"},
      {"select x from (select 1 as x) q", "select x from (select 1 as x) q"},
      {"select 1 from t where trim(?,char(32,9,10,13,12288))<>''",
       "select 1 from t where btrim($1::text,' \t\n\r\xE3\x80\x80')<>''"},
      {"select count(*) from 日志", "select count(*) from 日志"},
      {"select rowid,* from 销售 where rowid=?",
       "select rowid,订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人 from "
       "销售 "
       "where rowid=$1"},
      {"insert into 供应商(名称,联系方式,创建者) values(?,?,?)",
       "insert into 供应商(名称,联系方式,创建者) values($1,$2,$3) returning 编号"},
      {"insert into 日志(时间,账号,类型,日志) values(?,?,?,?)",
       "insert into 日志(时间,账号,类型,日志) values($1,$2,$3,$4) returning rowid"},
      {"select 1 from 会员 where trim(姓名,char(32,9,10,13,12288))=? limit 1",
       "select 1 from 会员 where btrim(姓名,' \t\n\r\xE3\x80\x80')=$1 limit 1"},
      // An empty text given to a number column is stored as NULL.
      {"update 库存 set 名称=?,进货价=? where 条码=?",
       "update 库存 set 名称=$1,进货价=nullif($2,'')::double precision where 条码=$3"},
      {"insert into 库存(名称,销售价,最低折扣) values(?,?,'10')",
       "insert into 库存(名称,销售价,最低折扣) values($1,nullif($2,'')::double precision,'10') "
       "returning rowid"},
      {"insert into 库存 values(?,'a, b',?,'注','3.5','9.9',?,?,?)",
       "insert into 库存 values($1,'a, b',$2,'注','3.5','9.9',$3,$4,$5) returning rowid"},
      {"insert into 库存 values(?, ?,'规 格','注','3.5','9.9',?,?,?)",
       "insert into 库存 values($1, $2,'规 格','注','3.5','9.9',nullif($3,'')::double "
       "precision,$4,$5) "
       "returning rowid"},
      {"select 名称 from 库存 where instr(名称,?)>0 limit ?",
       "select 名称 from 库存 where strpos((名称)::text,($1)::text)>0 limit $2"},
      // A numbered value keeps its number; a bare one after it takes the next.
      {"select 1 from t where a=?2 and b=?1 and c=?",
       "select 1 from t where a=$2 and b=$1 and c=$3"},
      // A table this program does not know keeps its star.
      {"select * from other", "select * from other"},
  };
  for (const Case& c : cases) EXPECT_EQ(postgresStatement(c.sqlite), c.server) << c.sqlite;
}

TEST(PostgresStatementTest, NumbersReadAsSqlitePrintsThem) {
  struct Case {
    const char* server;
    const char* sqlite;
  } cases[] = {
      {"3", "3"},           {"-12", "-12"},     {"12.5", "12.5"}, {"0.30000000000000004", "0.3"},
      {"1e+20", "1.0e+20"}, {"-0.25", "-0.25"}, {"abc", "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(sqliteNumberText(c.server), c.sqlite) << c.server;
}

TEST(PostgresStatementTest, SequenceMovesOnlyWhenTheNumberIsGiven) {
  EXPECT_EQ(postgresSequenceFollowUp("insert into 会员(编号,姓名) values(?,?)"),
            "select setval(pg_get_serial_sequence('会员','编号'),(select max(编号) from 会员))");
  EXPECT_EQ(postgresSequenceFollowUp("insert into 会员(姓名) values(?)"), "");
  EXPECT_EQ(postgresSequenceFollowUp("update 会员 set 姓名=?"), "");
}

TEST(PostgresStatementTest, ExpandsValuesAsQuotedLiterals) {
  EXPECT_EQ(expandedStatement("update t set a=? where b='?' and c=?", {"x'y", "2"}),
            "update t set a='x''y' where b='?' and c='2'");
  EXPECT_EQ(expandedStatement("select ?1 where ?1<>'' and ?99999999999", {"a"}),
            "select 'a' where 'a'<>'' and ?99999999999");
}

// The tests below run against the server the test run started (CZ_TEST_POSTGRES holds the
// connection string of its maintenance database).
class PostgresServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* server = std::getenv("CZ_TEST_POSTGRES");
    if (!server) GTEST_SKIP() << "CZ_TEST_POSTGRES names no server";
    m_base = server;
    Database admin;
    ASSERT_TRUE(admin.openServer(m_base)) << admin.lastError();
    static int counter = 0;
    m_name = "t" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    admin.execute("drop database if exists " + m_name);
    ASSERT_TRUE(admin.execute("create database " + m_name)) << admin.lastError();
    IniFile settings((m_dir.path() / "配置.ini").string());
    settings.write("数据库", "类型", "PostgreSQL");
    settings.write("数据库", "连接", m_base + " dbname=" + m_name);
  }
  std::string m_base;
  std::string m_name;
  test::TempDir m_dir;
};

TEST_F(PostgresServerTest, FirstStartCreatesTheTablesTheAdminAndTheLogEntry) {
  test::TestApp app(m_dir.path());
  test::startAndLogIn(app);
  ASSERT_TRUE(app.db.onServer());
  // The seven, the till's own three and the order counts.
  EXPECT_EQ(app.db.tableCount(), 11);
  EXPECT_TRUE(app.db.hasTable("商品属性"));
  EXPECT_TRUE(app.db.hasTable("行数"));
  EXPECT_TRUE(app.db.hasTable("交班记录"));
  EXPECT_TRUE(app.db.hasTable("挂单"));
  EXPECT_EQ(app.rows("select 账号,密码,查看进货 from 账号"),
            (std::vector<std::vector<std::string>>{{"admin", "", "真"}}));
  const auto entries = app.rows("select 类型,日志 from 日志 where 日志=?", {"成功创建数据库"});
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "data.db"));

  // A second start finds the tables and creates nothing.
  test::TestApp again(m_dir.path());
  test::startAndLogIn(again);
  EXPECT_EQ(again.rows("select count(*) from 账号"),
            (std::vector<std::vector<std::string>>{{"1"}}));
}

TEST_F(PostgresServerTest, ValuesReadBackAsOnSqlite) {
  test::TestApp app(m_dir.path());
  test::startAndLogIn(app);
  Database& db = app.db;
  ASSERT_TRUE(
      db.execute("insert into 库存(名称,条码,进货价,销售价,当前库存,最低折扣,参与积分) "
                 "values(?,?,?,?,?,?,?)",
                 {"O'Brien 苹果", "690", "1.10", "12.50", "7", "10", "真"}))
      << db.lastError();
  const std::int64_t rowid = db.lastInsertRowId();
  EXPECT_GT(rowid, 0);
  ASSERT_TRUE(db.execute("update 库存 set 当前库存=当前库存-? where 条码=?", {"3", "690"}));
  EXPECT_EQ(app.rows("select 名称,进货价,销售价,当前库存,参与积分 from 库存 where rowid=?",
                     {std::to_string(rowid)}),
            (std::vector<std::vector<std::string>>{{"O'Brien 苹果", "1.1", "12.5", "4", "真"}}));
  // LIKE ignores the case of ASCII letters, as SQLite's does.
  EXPECT_EQ(app.rows("select 条码 from 库存 where 名称 like ?", {"%o'brien%"}).size(), 1u);
  // A member's number is searched as text.
  ASSERT_TRUE(db.execute("insert into 会员(姓名,联系方式,积分) values(?,?,?)", {"张三", "1", "0"}));
  EXPECT_EQ(app.rows("select 姓名 from 会员 where 编号 like ?", {"%1%"}).size(), 1u);
}

TEST_F(PostgresServerTest, AFailedStatementShowsTheServersMessageAndRollsBack) {
  test::TestApp app(m_dir.path());
  test::startAndLogIn(app);
  Database& db = app.db;
  {
    Transaction transaction(db);
    ASSERT_TRUE(transaction.started());
    ASSERT_TRUE(db.execute("insert into 供应商(名称) values(?)", {"甲"}));
    EXPECT_FALSE(db.execute("insert into 没有这张表(名称) values(?)", {"乙"}));
    EXPECT_NE(db.lastError().find("没有这张表"), std::string::npos) << db.lastError();
  }
  EXPECT_EQ(app.rows("select count(*) from 供应商"),
            (std::vector<std::vector<std::string>>{{"0"}}));
}

TEST_F(PostgresServerTest, AnUnreachableServerIsReportedWhenOpening) {
  Database db;
  EXPECT_FALSE(db.openServer(m_base + " dbname=没有这个库"));
  EXPECT_NE(db.lastError().find("没有这个库"), std::string::npos) << db.lastError();
  EXPECT_FALSE(db.isOpen());
}

// Each text is prepared once per connection under a name; one the server refuses is not kept,
// and a connection made again after a drop prepares its statements anew.
TEST_F(PostgresServerTest, StatementsArePreparedOncePerConnection) {
  Database db;
  ASSERT_TRUE(db.openServer(m_base + " dbname=" + m_name)) << db.lastError();
  const auto value = [&db](const std::string& text) {
    RecordSet set(db);
    EXPECT_TRUE(set.open("select ?::text || 'x'", {text})) << db.lastError();
    return set.next() ? set.field(1) : "<no row>";
  };
  EXPECT_EQ(value("a"), "ax");
  const size_t prepared = db.preparedStatements();
  EXPECT_EQ(value("b"), "bx");
  EXPECT_EQ(db.preparedStatements(), prepared);

  EXPECT_FALSE(db.execute("select from where"));
  EXPECT_NE(db.lastError().find("syntax"), std::string::npos) << db.lastError();
  EXPECT_EQ(db.preparedStatements(), prepared);

  EXPECT_FALSE(db.execute("select pg_terminate_backend(pg_backend_pid())"));
  EXPECT_EQ(db.preparedStatements(), 0u);
  EXPECT_EQ(value("c"), "cx");
  EXPECT_EQ(value("d"), "dx");
}

// The connection drops in the middle of a checkout: nothing of the sale is stored, the cashier is
// told once, the order stays open, and the next checkout connects again and stores it once.
TEST_F(PostgresServerTest, AConnectionLostDuringACheckoutStoresNothingAndTheNextOneReconnects) {
  test::TestApp app(m_dir.path());
  test::startAndLogIn(app);
  app.session.settings.printingEnabled = false;
  Database& db = app.db;
  ASSERT_TRUE(db.execute("insert into 库存 values('可乐','A','瓶','',1,3.5,10,'0','真')"));
  // The server ends the till's connection when the sale row is about to be written, after the
  // stock has been taken in the same transaction.
  ASSERT_TRUE(
      db.execute("create function cz_drop() returns trigger language plpgsql as $$ begin "
                 "perform pg_terminate_backend(pg_backend_pid()); return new; end $$"));
  ASSERT_TRUE(
      db.execute("create trigger cz_drop before insert on 销售 for each row execute "
                 "function cz_drop()"));
  app.dialogs.calls.clear();
  SaleArea area;
  setUpSaleArea(area);
  test::RecordingPrinter printer;
  SalePresenter sale(app.context, app.dialogs, printer, area);
  sale.startNewOrder();
  sale.barcodeTextChanged("A");
  sale.barcodeKeyDown(13);
  app.dialogs.answer(true);
  sale.checkoutClicked();
  ASSERT_EQ(app.dialogs.messages().size(), 1u);
  EXPECT_EQ(app.dialogs.messages()[0].rfind("与数据库服务器的连接已断开：", 0), 0u)
      << app.dialogs.messages()[0];
  EXPECT_TRUE(sale.orderOpen());
  // The next statement connects again: the stock is as it was, no sale is stored, and the
  // failure is on record.
  EXPECT_EQ(app.rows("select 当前库存 from 库存").at(0).at(0), "10");
  EXPECT_EQ(app.rows("select count(*) from 销售").at(0).at(0), "0");
  EXPECT_EQ(app.rows("select count(*) from 日志 where 类型='6' and 日志 like ?", {"%连接已断开%"})
                .at(0)
                .at(0),
            "1");
  ASSERT_TRUE(db.execute("drop trigger cz_drop on 销售"));
  app.dialogs.calls.clear();
  app.dialogs.answer(true);
  sale.checkoutClicked();
  EXPECT_EQ(app.dialogs.messages(), (std::vector<std::string>{"提交订单完毕"}));
  EXPECT_EQ(app.rows("select 当前库存 from 库存").at(0).at(0), "9");
  EXPECT_EQ(app.rows("select count(*) from 销售").at(0).at(0), "1");
}

// The connection is lost after the checkout's COMMIT reached the server, which stored the sale:
// the till cannot know, says so, and keeps the order open. The next F4 finds the sale stored
// with the order's lines and finishes the order as stored, storing nothing a second time.
TEST_F(PostgresServerTest, ACommitLeftUnansweredIsNotStoredTwiceByTheNextCheckout) {
  test::TestApp app(m_dir.path());
  test::startAndLogIn(app);
  const size_t hostAt = m_base.find("host=");
  ASSERT_NE(hostAt, std::string::npos) << m_base;
  const std::string serverDir = m_base.substr(hostAt + 5, m_base.find(' ', hostAt) - (hostAt + 5));
  test::CommitCutRelay relay(serverDir);
  ASSERT_FALSE(relay.socketDir().empty());
  // The till talks to the server through the relay.
  Database& db = app.db;
  ASSERT_TRUE(db.openServer(test::withHost(m_base, relay.socketDir()) + " dbname=" + m_name))
      << db.lastError();
  ASSERT_TRUE(db.execute("insert into 库存 values('可乐','A','瓶','',1,3.5,10,'0','真')"));
  ASSERT_TRUE(db.execute("insert into 会员(姓名,联系方式,折扣率,积分) values('张三','1',10,0)"));
  Database office;  // another program on the same server, beside the relay
  ASSERT_TRUE(office.openServer(m_base + " dbname=" + m_name));
  const auto count = [&](const std::string& sql) {
    RecordSet set(office);
    return set.open(sql) && set.next() ? set.field(1) : "?";
  };
  app.dialogs.calls.clear();
  SaleArea area;
  setUpSaleArea(area);
  test::RecordingPrinter printer;
  SalePresenter sale(app.context, app.dialogs, printer, area);
  sale.startNewOrder();
  sale.memberTextChanged("张三");
  sale.memberKeyDown(13);
  for (int i = 0; i < 2; ++i) {
    sale.barcodeTextChanged("A");
    sale.barcodeKeyDown(13);
  }
  const std::string number = sale.state().orderNumber;

  relay.armForNextCommit();
  app.dialogs.answer(true);
  sale.checkoutClicked();
  ASSERT_TRUE(relay.cutOne());
  ASSERT_EQ(app.dialogs.messages().size(), 1u);
  EXPECT_NE(app.dialogs.messages()[0].find("无法确定是否已保存"), std::string::npos)
      << app.dialogs.messages()[0];
  EXPECT_TRUE(sale.orderOpen());
  // The server did store it.
  EXPECT_EQ(count("select count(*) from 销售"), "1");
  EXPECT_EQ(count("select 当前库存 from 库存"), "8");

  app.dialogs.calls.clear();
  app.dialogs.answer(true);
  sale.checkoutClicked();
  EXPECT_EQ(app.dialogs.messages(), (std::vector<std::string>{"提交订单完毕"}));
  EXPECT_FALSE(sale.orderOpen());
  EXPECT_EQ(sale.state().orderNumber, number);
  EXPECT_EQ(count("select count(*) from 销售"), "1");
  EXPECT_EQ(count("select 当前库存 from 库存"), "8");
  EXPECT_EQ(count("select 积分 from 会员"), "7");
  // Ctrl+P reprints the stored sale.
  EXPECT_EQ(std::to_string(app.session.lastSaleRowid), count("select rowid from 销售"));
}

// The order lists' count of all orders is kept by the server as orders come and go.
TEST_F(PostgresServerTest, TheOrderCountFollowsEveryInsertAndDelete) {
  test::TestApp app(m_dir.path());
  test::startAndLogIn(app);
  Database& db = app.db;
  const auto count = [&](const char* table) {
    return app.rows(std::string("select count(*) from ") + table).at(0).at(0);
  };
  EXPECT_EQ(count("销售"), "0");
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(
        db.execute("insert into 销售(订单号,日期) values(?,?)", {"SX" + std::to_string(i), "1"}));
  }
  ASSERT_TRUE(db.execute("insert into 进货(订单号) values('CG1')"));
  {
    Transaction undone(db);
    ASSERT_TRUE(db.execute("insert into 销售(订单号) values('SX9')"));
    undone.rollback();
  }
  ASSERT_TRUE(db.execute("delete from 销售 where 订单号 in ('SX1','SX2')"));
  EXPECT_EQ(count("销售"), "3");
  EXPECT_EQ(count("进货"), "1");
  EXPECT_EQ(app.rows("select count(*) from 销售 where 日期='1'").at(0).at(0), "3");
  ASSERT_TRUE(db.execute("truncate 进货"));
  EXPECT_EQ(count("进货"), "0");
  // A later start finds the count kept and counts nothing again.
  test::TestApp again(m_dir.path());
  test::startAndLogIn(again);
  EXPECT_EQ(again.rows("select count(*) from 销售").at(0).at(0), "3");
}

// Backups, restores and checks are the server's own business: the buttons say so, and neither
// the start nor the exit writes a file.
TEST_F(PostgresServerTest, BackupsAreLeftToTheServer) {
  test::TestApp app(m_dir.path());
  test::startAndLogIn(app);
  test::RecordingBackupScreen screen;
  Backups backups(app.context, app.dialogs, screen);
  app.context.backups = &backups;
  test::ScriptedDialogs windowDialogs;
  test::RecordingBackupScreen windowScreen;
  test::RecordingPrinter printer;
  SettingsPresenter settings(app.context, windowDialogs, printer, &windowScreen);
  backups.atStart();
  settings.backupNowClicked();
  settings.checkDatabaseClicked();
  EXPECT_FALSE(settings.restoreClicked());
  bool ended = false;
  backups.atExit([&] { ended = true; });
  EXPECT_TRUE(ended);
  const std::string text =
      "数据保存在数据库服务器上，备份、恢复和检查由服务器负责（例如用 pg_dump 备份）";
  EXPECT_EQ(windowDialogs.messages(), (std::vector<std::string>(3, text)));
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "备份"));
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "data.db"));
  app.context.backups = nullptr;
}

}  // namespace
}  // namespace cz
