#include "support/faulty_vfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace cz::test {

namespace {

std::mutex g_mutex;
DiskFaultPlan g_plan;
int g_seen[3] = {0, 0, 0};  // writes per DiskFile since the plan was set (Any counts all)
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods[3];  // by version: 1, 2 (shared memory), 3 (mapping)

// A file of the faulty disk: the real file's handle follows this header in the same block.
struct FaultyFile {
  sqlite3_file base;
  DiskFile kind;
  sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

FaultyFile* faulty(sqlite3_file* file) {
  return reinterpret_cast<FaultyFile*>(file);
}

DiskFile kindOf(int openFlags) {
  if (openFlags & SQLITE_OPEN_MAIN_DB) return DiskFile::Database;
  if (openFlags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL)) return DiskFile::Journal;
  return DiskFile::Any;  // temporary files, statement journals
}

DiskFile kindOfName(const char* name) {
  const std::string text = name ? name : "";
  const auto endsWith = [&](const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
  };
  return endsWith("-journal") || endsWith("-wal") ? DiskFile::Journal : DiskFile::Any;
}

// Counts one write to a file of `kind` and answers the error it meets, SQLITE_OK when it passes.
int failure(DiskFile kind) {
  std::lock_guard lock(g_mutex);
  ++g_seen[static_cast<int>(DiskFile::Any)];
  if (kind != DiskFile::Any) ++g_seen[static_cast<int>(kind)];
  if (g_plan.fault == DiskFault::None) return SQLITE_OK;
  if (g_plan.file != DiskFile::Any && g_plan.file != kind) return SQLITE_OK;
  const int index = g_seen[static_cast<int>(g_plan.file)] - 1;  // this write's place
  if (index < g_plan.after) return SQLITE_OK;
  if (g_plan.times >= 0 && index >= g_plan.after + g_plan.times) return SQLITE_OK;
  return g_plan.fault == DiskFault::Full ? SQLITE_FULL : SQLITE_READONLY;
}

int xClose(sqlite3_file* f) {
  return faulty(f)->real()->pMethods->xClose(faulty(f)->real());
}
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  return faulty(f)->real()->pMethods->xRead(faulty(f)->real(), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (const int rc = failure(faulty(f)->kind)) return rc;
  return faulty(f)->real()->pMethods->xWrite(faulty(f)->real(), buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
  if (const int rc = failure(faulty(f)->kind)) return rc;
  return faulty(f)->real()->pMethods->xTruncate(faulty(f)->real(), size);
}
// Syncs are skipped: tests never cut the power, and a sweep of hundreds of orders would spend
// its time waiting on them.
int xSync(sqlite3_file*, int) {
  return SQLITE_OK;
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

// Shared memory and memory mapping, so the write-ahead log works on this disk too.
int xShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
  return faulty(f)->real()->pMethods->xShmMap(faulty(f)->real(), page, size, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return faulty(f)->real()->pMethods->xShmLock(faulty(f)->real(), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f) {
  faulty(f)->real()->pMethods->xShmBarrier(faulty(f)->real());
}
int xShmUnmap(sqlite3_file* f, int deleteFlag) {
  return faulty(f)->real()->pMethods->xShmUnmap(faulty(f)->real(), deleteFlag);
}
int xFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return faulty(f)->real()->pMethods->xFetch(faulty(f)->real(), offset, amount, out);
}
int xUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
  return faulty(f)->real()->pMethods->xUnfetch(faulty(f)->real(), offset, page);
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  FaultyFile* f = faulty(file);
  std::memset(&f->base, 0, sizeof f->base);
  f->kind = kindOf(flags);
  const int rc = g_real->xOpen(g_real, name, f->real(), flags, outFlags);
  // SQLite calls xClose only when pMethods is set, so set it only when the real file opened.
  // The real file's methods decide which optional ones exist (shared memory, mapping).
  if (rc == SQLITE_OK && f->real()->pMethods) {
    f->base.pMethods = &g_methods[std::min(f->real()->pMethods->iVersion, 3) - 1];
  }
  return rc;
}
int xDelete(sqlite3_vfs*, const char* name, int) {
  // A full disk still deletes; a read-only one does not.
  const int rc = failure(kindOfName(name));
  if (rc == SQLITE_READONLY) return SQLITE_IOERR_DELETE;
  return g_real->xDelete(g_real, name, 0);  // no directory sync either
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
int xSleep(sqlite3_vfs*, int micro) {
  return g_real->xSleep(g_real, micro);
}
int xCurrentTime(sqlite3_vfs*, double* out) {
  return g_real->xCurrentTime(g_real, out);
}
int xGetLastError(sqlite3_vfs*, int size, char* out) {
  return g_real->xGetLastError(g_real, size, out);
}

}  // namespace

void installFaultyDisk() {
  if (g_real) return;
  g_real = sqlite3_vfs_find(nullptr);
  sqlite3_io_methods methods{};
  methods.iVersion = 1;
  methods.xClose = xClose;
  methods.xRead = xRead;
  methods.xWrite = xWrite;
  methods.xTruncate = xTruncate;
  methods.xSync = xSync;
  methods.xFileSize = xFileSize;
  methods.xLock = xLock;
  methods.xUnlock = xUnlock;
  methods.xCheckReservedLock = xCheckReservedLock;
  methods.xFileControl = xFileControl;
  methods.xSectorSize = xSectorSize;
  methods.xDeviceCharacteristics = xDeviceCharacteristics;
  g_methods[0] = methods;
  methods.iVersion = 2;
  methods.xShmMap = xShmMap;
  methods.xShmLock = xShmLock;
  methods.xShmBarrier = xShmBarrier;
  methods.xShmUnmap = xShmUnmap;
  g_methods[1] = methods;
  methods.iVersion = 3;
  methods.xFetch = xFetch;
  methods.xUnfetch = xUnfetch;
  g_methods[2] = methods;
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

void setDiskFault(DiskFault fault) {
  DiskFaultPlan plan;
  plan.fault = fault;
  setDiskFault(plan);
}

void setDiskFault(const DiskFaultPlan& plan) {
  std::lock_guard lock(g_mutex);
  g_plan = plan;
  for (int& seen : g_seen) seen = 0;
}

int diskWrites(DiskFile file) {
  std::lock_guard lock(g_mutex);
  return g_seen[static_cast<int>(file)];
}

}  // namespace cz::test
