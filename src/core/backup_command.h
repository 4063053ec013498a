#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace cz {

// The terminal commands that look after data.db without opening a window, so a shop can run them
// from cron. `dataDir` is the folder of data.db and of the settings file 配置.ini. Each writes
// what it did to `out` and returns the process's exit code.

// Writes one checked copy of data.db into `targetDir` (which must exist), then keeps the newest
// 保留 copies there. 0 when the copy was written; 1 when it failed (the reason is written).
int runBackupCommand(const std::string& dataDir, const std::string& targetDir, std::ostream& out);

// Runs integrity_check on data.db. 0 and "数据库完好" when the engine finds nothing; 1 and the
// engine's lines when it finds faults or cannot read the file; 2 when there is no data.db.
int runCheckCommand(const std::string& dataDir, std::ostream& out);

struct CommandLine;

// Runs `--check`, `--backup DIR` or `--copy-to-postgres CONN` when the command line asks for one
// and returns its exit code; nothing when it asks for none. `--check --backup DIR` checks first
// and copies only a sound file. `--check` and `--backup` refuse (exit code 2) when [数据库] names
// a server, or a 类型 that is neither SQLite nor PostgreSQL. The copy's running count goes to
// `progress` when given.
std::optional<int> runTerminalCommand(const CommandLine& options, const std::string& dataDir,
                                      std::ostream& out, std::ostream* progress = nullptr);

// The folder of the running executable (empty when it cannot be found).
std::string executableDirectory();

}  // namespace cz
