#include "storage/statement_cache.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/database.h"
#include "support/test_app.h"

namespace cz {
namespace {

class StatementCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.open((dir.path() / "data.db").string()));
    ASSERT_TRUE(db.execute("CREATE TABLE t (k TEXT, v TEXT)"));
    for (const char* k : {"a", "b", "c"}) {
      ASSERT_TRUE(db.execute("insert into t values(?,?)", {k, std::string(k) + "1"}));
    }
  }
  std::vector<std::string> keys(RecordSet& set) {
    std::vector<std::string> read;
    while (set.next()) read.push_back(set.field(1));
    return read;
  }

  test::TempDir dir;
  Database db;
};

// A kept statement runs again with the new values only: one given fewer values than before reads
// the rest as NULL, not as the earlier run's.
TEST_F(StatementCacheTest, AKeptStatementRunsAgainWithOnlyItsNewValues) {
  const std::string sql = "select count(*) from t where k=? or v=?";
  for (int round = 0; round < 3; ++round) {
    RecordSet set(db);
    ASSERT_TRUE(set.open(sql, {"a", "b1"}));
    ASSERT_TRUE(set.next());
    EXPECT_EQ(set.field(1), "2");
  }
  const size_t kept = db.preparedStatements();
  RecordSet fewer(db);
  ASSERT_TRUE(fewer.open(sql, {"c"}));
  ASSERT_TRUE(fewer.next());
  EXPECT_EQ(fewer.field(1), "1");
  fewer.close();
  EXPECT_EQ(db.preparedStatements(), kept);
}

// The same text opened inside the rows of itself gets a statement of its own, and a record set
// closed before its last row leaves the statement to start again from the first.
TEST_F(StatementCacheTest, TheSameTextInsideItsOwnRowsAndAfterAnUnfinishedRun) {
  const std::string sql = "select k from t where k>=? order by k";
  RecordSet outer(db);
  ASSERT_TRUE(outer.open(sql, {"a"}));
  std::vector<std::string> pairs;
  while (outer.next()) {
    RecordSet inner(db);
    ASSERT_TRUE(inner.open(sql, {outer.field(1)}));
    for (const std::string& k : keys(inner)) pairs.push_back(outer.field(1) + k);
  }
  EXPECT_EQ(pairs, (std::vector<std::string>{"aa", "ab", "ac", "bb", "bc", "cc"}));
  {
    RecordSet partial(db);
    ASSERT_TRUE(partial.open(sql, {"b"}));
    ASSERT_TRUE(partial.next());
  }
  RecordSet again(db);
  ASSERT_TRUE(again.open(sql, {"a"}));
  EXPECT_EQ(keys(again), (std::vector<std::string>{"a", "b", "c"}));
}

// After a schema change a statement naming what went fails when it is opened, as it did before
// statements were kept; one naming a new column sees it.
TEST_F(StatementCacheTest, SchemaChangesAreSeenWhenTheStatementIsOpened) {
  for (int round = 0; round < 2; ++round) {
    RecordSet set(db);
    ASSERT_TRUE(set.open("select k from t"));
  }
  ASSERT_TRUE(db.execute("alter table t add column w TEXT default 'x'"));
  RecordSet star(db);
  ASSERT_TRUE(star.open("select * from t"));
  EXPECT_EQ(star.columnCount(), 3);
  star.close();
  ASSERT_TRUE(db.execute("drop table t"));
  RecordSet gone(db);
  EXPECT_FALSE(gone.open("select k from t"));
  EXPECT_NE(db.lastError().find("no such table"), std::string::npos) << db.lastError();
}

TEST_F(StatementCacheTest, KeepsABoundedNumberAndSurvivesAStatementHeldPastTheClose) {
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(db.execute("select " + std::to_string(i) + " from t"));
  }
  EXPECT_EQ(db.preparedStatements(), StatementCache::kCapacity);
  auto held = std::make_unique<RecordSet>(db);
  ASSERT_TRUE(held->open("select k from t"));
  ASSERT_TRUE(held->next());
  db.close();
  EXPECT_EQ(db.preparedStatements(), 0u);
  held.reset();
  ASSERT_TRUE(db.open((dir.path() / "data.db").string()));
  RecordSet set(db);
  ASSERT_TRUE(set.open("select k from t order by k"));
  EXPECT_EQ(keys(set), (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
}  // namespace cz
