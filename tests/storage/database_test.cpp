#include "storage/database.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "support/test_app.h"

namespace cz {
namespace {

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.open((dir.path() / "data.db").string()));
    ASSERT_TRUE(db.execute("CREATE TABLE t (n NUMERIC, i INTEGER, s TEXT, x TEXT)"));
  }
  std::string one(const std::string& sql, const SqlParams& params = {}) {
    RecordSet set(db);
    EXPECT_TRUE(set.open(sql, params)) << db.lastError();
    return set.next() ? set.field(1) : "<no row>";
  }

  test::TempDir dir;
  Database db;
};

TEST_F(DatabaseTest, BoundTextGetsTheColumnsAffinityLikeAQuotedLiteral) {
  ASSERT_TRUE(db.execute("insert into t(n,i,s) values(?,?,?)", {"12.5", "真", "it's"}));
  EXPECT_EQ(one("select typeof(n) || ':' || n from t"), "real:12.5");
  EXPECT_EQ(one("select typeof(i) || ':' || i from t"), "text:真");
  EXPECT_EQ(one("select s from t where s=?", {"it's"}), "it's");  // a quote is just a character
  EXPECT_EQ(one("select x from t"), "");                          // NULL reads as empty text
  ASSERT_TRUE(db.execute("update t set n=n-? where s=?", {"3", "it's"}));
  EXPECT_EQ(one("select n from t"), "9.5");
}

TEST_F(DatabaseTest, RecordSetCountsRewindsAndReadsByNameOrIndex) {
  for (const char* s : {"a", "b", "c"}) ASSERT_TRUE(db.execute("insert into t(s) values(?)", {s}));
  RecordSet set(db);
  ASSERT_TRUE(set.open("select * from t order by s"));
  EXPECT_EQ(set.goFirst(), 3);
  EXPECT_EQ(set.rowCount(), 3);
  ASSERT_TRUE(set.next());  // back at the first row after counting
  EXPECT_EQ(set.field("s"), "a");
  EXPECT_EQ(set.field(3), "a");
  EXPECT_EQ(set.field("no such column"), "");
  EXPECT_EQ(set.field(0), "");
  EXPECT_EQ(set.field(9), "");
  ASSERT_TRUE(set.next());
  ASSERT_TRUE(set.next());
  EXPECT_FALSE(set.next());
}

TEST_F(DatabaseTest, ErrorsAreReportedNotThrown) {
  EXPECT_FALSE(db.execute("insert into missing values(?)", {"1"}));
  EXPECT_EQ(db.lastError(), "no such table: missing");
  RecordSet set(db);
  EXPECT_FALSE(set.open("select * from missing"));
  EXPECT_EQ(set.goFirst(), 0);
  EXPECT_FALSE(set.next());
  // A long message is cut to 199 bytes without splitting a character.
  const std::string name(300, 'x');
  EXPECT_FALSE(db.execute("select * from " + name));
  EXPECT_LE(db.lastError().size(), 199u);
  // SQLite's "not an error" reads as no error.
  db.setLastError("not an error");
  EXPECT_EQ(db.lastError(), "");
}

// The last error belongs to the last operation of the thread that reads it. Each case starts
// from a failure on this (the UI) thread, runs something, and reads this thread's text.
TEST_F(DatabaseTest, TheLastErrorIsTheOwnTextOfThisThreadsLastOperation) {
  const std::string earlier = "no such table: earlier";
  // Runs `operation` on a worker thread and returns what the worker then reads as its error.
  auto onWorker = [&](std::function<void()> operation) {
    std::string seen = "<not run>";
    std::thread worker([&] {
      operation();
      seen = db.lastError();
    });
    worker.join();
    return seen;
  };
  struct Case {
    const char* what;
    std::function<void()> operation;
    std::string expected;  // this thread's text afterwards
  };
  const Case cases[] = {
      {"a statement that runs", [&] { EXPECT_TRUE(db.execute("insert into t(s) values('a')")); },
       ""},
      {"a query that opens", [&] { EXPECT_TRUE(RecordSet(db).open("select * from t")); }, ""},
      {"a query that finds no row",
       [&] {
         RecordSet set(db);
         ASSERT_TRUE(set.open("select * from t where s=?", {"none"}));
         EXPECT_FALSE(set.next());
       },
       ""},
      {"a begin and a rollback",
       [&] {
         EXPECT_TRUE(db.begin());
         EXPECT_TRUE(db.rollback());
       },
       ""},
      {"a failure of its own", [&] { EXPECT_FALSE(db.execute("delete from later")); },
       "no such table: later"},
      {"a failure on a worker thread",
       [&] {
         EXPECT_EQ(onWorker([&] { EXPECT_FALSE(db.execute("delete from worker")); }),
                   "no such table: worker");
       },
       earlier},
      {"a failing load on a worker thread",
       [&] {
         EXPECT_EQ(onWorker([&] { EXPECT_FALSE(RecordSet(db).open("select * from worker")); }),
                   "no such table: worker");
       },
       earlier},
      {"a success on a worker thread",
       [&] { EXPECT_EQ(onWorker([&] { EXPECT_TRUE(db.execute("select 1")); }), ""); }, earlier},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_FALSE(db.execute("select * from earlier"));
    ASSERT_EQ(db.lastError(), earlier);
    c.operation();
    EXPECT_EQ(db.lastError(), c.expected);
  }
  // A worker thread starts without a text, whatever this thread's is.
  EXPECT_EQ(onWorker([] {}), "");
}

