#pragma once

#include "util/ui_queue.h"

namespace cz {

// Posts tasks to the Qt event loop of the application's (UI) thread, from any thread.
class QtUiQueue : public UiQueue {
 public:
  void post(std::function<void()> task) override;
};

}  // namespace cz
