#pragma once

namespace cz::test {

// A disk that can be made to fail. Installing it makes it SQLite's default file system for the
// rest of the test process; it passes everything but syncs (which it skips: tests never cut the
// power) through to the real one until a fault is set.
enum class DiskFault {
  None,
  Full,      // writes fail as on a full disk
  ReadOnly,  // writes fail as on a read-only file
};

// The files a fault can be limited to.
enum class DiskFile {
  Any,
  Database,  // the database file itself
  Journal,   // the rollback journal or the write-ahead log
};

// When a fault strikes. A write is a write, a truncation or a deletion of a file of the kind
// `file`; writes of other files pass.
struct DiskFaultPlan {
  DiskFault fault = DiskFault::None;
  int after = 0;   // writes that still succeed before the fault strikes
  int times = -1;  // writes that fail once it has struck; −1: every one until the fault is cleared
  DiskFile file = DiskFile::Any;
};

void installFaultyDisk();
// Sets the fault from the next write on (and clears it with DiskFault::None).
void setDiskFault(DiskFault fault);
void setDiskFault(const DiskFaultPlan& plan);
// Writes of the kind `file` since the last setDiskFault, failed ones included.
int diskWrites(DiskFile file = DiskFile::Any);

// Sets a fault for the life of the object.
class ScopedDiskFault {
 public:
  explicit ScopedDiskFault(DiskFault fault) { setDiskFault(fault); }
  explicit ScopedDiskFault(const DiskFaultPlan& plan) { setDiskFault(plan); }
  ~ScopedDiskFault() { setDiskFault(DiskFault::None); }
  ScopedDiskFault(const ScopedDiskFault&) = delete;
  ScopedDiskFault& operator=(const ScopedDiskFault&) = delete;
};

}  // namespace cz::test
