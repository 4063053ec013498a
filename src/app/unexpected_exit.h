#pragma once

#include <functional>

namespace cz {

// When the window system goes away (a log-out or shutdown that ends the X server first), Qt ends
// the process with exit() from inside the event loop: main() never returns, and the database
// would stay open with its write-ahead log beside it while other threads still run. `closeUp`
// runs instead at such an exit, on the thread that called exit(); the process then ends at once
// with exit code 0, as on SIGTERM, without running the destructors of static objects that
// threads still use. Call once; call `expectedExit()` once main() is on its own way out.
void closeUpAtUnexpectedExit(std::function<void()> closeUp);
void expectedExit();

}  // namespace cz
