#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "storage/backup.h"

namespace cz {

// The files of a backup folder: the names of copies, the part file a copy is written into, the
// sweep of cut-off copies and the rotation that keeps the newest ones.

// A part file claimed for one copy: created by this process alone and locked while it writes, so
// a second backup started in the same second (cron beside the program) takes another name, and
// a sweep never removes a copy that is still being written.
class CopyPart {
 public:
  CopyPart() = default;
  ~CopyPart() { release(); }
  CopyPart(const CopyPart&) = delete;
  CopyPart& operator=(const CopyPart&) = delete;

  // Creates "<copy name>.part" in `folder` for a copy taken at `now`, the first name of that
  // second with neither the copy nor its part taken. False with the reason for the user.
  bool claim(const std::filesystem::path& folder, const LocalDateTime& now, std::string& error);
  // Gives the written part its copy's name without replacing any file: when another copy took
  // that name meanwhile, the next free one of the same second. Empty text, or why it failed.
  std::string publish();
  // Lets go of the lock (the part stays where it is).
  void release();

  const std::string& partPath() const { return m_part; }
  // The copy's name once published, the intended one before.
  const std::string& copyPath() const { return m_target; }

 private:
  std::filesystem::path m_folder;
  LocalDateTime m_time;
  std::string m_part;
  std::string m_target;
  int m_fd = -1;
};

// Removes the part files of copies nobody writes any more: their writer ended (a killed program,
// a lost display) and holds no lock on them.
void sweepAbandonedParts(const std::filesystem::path& folder);

// Removes the oldest copies beyond `keep` (at least 1), never the one just written nor
// `keepAlso`, and never a copy holding more of the shop's tables than the one just written.
void rotate(const std::string& folder, int keep, const std::string& justWritten,
            const std::string& keepAlso, BackupResult& result);

// Makes a rename or removal in `folder` durable. A failure here is not a failure of the copy.
void syncFolder(const std::filesystem::path& folder);

}  // namespace cz
