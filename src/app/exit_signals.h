#pragma once

#include <functional>

namespace cz {

// Turns SIGTERM, SIGINT and SIGHUP (a shutdown, a logout, Ctrl+C) into calls of `handler` on the
// UI thread, from the event loop, so the program ends through its normal exit and closes
// data.db cleanly. Call once, after the application object exists.
void installExitSignals(std::function<void()> handler);

}  // namespace cz
