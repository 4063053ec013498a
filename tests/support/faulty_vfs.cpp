#include "support/faulty_vfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace cz::test {

namespace {

std::atomic<DiskFault> g_fault{DiskFault::None};
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;

// A file of the faulty disk: the real file's handle follows this header in the same block.
struct FaultyFile {
  sqlite3_file base;
  sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

FaultyFile* faulty(sqlite3_file* file) { return reinterpret_cast<FaultyFile*>(file); }

int failure() {
  switch (g_fault.load()) {
    case DiskFault::Full:
      return SQLITE_FULL;
    case DiskFault::ReadOnly:
      return SQLITE_READONLY;
    case DiskFault::None:
      break;
  }
  return SQLITE_OK;
}

int xClose(sqlite3_file* f) { return faulty(f)->real()->pMethods->xClose(faulty(f)->real()); }
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  return faulty(f)->real()->pMethods->xRead(faulty(f)->real(), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (const int rc = failure()) return rc;
  return faulty(f)->real()->pMethods->xWrite(faulty(f)->real(), buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
  if (const int rc = failure()) return rc;
  return faulty(f)->real()->pMethods->xTruncate(faulty(f)->real(), size);
}
int xSync(sqlite3_file* f, int flags) {
  return faulty(f)->real()->pMethods->xSync(faulty(f)->real(), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
  return faulty(f)->real()->pMethods->xFileSize(faulty(f)->real(), size);
}
int xLock(sqlite3_file* f, int level) {
  return faulty(f)->real()->pMethods->xLock(faulty(f)->real(), level);
}
int xUnlock(sqlite3_file* f, int level) {
  return faulty(f)->real()->pMethods->xUnlock(faulty(f)->real(), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
  return faulty(f)->real()->pMethods->xCheckReservedLock(faulty(f)->real(), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
  return faulty(f)->real()->pMethods->xFileControl(faulty(f)->real(), op, arg);
}
int xSectorSize(sqlite3_file* f) {
  return faulty(f)->real()->pMethods->xSectorSize(faulty(f)->real());
}
int xDeviceCharacteristics(sqlite3_file* f) {
  return faulty(f)->real()->pMethods->xDeviceCharacteristics(faulty(f)->real());
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  FaultyFile* f = faulty(file);
  std::memset(&f->base, 0, sizeof f->base);
  const int rc = g_real->xOpen(g_real, name, f->real(), flags, outFlags);
  // SQLite calls xClose only when pMethods is set, so set it only when the real file opened.
  if (rc == SQLITE_OK && f->real()->pMethods) f->base.pMethods = &g_methods;
  return rc;
}
int xDelete(sqlite3_vfs*, const char* name, int syncDir) {
  if (const int rc = failure()) return rc == SQLITE_FULL ? SQLITE_IOERR_DELETE : rc;
  return g_real->xDelete(g_real, name, syncDir);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
  return g_real->xAccess(g_real, name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  return g_real->xFullPathname(g_real, name, size, out);
}
int xRandomness(sqlite3_vfs*, int size, char* out) {
  return g_real->xRandomness(g_real, size, out);
}
int xSleep(sqlite3_vfs*, int micro) { return g_real->xSleep(g_real, micro); }
int xCurrentTime(sqlite3_vfs*, double* out) { return g_real->xCurrentTime(g_real, out); }
int xGetLastError(sqlite3_vfs*, int size, char* out) {
  return g_real->xGetLastError(g_real, size, out);
}

}  // namespace

void installFaultyDisk() {
  if (g_real) return;
  g_real = sqlite3_vfs_find(nullptr);
  g_methods = {};
  g_methods.iVersion = 1;
  g_methods.xClose = xClose;
  g_methods.xRead = xRead;
  g_methods.xWrite = xWrite;
  g_methods.xTruncate = xTruncate;
  g_methods.xSync = xSync;
  g_methods.xFileSize = xFileSize;
  g_methods.xLock = xLock;
  g_methods.xUnlock = xUnlock;
  g_methods.xCheckReservedLock = xCheckReservedLock;
  g_methods.xFileControl = xFileControl;
  g_methods.xSectorSize = xSectorSize;
  g_methods.xDeviceCharacteristics = xDeviceCharacteristics;
  g_vfs = {};
  g_vfs.iVersion = 1;
  g_vfs.szOsFile = static_cast<int>(sizeof(FaultyFile)) + g_real->szOsFile;
  g_vfs.mxPathname = g_real->mxPathname;
  g_vfs.zName = "faulty-disk";
  g_vfs.xOpen = xOpen;
  g_vfs.xDelete = xDelete;
  g_vfs.xAccess = xAccess;
  g_vfs.xFullPathname = xFullPathname;
  g_vfs.xDlOpen = nullptr;
  g_vfs.xRandomness = xRandomness;
  g_vfs.xSleep = xSleep;
  g_vfs.xCurrentTime = xCurrentTime;
  g_vfs.xGetLastError = xGetLastError;
  sqlite3_vfs_register(&g_vfs, 1);
}

void setDiskFault(DiskFault fault) { g_fault.store(fault); }

}  // namespace cz::test
