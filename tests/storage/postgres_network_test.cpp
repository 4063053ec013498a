#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "storage/database.h"
#include "storage/postgres.h"
#include "support/recording_printer.h"
#include "support/tcp_relay.h"
#include "support/test_app.h"
#include "util/background_loader.h"
#include "util/ini_file.h"

namespace cz {
namespace {

using Clock = std::chrono::steady_clock;
using Parameters = std::vector<std::pair<std::string, std::string>>;

std::string valueOf(const Parameters& parameters, const std::string& key) {
  for (const auto& [k, v] : parameters) {
    if (k == key) return v;
  }
  return "(none)";
}

TEST(ServerConnectionParametersTest, BoundsEveryWaitUnlessTheStringSetsItsOwn) {
  struct Case {
    const char* connection;
    ServerWaits waits;
    std::vector<std::pair<std::string, std::string>> expected;
  } cases[] = {
      {"host=db dbname=shop user=till1",
       ServerWaits::Bounded,
       {{"host", "db"},
        {"dbname", "shop"},
        {"connect_timeout", "5"},
        {"keepalives", "1"},
        {"keepalives_idle", "5"},
        {"keepalives_interval", "2"},
        {"keepalives_count", "3"},
        {"tcp_user_timeout", "10000"},
        {"options", "-c idle_in_transaction_session_timeout=5s -c lock_timeout=7s"},
        {"client_encoding", "UTF8"}}},
      // The string's own values win; its options keep theirs and get only what they lack.
      {"postgresql://till1@db/shop?connect_timeout=30&keepalives=0&options=-c%20lock_timeout%3D2s",
       ServerWaits::Bounded,
       {{"connect_timeout", "30"},
        {"keepalives", "0"},
        {"dbname", "shop"},
        {"options", "-c lock_timeout=2s -c idle_in_transaction_session_timeout=5s"}}},
      // A bulk copy may wait as long as it takes once connected.
      {"host=db dbname=shop client_encoding=LATIN1",
       ServerWaits::Unbounded,
       {{"connect_timeout", "5"},
        {"keepalives", "(none)"},
        {"options", "(none)"},
        {"client_encoding", "UTF8"}}},
  };
  for (const Case& c : cases) {
    Parameters parameters;
    std::string error;
    ASSERT_TRUE(serverConnectionParameters(c.connection, c.waits, parameters, error)) << error;
    for (const auto& [key, value] : c.expected) {
      EXPECT_EQ(valueOf(parameters, key), value) << c.connection << " " << key;
    }
  }
  Parameters parameters;
  std::string error;
  EXPECT_FALSE(serverConnectionParameters("host=db dbname", ServerWaits::Bounded, parameters,
                                          error));
  EXPECT_FALSE(error.empty());
}

// The tests below run against the server the test run started (CZ_TEST_POSTGRES).
class PostgresNetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* server = std::getenv("CZ_TEST_POSTGRES");
    if (!server) GTEST_SKIP() << "CZ_TEST_POSTGRES names no server";
    m_base = server;
    Database admin;
    ASSERT_TRUE(admin.openServer(m_base)) << admin.lastError();
    static int counter = 0;
    m_name = "n" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    admin.execute("drop database if exists " + m_name);
    ASSERT_TRUE(admin.execute("create database " + m_name)) << admin.lastError();
  }
  // A data folder whose till reaches the test database through `connection`.
  void useServer(const test::TempDir& dir, const std::string& connection) {
    IniFile settings((dir.path() / "配置.ini").string());
    settings.write("数据库", "类型", "PostgreSQL");
    settings.write("数据库", "连接", connection + " dbname=" + m_name);
  }
  std::string m_base;
  std::string m_name;
};

struct Till {
  explicit Till(const std::filesystem::path& dir) : app(dir) {
    test::startAndLogIn(app);
    app.session.settings.printingEnabled = false;
    setUpSaleArea(area);
    sale.startNewOrder();
  }
  void sell(const std::string& barcode) {
    sale.barcodeTextChanged(barcode);
    sale.barcodeKeyDown(13);
    app.dialogs.calls.clear();
    app.dialogs.answer(true);
    sale.checkoutClicked();
  }
  test::TestApp app;
  SaleArea area;
  test::RecordingPrinter printer;
  SalePresenter sale{app.context, app.dialogs, printer, area};
};

