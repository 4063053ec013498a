#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "util/ui_queue.h"

namespace cz {

using GridRows = std::vector<std::vector<std::string>>;

// What a worker-thread reader writes its rows into. Rows are handed to the UI thread in batches:
// a small first batch so the first rows show at once, then larger ones.
class RowSink {
 public:
  // True once the load was superseded or its owner went; the reader should stop stepping.
  bool cancelled() const;
  // Adds one row; hands a batch over when it is full.
  void add(std::vector<std::string> row);
  // Rows added so far.
  std::size_t count() const { return m_count; }

 private:
  friend class BackgroundLoader;
  struct State;
  RowSink(std::shared_ptr<State> state, UiQueue& ui, std::size_t firstBatch, std::size_t batch);
  void flush(bool last);

  std::shared_ptr<State> m_state;
  UiQueue& m_ui;
  std::size_t m_firstBatch;
  std::size_t m_batch;
  GridRows m_rows;
  std::size_t m_count = 0;
  bool m_first = true;
};

// Runs one grid load at a time on a worker thread and delivers its rows on the UI thread. A new
// start() supersedes the running load: nothing more of the old one is delivered, so the grid
// always shows the latest request. The destructor cancels and waits for the thread, so a window
// closed mid-load neither crashes nor leaks; batches already queued are then dropped unseen.
class BackgroundLoader {
 public:
  // Runs on the worker thread; reads rows into the sink, stopping early when it is cancelled.
  using Reader = std::function<void(RowSink&)>;
  // Runs on the UI thread once per batch. `first` marks the load's first batch (the grid is
  // emptied then), `last` its final one; a load that finds nothing delivers one empty batch with
  // both set.
  using Deliver = std::function<void(GridRows&& rows, bool first, bool last)>;

  explicit BackgroundLoader(UiQueue& ui, std::size_t firstBatch = 200, std::size_t batch = 5000);
  ~BackgroundLoader();
  BackgroundLoader(const BackgroundLoader&) = delete;
  BackgroundLoader& operator=(const BackgroundLoader&) = delete;

  void start(Reader read, Deliver deliver);
  // Drops the running load: nothing more of it is delivered.
  void cancel();
  // Waits for the worker thread to finish; its batches are then queued on the UI queue.
  void wait();
  // True from start() until the last batch was delivered (or the load was cancelled).
  bool loading() const;

 private:
  UiQueue& m_ui;
  std::size_t m_firstBatch;
  std::size_t m_batch;
  std::shared_ptr<RowSink::State> m_current;
  std::thread m_thread;
};

}  // namespace cz
