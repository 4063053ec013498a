#pragma once

#include <functional>

namespace cz {

// Hands work from any thread to the UI thread, which runs it later from its event loop, in the
// order posted. Worker-thread loads give their rows to the windows through this.
class UiQueue {
 public:
  virtual ~UiQueue() = default;
  virtual void post(std::function<void()> task) = 0;
};

}  // namespace cz
