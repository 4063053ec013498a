#include "util/background_loader.h"

#include <utility>

namespace cz {

struct RowSink::State {
  std::atomic<bool> cancelled{false};
  // Touched on the UI thread only.
  bool delivered = false;
  BackgroundLoader::Deliver deliver;
};

RowSink::RowSink(std::shared_ptr<State> state, UiQueue& ui, std::size_t firstBatch,
                 std::size_t batch)
    : m_state(std::move(state)), m_ui(ui), m_firstBatch(firstBatch), m_batch(batch) {}

bool RowSink::cancelled() const {
  return m_state->cancelled.load(std::memory_order_relaxed);
}

void RowSink::add(std::vector<std::string> row) {
  m_rows.push_back(std::move(row));
  ++m_count;
  if (m_rows.size() >= (m_first ? m_firstBatch : m_batch)) flush(false);
}

void RowSink::flush(bool last) {
  if (cancelled()) return;
  auto task = [state = m_state, rows = std::move(m_rows), first = m_first, last]() mutable {
    if (state->cancelled.load()) return;
    if (last) state->delivered = true;
    state->deliver(std::move(rows), first, last);
  };
  m_ui.post(std::move(task));
  m_rows = GridRows();
  m_first = false;
}

BackgroundLoader::BackgroundLoader(UiQueue& ui, std::size_t firstBatch, std::size_t batch)
    : m_ui(ui), m_firstBatch(firstBatch), m_batch(batch) {}

BackgroundLoader::~BackgroundLoader() {
  cancel();
  wait();
}

void BackgroundLoader::start(Reader read, Deliver deliver) {
  cancel();
  wait();
  auto state = std::make_shared<RowSink::State>();
  state->deliver = std::move(deliver);
  m_current = state;
  m_thread = std::thread(
      [state, read = std::move(read), &ui = m_ui, firstBatch = m_firstBatch, batch = m_batch]() {
        RowSink sink(state, ui, firstBatch, batch);
        read(sink);
        sink.flush(true);
      });
}

void BackgroundLoader::cancel() {
  if (m_current) m_current->cancelled.store(true);
}

void BackgroundLoader::wait() {
  if (m_thread.joinable()) m_thread.join();
}

bool BackgroundLoader::loading() const {
  return m_current && !m_current->cancelled.load() && !m_current->delivered;
}

}  // namespace cz
