#pragma once

#include <string>

namespace cz::crash {

// Creates data.db in `dir` with every table, goods with ample stock, members and suppliers.
bool prepareStore(const std::string& dir);

// Opens data.db in `dir` and, through the same presenters the windows use, completes sales (some
// with a member, some with a return line) and purchase submissions in a loop that never ends.
void runWorkload(const std::string& dir, unsigned seed);

}  // namespace cz::crash
