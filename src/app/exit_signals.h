#pragma once

#include <functional>

namespace cz {

// Turns SIGTERM, SIGINT and SIGHUP (a shutdown, a logout, Ctrl+C) into calls of `handler` on the
// UI thread, from the event loop, so the program ends through its normal exit and closes
// data.db cleanly. Boxes waiting for an answer are cancelled first, and `handler` runs once
// their loops have unwound. Call once, after the application object exists.
void installExitSignals(std::function<void()> handler);

// Call right before the program's own event loop starts: until then every loop is a box's.
void eventLoopStarts();

// Answers every box waiting for an answer as if it were cancelled, and every box that opens from
// now on, so that the event loops nested in them unwind and the program can end. Progress windows
// are left alone: they go with the work they show.
void dismissBoxesFromNowOn();

}  // namespace cz