TEST_F(DatabaseTest, TransactionRollsBackUnlessCommitted) {
  {
    Transaction transaction(db);
    ASSERT_TRUE(transaction.started());
    ASSERT_TRUE(db.execute("insert into t(s) values('gone')"));
  }
  EXPECT_EQ(one("select count(*) from t"), "0");
  {
    Transaction transaction(db);
    ASSERT_TRUE(db.execute("insert into t(s) values('kept')"));
    ASSERT_TRUE(transaction.commit());
  }
  EXPECT_EQ(one("select s from t"), "kept");
  EXPECT_EQ(db.expandedSql("select * from t where s=?", {"a'b"}), "select * from t where s='a''b'");
}

// The engine can end a transaction on its own (a full disk, RAISE(ROLLBACK)). The statements
// that follow must not commit one by one: they fail with the error that ended it, so does the
// commit, and the rollback clears the state for the next transaction.
TEST_F(DatabaseTest, ATransactionTheEngineEndedStoresNothingAfterwards) {
  ASSERT_TRUE(db.execute("create table g(n)"));
  ASSERT_TRUE(db.execute(
      "create trigger k before insert on g begin select raise(rollback,'磁盘已满'); end"));
  {
    Transaction transaction(db);
    ASSERT_TRUE(transaction.started());
    ASSERT_TRUE(db.execute("insert into t(s) values('a')"));
    EXPECT_FALSE(db.execute("insert into g values(1)"));
    EXPECT_FALSE(db.execute("insert into t(s) values('b')"));
    EXPECT_EQ(db.lastError(), "磁盘已满");
    EXPECT_FALSE(transaction.commit());
    EXPECT_EQ(db.lastError(), "磁盘已满");
  }
  EXPECT_EQ(one("select count(*) from t"), "0");
  Transaction next(db);
  ASSERT_TRUE(db.execute("insert into t(s) values('c')"));
  EXPECT_TRUE(next.commit());
  EXPECT_EQ(one("select group_concat(s) from t"), "c");
  EXPECT_TRUE(db.execute("insert into t(s) values('d')"));  // no transaction: stored at once
}

TEST(DatabaseOpen, AFileThatCannotBeOpenedFailsWithTheEnginesText) {
  test::TempDir dir;
  Database db;
  // A path below a regular file can never be created, whoever runs the test.
  const auto blocker = dir.path() / "file";
  std::FILE* f = std::fopen(blocker.c_str(), "w");
  std::fclose(f);
  EXPECT_FALSE(db.open((blocker / "data.db").string()));
  EXPECT_FALSE(db.isOpen());
  EXPECT_EQ(db.lastError(), "unable to open database file");
  EXPECT_FALSE(db.execute("select 1"));
  EXPECT_EQ(db.lastError(), "unable to open database file");  // every later operation says why
  EXPECT_EQ(db.tableCount(), -1);

  // A file that is not a database is refused at once, and left as it was.
  const auto text = dir.path() / "notes.db";
  std::FILE* notes = std::fopen(text.c_str(), "w");
  std::fputs("shopping list: rice, tea, and a great many other things to buy this week\n", notes);
  std::fclose(notes);
  EXPECT_FALSE(db.open(text.string()));
  EXPECT_EQ(db.lastError(), "file is not a database");
  EXPECT_EQ(std::filesystem::file_size(text), 73u);
}

// The rows a statement changed, on the store the tests run on (a file, or the server): what a
// caller checks to learn whether its delete or update found its row.
TEST(DatabaseRowsChanged, CountsTheRowsOfTheLastStatementOnly) {
  test::TempDir dir;
  test::TestApp app(dir.path());
  Database& db = app.db;
  ASSERT_TRUE(test::openStore(db, dir.path())) << db.lastError();
  ASSERT_TRUE(db.execute("CREATE TABLE t (n INTEGER)"));
  const struct {
    const char* sql;
    std::int64_t changed;
  } steps[] = {
      {"insert into t values(1)", 1},
      {"select n from t", 0},  // a read after a write changes nothing
      {"insert into t select n+1 from t", 1},
      {"update t set n=n+10", 2},
      {"update t set n=0 where n<0", 0},
      {"delete from t where n=11", 1},
      {"delete from t where n=11", 0},
      {"delete from t", 1},
  };
  for (const auto& step : steps) {
    ASSERT_TRUE(db.execute(step.sql)) << step.sql << ": " << db.lastError();
    EXPECT_EQ(db.rowsChanged(), step.changed) << step.sql;
  }
  // Each thread reads its own count.
  ASSERT_TRUE(db.execute("insert into t values(5)"));
  std::thread([&] { ASSERT_TRUE(db.execute("update t set n=n where n<0")); }).join();
  EXPECT_EQ(db.rowsChanged(), 1);
}

}  // namespace
}  // namespace cz