// The network between one till and the server hangs in the middle of that till's checkout, with
// the writers' lock held. That till tells its cashier within 15 s and keeps the order open; the
// server ends the silent session, so another till's checkout started at the cut is stored within
// 20 s.
TEST_F(PostgresNetworkTest, AFrozenNetworkMidCheckoutIsToldAndReleasesTheOtherTills) {
  test::TcpRelay relay(test::unixSocketOf(m_base));
  ASSERT_NE(relay.port(), 0);
  test::TempDir directDir;
  test::TempDir cutDir;
  useServer(directDir, m_base);
  useServer(cutDir, "host=127.0.0.1 port=" + std::to_string(relay.port()) +
                        " user=postgres application_name=cz_cut");
  Till other(directDir.path());
  Database& db = other.app.db;
  ASSERT_TRUE(db.execute("insert into 库存 values('可乐','A','瓶','',1,3.5,10,'0','真')"));
  // The cut till's sale row takes a second to store: the network hangs meanwhile.
  ASSERT_TRUE(
      db.execute("create function cz_slow() returns trigger language plpgsql as $$ begin if "
                 "current_setting('application_name')='cz_cut' then perform pg_sleep(1); end if; "
                 "return new; end $$"));
  ASSERT_TRUE(db.execute(
      "create trigger cz_slow before insert on 销售 for each row execute function cz_slow()"));
  Till cut(cutDir.path());

  std::promise<Clock::time_point> cutAt;
  std::future<Clock::duration> otherStored = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    relay.freeze();
    const Clock::time_point at = Clock::now();
    cutAt.set_value(at);
    other.sell("A");
    return Clock::now() - at;
  });
  cut.sell("A");
  const Clock::time_point told = Clock::now();
  const Clock::time_point at = cutAt.get_future().get();
  ASSERT_EQ(cut.app.dialogs.messages().size(), 1u);
  EXPECT_EQ(cut.app.dialogs.messages()[0].rfind("与数据库服务器的连接已断开：", 0), 0u)
      << cut.app.dialogs.messages()[0];
  EXPECT_LT(told - at, std::chrono::seconds(15));
  EXPECT_TRUE(cut.sale.orderOpen());

  const Clock::duration otherTook = otherStored.get();
  EXPECT_EQ(other.app.dialogs.messages(), (std::vector<std::string>{"提交订单完毕"}));
  EXPECT_LT(otherTook, std::chrono::seconds(20));
  EXPECT_EQ(other.app.rows("select count(*) from 销售").at(0).at(0), "1");
  EXPECT_EQ(other.app.rows("select 当前库存 from 库存").at(0).at(0), "9");
}

// A server call that takes longer than half a second tells the thread that set the hook, once
// at half a second and once at its end; quick calls and other threads' calls never do.
TEST_F(PostgresNetworkTest, ASlowCallTellsTheWaitHookOnItsOwnThread) {
  Database db;
  ASSERT_TRUE(db.openServer(m_base + " dbname=" + m_name)) << db.lastError();
  std::vector<std::pair<bool, Clock::duration>> heard;
  Clock::time_point start;
  db.setWaitHook([&](bool waiting) { heard.emplace_back(waiting, Clock::now() - start); });
  start = Clock::now();
  ASSERT_TRUE(db.execute("select 1"));
  EXPECT_TRUE(heard.empty());
  ASSERT_TRUE(db.execute("select pg_sleep(0.8)")) << db.lastError();
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_TRUE(heard[0].first);
  EXPECT_GE(heard[0].second, std::chrono::milliseconds(500));
  EXPECT_FALSE(heard[1].first);
  EXPECT_GE(heard[1].second, std::chrono::milliseconds(800));
  heard.clear();
  std::thread([&] { EXPECT_TRUE(db.execute("select pg_sleep(0.7)")) << db.lastError(); }).join();
  EXPECT_TRUE(heard.empty());

  // Connecting through a network that hangs: bounded by the connect timeout, and shown.
  test::TcpRelay relay(test::unixSocketOf(m_base));
  relay.freeze();
  start = Clock::now();
  EXPECT_FALSE(db.openServer("host=127.0.0.1 port=" + std::to_string(relay.port()) +
                             " user=postgres connect_timeout=2 dbname=" + m_name));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
  EXPECT_EQ(db.lastError().rfind("无法连接数据库服务器：", 0), 0u) << db.lastError();
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_TRUE(heard[0].first);
  EXPECT_FALSE(heard[1].first);
}

