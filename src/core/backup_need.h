#pragma once

#include <string>

namespace cz {

// Whether the database at `databasePath` stored anything since the copy at `copyPath` was taken:
// every change writes a log entry, so the log entries after the copy's newest one tell it, the
// program's starts, log-ins and log-outs left out. Cheap on a big shop: two index look-ups and
// the entries written since. True when either file cannot be read.
bool storedSince(const std::string& databasePath, const std::string& copyPath);

}  // namespace cz
