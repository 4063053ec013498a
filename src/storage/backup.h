#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "util/clock.h"

namespace cz {

// Copies, checks and swaps SQLite database files: the SQLite back end's backups. Every function
// opens its own connections, so it runs on any thread while the program's connection keeps
// serving the till. Nothing here shows anything; failures come back as texts for the user.

// How a long copy or check runs: in steps with a short pause between them, so the disk and the
// processor stay free for the till, and stoppable from another thread.
class CopyControl {
 public:
  // Pages copied per step, and the pause after each step. The default leaves the disk to the
  // till most of the time: a checkout's commit waits for the disk.
  int pagesPerStep = 256;
  std::chrono::milliseconds pause{10};
  // How long a copy waits while another program holds the database locked before it gives up
  // with "数据库正被占用".
  std::chrono::milliseconds busyLimit{10000};
  // Called on the working thread after each step with the pages done and the pages in all.
  std::function<void(std::int64_t done, std::int64_t total)> progress;

  // Asks the work to stop at its next step (from any thread); what it wrote is removed.
  void cancel() { m_cancelled = true; }
  // The work stops at its first step after `deadline`, as if cancelled.
  void setDeadline(std::chrono::steady_clock::time_point deadline);
  bool stopRequested() const;

 private:
  std::atomic<bool> m_cancelled{false};
  std::atomic<std::int64_t> m_deadline{INT64_MAX};
};

// Why a file holding none of the shop's tables (an empty file, another program's database) is
// neither sound nor copied.
inline constexpr const char* kNoShopDataText = "数据库中没有收银数据";

// The name of a copy taken at `t`: "data-20261210-090503.db".
std::string backupFileName(const LocalDateTime& t);

// A copy in a backup folder. A second copy within the same second is named "…-090503-2.db".
struct BackupCopy {
  std::string path;
  LocalDateTime time;
  int serial = 1;
};

// The copies in `folder`, oldest first; files not named like a copy are not listed. Empty when
// the folder cannot be read.
std::vector<BackupCopy> listBackups(const std::string& folder);

struct BackupResult {
  bool ok = false;
  // Cancelled or past its deadline; nothing of it is left in the folder.
  bool stopped = false;
  // The copy written.
  std::string path;
  // Why it failed, for the user: the folder (or the database) and the reason.
  std::string error;
  // Older copies removed to keep the count, and those that could not be (each with why).
  std::vector<std::string> removed;
  std::vector<std::string> notRemoved;
};

// Writes one copy of the database at `databasePath` into `folder` (which must exist) through
// SQLite's online backup, so a copy taken while another connection stores orders holds a
// consistent state of the file: the orders committed when the copy began, each whole. The copy is
// written under a temporary name, checked with quick_check and only then given its name; a copy
// that fails its check is deleted and reported. A file without the shop's tables is not copied.
// Then the oldest copies beyond `keep` (at least 1) are removed, never the one just written nor
// `keepAlso`, nor one holding more of the shop's tables. Two backups started in the same second
// (by two programs) each write a copy of their own. Leftovers of copies that were cut off (a
// killed program) are swept from the folder.
BackupResult writeBackup(const std::string& databasePath, const std::string& folder, int keep,
                         const LocalDateTime& now, CopyControl& control,
                         const std::string& keepAlso = {});

enum class CheckDepth { Quick, Full };

struct IntegrityReport {
  // The engine answered "ok".
  bool ok = false;
  bool stopped = false;
  // The engine's lines when it found faults, or why the file could not be checked.
  std::vector<std::string> problems;
  // How many of the shop's tables a sound file holds.
  int shopTables = 0;
};

// Opens the file without writing to it (read-only where its folder cannot be written) and runs
// PRAGMA quick_check or integrity_check. A
// `control` can stop a long check; its pace is not used.
IntegrityReport checkDatabaseFile(const std::string& path, CheckDepth depth,
                                  CopyControl* control = nullptr);

// What a copy holds, shown before it replaces the shop's data.
struct DatabaseSummary {
  // 订单号 and time text of the newest sale; empty when there is none.
  std::string newestSale;
  std::string newestSaleTime;
  // Rows per table, in the order of the schema.
  std::vector<std::pair<std::string, std::int64_t>> counts;
  // Why the file could not be read; empty when it was.
  std::string error;
};
DatabaseSummary summarizeDatabase(const std::string& path);

// Copies the database at `fromPath` to `toPath` (replacing it) through the online backup and
// checks the result with quick_check. On failure `toPath` is gone and `error` says why.
BackupResult copyDatabase(const std::string& fromPath, const std::string& toPath,
                          CopyControl& control);

// Puts the file `preparedPath` in place of `databasePath`: every connection of this program must
// have closed it. Refuses when another program still has the database open. Then renames the
// prepared file over it and removes the write-ahead log and shared-memory files beside it, so no
// stale log is ever applied to the new file. Returns empty text, or why nothing was changed.
std::string swapInDatabase(const std::string& preparedPath, const std::string& databasePath);

}  // namespace cz