// Each background load runs on a thread of its own: its connection closes when the thread ends,
// and loads at once share two connections beside the window's own.
TEST_F(PostgresNetworkTest, ThreadsCloseTheirConnectionsAndHoldAtMostThree) {
  const std::string application = "cz_count_" + m_name;
  Database db;
  ASSERT_TRUE(db.openServer(m_base + " dbname=" + m_name + " application_name=" + application))
      << db.lastError();
  Database admin;
  ASSERT_TRUE(admin.openServer(m_base)) << admin.lastError();
  const std::string counting =
      "select count(*) from pg_stat_activity where application_name='" + application + "'";
  // A closed connection's server process ends a moment after the close.
  const auto settled = [&](int expected) {
    int count = -1;
    for (int attempt = 0; attempt < 100 && count != expected; ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      RecordSet rows(admin);
      if (rows.open(counting) && rows.next()) count = std::stoi(rows.field(1));
    }
    return count;
  };
  EXPECT_EQ(settled(1), 1);

  // A list opened, closed and opened again, over and over.
  test::ManualUiQueue ui;
  BackgroundLoader loader(ui);
  for (int i = 0; i < 8; ++i) {
    loader.start(
        [&](RowSink& sink) {
          RecordSet rows(db);
          if (rows.open("select 1") && rows.next()) sink.add({rows.field(1)});
        },
        [](GridRows&&, bool, bool) {});
    loader.wait();
    ui.drain();
  }
  EXPECT_EQ(settled(1), 1);

  // Six loads at once: each sees how many of the till's connections are busy reading while it
  // reads (a connection just closed may linger idle on the server for a moment).
  std::vector<int> seen(6, -1);
  std::vector<std::thread> loads;
  for (size_t i = 0; i < seen.size(); ++i) {
    loads.emplace_back([&, i] {
      RecordSet rows(db);
      // Counted after the sleep, when every load that got a connection holds it.
      if (rows.open("with s as materialized (select pg_sleep(0.3)) select (select count(*) from "
                    "pg_stat_activity where application_name=? and state='active') from s",
                    {application}) &&
          rows.next()) {
        seen[i] = std::stoi(rows.field(1));
      }
    });
  }
  for (std::thread& load : loads) load.join();
  for (const int count : seen) {
    EXPECT_GE(count, 1);
    EXPECT_LE(count, kWorkerConnections);
  }
  EXPECT_EQ(settled(1), 1);
}

// Each till logs in as a role of its own, given the shop's tables once the first till made them.
// A table a later start makes is usable by the other till's role too, and the server's refusals
// read as refusals.
TEST_F(PostgresNetworkTest, TablesMadeLaterAreUsableByEveryTillsRole) {
  const std::string first = "cz_a_" + m_name;
  const std::string second = "cz_b_" + m_name;
  const std::string stranger = "cz_c_" + m_name;
  Database admin;
  ASSERT_TRUE(admin.openServer(m_base + " dbname=" + m_name)) << admin.lastError();
  for (const std::string& role : {first, second, stranger}) {
    ASSERT_TRUE(admin.execute("create role " + role + " login")) << admin.lastError();
  }
  ASSERT_TRUE(admin.execute("alter database " + m_name + " owner to " + first));
  const std::string host = m_base.substr(0, m_base.find(" user="));
  test::TempDir firstDir;
  test::TempDir secondDir;
  useServer(firstDir, host + " user=" + first);
  useServer(secondDir, host + " user=" + second);
  {
    Till till(firstDir.path());
    ASSERT_TRUE(till.app.db.execute("insert into 库存 values('可乐','A','瓶','',1,3.5,10,'0','真')"));
  }
  // The grants given once the first till made the tables.
  ASSERT_TRUE(admin.execute("grant all on all tables in schema public to " + second));
  ASSERT_TRUE(admin.execute("grant all on all sequences in schema public to " + second));
  // Tables the first till makes after that: the order counts again, and one of a later version.
  ASSERT_TRUE(admin.execute("drop table 行数 cascade"));
  {
    Till till(firstDir.path());
    ASSERT_TRUE(till.app.db.hasTable("行数"));
    ASSERT_TRUE(till.app.db.createTable("新表", {{"编号", "INTEGER PRIMARY KEY"}, {"名称", "TEXT"}}));
  }
  Till till(secondDir.path());
  till.sell("A");
  EXPECT_EQ(till.app.dialogs.messages(), (std::vector<std::string>{"提交订单完毕"}));
  EXPECT_EQ(till.app.rows("select 行数 from 行数 where 表名='销售'"),
            (std::vector<std::vector<std::string>>{{"1"}}));
  EXPECT_TRUE(till.app.db.execute("insert into 新表(名称) values('x')")) << till.app.db.lastError();

  Database refused;
  ASSERT_TRUE(refused.openServer(host + " user=" + stranger + " dbname=" + m_name));
  EXPECT_FALSE(refused.execute("update 库存 set 当前库存=0"));
  EXPECT_EQ(refused.lastError().rfind("数据库服务器拒绝了操作：", 0), 0u) << refused.lastError();
  EXPECT_NE(refused.lastError().find("库存"), std::string::npos) << refused.lastError();
}

}  // namespace
}  // namespace cz
