#include "util/background_loader.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace cz {
namespace {

BackgroundLoader::Reader numbers(int n) {
  return [n](RowSink& sink) {
    for (int i = 0; i < n && !sink.cancelled(); ++i) sink.add({std::to_string(i)});
  };
}

struct Received {
  std::vector<std::string> rows;
  int batches = 0;
  int firsts = 0;
  int lasts = 0;
  BackgroundLoader::Deliver deliver() {
    return [this](GridRows&& batch, bool first, bool last) {
      if (first) rows.clear(), ++firsts;
      for (auto& row : batch) rows.push_back(row[0]);
      ++batches;
      lasts += last;
    };
  }
};

TEST(BackgroundLoader, DeliversEveryRowInBatchesOnTheUiQueue) {
  test::ManualUiQueue ui;
  BackgroundLoader loader(ui, 2, 3);
  Received got;
  loader.start(numbers(7), got.deliver());
  loader.wait();
  EXPECT_TRUE(got.rows.empty());  // nothing reaches the grid before the UI thread runs
  ui.drain();
  EXPECT_EQ(got.rows, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(got.batches, 3);  // 2, then 3, then the last 2
  EXPECT_EQ(got.firsts, 1);
  EXPECT_EQ(got.lasts, 1);
  EXPECT_FALSE(loader.loading());
}

TEST(BackgroundLoader, AnEmptyResultStillEndsTheLoad) {
  test::ManualUiQueue ui;
  BackgroundLoader loader(ui);
  Received got;
  loader.start(numbers(0), got.deliver());
  loader.wait();
  ui.drain();
  EXPECT_EQ(got.firsts, 1);
  EXPECT_EQ(got.lasts, 1);
}

TEST(BackgroundLoader, ALaterStartDropsTheEarlierLoad) {
  test::ManualUiQueue ui;
  BackgroundLoader loader(ui, 1, 1);
  Received got;
  loader.start(numbers(5), got.deliver());
  loader.wait();  // its batches are queued but not yet delivered
  loader.start([](RowSink& sink) { sink.add({"new"}); }, got.deliver());
  loader.wait();
  ui.drain();
  EXPECT_EQ(got.rows, std::vector<std::string>{"new"});
}

TEST(BackgroundLoader, GoingAwayMidLoadDeliversNothing) {
  test::ManualUiQueue ui;
  Received got;
  {
    BackgroundLoader loader(ui, 1, 1);
    loader.start(numbers(100000), got.deliver());
  }
  ui.drain();
  EXPECT_EQ(got.batches, 0);
}

}  // namespace
}  // namespace cz
