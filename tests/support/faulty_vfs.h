#pragma once

namespace cz::test {

// A disk that can be made to fail. Installing it makes it SQLite's default file system for the
// rest of the test process; it passes everything through to the real one until a fault is set.
enum class DiskFault {
  None,
  Full,      // writes fail as on a full disk
  ReadOnly,  // writes fail as on a read-only file
};

void installFaultyDisk();
void setDiskFault(DiskFault fault);

// Sets a fault for the life of the object.
class ScopedDiskFault {
 public:
  explicit ScopedDiskFault(DiskFault fault) { setDiskFault(fault); }
  ~ScopedDiskFault() { setDiskFault(DiskFault::None); }
  ScopedDiskFault(const ScopedDiskFault&) = delete;
  ScopedDiskFault& operator=(const ScopedDiskFault&) = delete;
};

}  // namespace cz::test
