#include "storage/backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <tuple>

#include "storage/backup_copies.h"
#include "storage/schema.h"
#include "storage/sqlite_file.h"
#include "util/file_system.h"
#include "util/timestamp.h"

namespace cz {

namespace fs = std::filesystem;

void CopyControl::setDeadline(std::chrono::steady_clock::time_point deadline) {
  m_deadline = deadline.time_since_epoch().count();
}

bool CopyControl::stopRequested() const {
  return m_cancelled ||
         std::chrono::steady_clock::now().time_since_epoch().count() >= m_deadline.load();
}

namespace {

// The folder is the place to look for a failure of this kind: a full, read-only or vanished
// disk, rather than a damaged database or one another program holds locked.
bool writeSideFailure(int rc) {
  const int primary = rc & 0xff;
  return primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB && primary != SQLITE_BUSY &&
         primary != SQLITE_LOCKED;
}

void removeFileAndJournal(const std::string& path) {
  std::error_code ignored;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(path + suffix, ignored);
}

// Sends the pages of a growing copy to the disk a few megabytes at a time. Left to the system,
// a copy of gigabytes piles up in memory and goes to the disk in bursts, and each commit of the
// till, which waits for the disk, waits behind such a burst (hundreds of milliseconds).
class WriteBehind {
 public:
  explicit WriteBehind(const std::string& path)
      : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~WriteBehind() {
    if (m_fd >= 0) ::close(m_fd);
  }
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // After a step: writes out what the copy grew by, once that is a few megabytes.
  void step() {
    struct stat status {};
    if (m_fd < 0 || ::fstat(m_fd, &status) != 0) return;
    if (status.st_size - m_written < kChunk) return;
    ::sync_file_range(
        m_fd, m_written, status.st_size - m_written,
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    m_written = status.st_size;
  }

 private:
  static constexpr off_t kChunk = 1 << 20;
  int m_fd;
  off_t m_written = 0;
};

struct CopyFailure {
  int rc = SQLITE_OK;
  std::string reason;
  bool stopped = false;
};

// Copies the main database of `source` into a new file at `destPath` in steps, then turns the
// copy into a file that needs no log beside it (rollback journal) and closes it. On failure the
// file is removed. A `claimed` file is the empty one made for the copy; any other is replaced.
bool copyInto(sqlite3* source, const std::string& destPath, CopyControl& control,
              CopyFailure& failure, bool claimed = false) {
  if (!claimed) removeFileAndJournal(destPath);
  SqliteFile dest;
  if (const int rc = dest.open(destPath, true); rc != SQLITE_OK) {
    failure = {rc, reasonText(rc, dest.openErrno(), dest.openError()), false};
    removeFileAndJournal(destPath);
    return false;
  }
  sqlite3_backup* backup = sqlite3_backup_init(dest.get(), "main", source, "main");
  if (!backup) {
    const int rc = sqlite3_errcode(dest.get());
    failure = {rc, reasonOf(dest.get(), rc), false};
    dest.close();
    removeFileAndJournal(destPath);
    return false;
  }
  const int pages = std::max(1, control.pagesPerStep);
  WriteBehind writeBehind(destPath);
  int rc = SQLITE_OK;
  bool stopped = false;
  // Since when the source has been locked by another program without a break.
  bool busy = false;
  std::chrono::steady_clock::time_point busySince{};
  while (true) {
    rc = sqlite3_backup_step(backup, pages);
    writeBehind.step();
    const std::int64_t total = sqlite3_backup_pagecount(backup);
    if (control.progress) control.progress(total - sqlite3_backup_remaining(backup), total);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
    if (rc == SQLITE_OK) {
      busy = false;
    } else if (!busy) {
      busy = true;
      busySince = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - busySince > control.busyLimit) {
      break;
    }
    if (control.stopRequested()) {
      stopped = true;
      break;
    }
    if (control.pause.count() > 0) std::this_thread::sleep_for(control.pause);
  }
  const int finishRc = sqlite3_backup_finish(backup);
  if (stopped || rc != SQLITE_DONE || finishRc != SQLITE_OK) {
    const int failedRc = rc != SQLITE_DONE && rc != SQLITE_OK ? rc : finishRc;
    failure.stopped = stopped;
    failure.rc = failedRc;
    if (!stopped) {
      const std::string engine = sqlite3_errcode(dest.get()) == SQLITE_OK
                                     ? std::string(sqlite3_errstr(failedRc))
                                     : std::string(sqlite3_errmsg(dest.get()));
      failure.reason = reasonText(failedRc, sqlite3_system_errno(dest.get()), engine);
    }
    dest.close();
    removeFileAndJournal(destPath);
    return false;
  }
  // The pages came with the source's write-ahead-log mark; a copy is one file on its own.
  int modeRc = SQLITE_OK;
  const std::vector<std::string> mode = dest.column("PRAGMA journal_mode=DELETE", modeRc);
  if (modeRc == SQLITE_OK && (mode.empty() || mode.front() != "delete")) modeRc = SQLITE_ERROR;
  if (modeRc != SQLITE_OK) {
    failure = {modeRc, reasonOf(dest.get(), modeRc), false};
    dest.close();
    removeFileAndJournal(destPath);
    return false;
  }
  if (const int closeRc = dest.close(); closeRc != SQLITE_OK) {
    failure = {closeRc, reasonText(closeRc, 0, sqlite3_errstr(closeRc)), false};
    removeFileAndJournal(destPath);
    return false;
  }
  return true;
}

// A consistent read of `source` for the whole copy. With the write-ahead log a reader holding its
// snapshot never blocks a writer, so the copy sees the file as it was when it began while the
// till goes on storing orders. With the rollback journal a held read would block every writer:
// there each step reads on its own, and the copy starts over when another connection wrote.
bool holdSnapshot(SqliteFile& source) {
  int rc = SQLITE_OK;
  source.column("SELECT count(*) FROM sqlite_master", rc);
  const std::vector<std::string> mode = source.column("PRAGMA journal_mode", rc);
  if (rc != SQLITE_OK || mode.empty() || mode.front() != "wal") return false;
  if (source.exec("BEGIN") != SQLITE_OK) return false;
  source.column("SELECT count(*) FROM sqlite_master", rc);
  if (rc != SQLITE_OK) {
    source.exec("ROLLBACK");
    return false;
  }
  return true;
}

std::string folderFailure(const std::string& folder, const std::string& reason) {
  return "备份失败，无法写入备份文件夹：" + folder + "\r\n原因：" + reason;
}

std::string databaseFailure(const std::string& path, const std::string& reason) {
  return "备份失败，无法读取数据库：" + path + "\r\n原因：" + reason;
}

std::string joinLines(const std::vector<std::string>& lines, size_t most) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < most; ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  if (lines.size() > most) text += "\r\n……";
  return text;
}

bool cannotWriteBeside(int rc) {
  const int primary = rc & 0xff;
  return primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY || primary == SQLITE_PERM;
}

// The engine's code of a first read of the file.
int firstRead(SqliteFile& db) {
  int rc = SQLITE_OK;
  db.column("select count(*) from sqlite_master", rc);
  return rc;
}

// Opens a file to read it: read-write where that works, so that closing folds a write-ahead log
// back into the file; else read-only; and for a file in the write-ahead-log mode in a folder that
// cannot be written (where even a reader needs a shared-memory file beside it), as a file nobody
// changes, when no log lies beside it.
int openForReading(SqliteFile& db, const std::string& path, std::string& why) {
  int rc = db.open(path, false);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db.get(), 2000);
    rc = firstRead(db);
    if (rc == SQLITE_OK || !cannotWriteBeside(rc)) {
      if (rc != SQLITE_OK) why = reasonOf(db.get(), rc);
      return rc;
    }
  } else if (!cannotWriteBeside(rc)) {
    why = reasonText(rc, db.openErrno(), db.openError());
    return rc;
  }
  rc = db.openWith(path, SQLITE_OPEN_READONLY);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db.get(), 2000);
    rc = firstRead(db);
    if (rc == SQLITE_OK) return rc;
  }
  std::error_code error;
  const bool log = fs::file_size(path + "-wal", error) > 0 && !error;
  if (!log) {
    std::string uri = "file:";
    for (const char c : fs::absolute(path, error).string()) {
      if (c == '%' || c == '?' || c == '#') {
        static constexpr char kHex[] = "0123456789ABCDEF";
        uri += '%';
        uri += kHex[(static_cast<unsigned char>(c) >> 4) & 0xf];
        uri += kHex[static_cast<unsigned char>(c) & 0xf];
      } else {
        uri += c;
      }
    }
    uri += "?immutable=1";
    if (db.openWith(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI) == SQLITE_OK &&
        firstRead(db) == SQLITE_OK) {
      return SQLITE_OK;
    }
  }
  rc = db.get() ? sqlite3_errcode(db.get()) : rc;
  why = db.get() ? reasonOf(db.get(), rc) : reasonText(rc, db.openErrno(), db.openError());
  return rc == SQLITE_OK ? SQLITE_CANTOPEN : rc;
}

}  // namespace

BackupResult writeBackup(const std::string& databasePath, const std::string& folder, int keep,
                         const LocalDateTime& now, CopyControl& control,
                         const std::string& keepAlso) {
  BackupResult result;
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  if (error || !fs::exists(status)) {
    result.error = folderFailure(folder, error && error != std::errc::no_such_file_or_directory
                                             ? fileErrorText(error.value())
                                             : "文件夹不存在（移动盘或网络盘可能没有接上）");
    return result;
  }
  if (!fs::is_directory(status)) {
    result.error = folderFailure(folder, "同名的不是一个文件夹");
    return result;
  }
  sweepAbandonedParts(folder);

  SqliteFile source;
  std::string why;
  if (const int rc = openForReading(source, databasePath, why);
      rc != SQLITE_OK && (rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED) {
    result.error = databaseFailure(databasePath, why);
    return result;
  }
  sqlite3_busy_timeout(source.get(), 200);
  // A file without the shop's tables (an empty file, another program's) is no backup, and its
  // copy must not push a good one out of the folder.
  int tablesRc = SQLITE_OK;
  const auto lockedUntil = std::chrono::steady_clock::now() + control.busyLimit;
  int tables = shopTableCount(source, tablesRc);
  while (((tablesRc & 0xff) == SQLITE_BUSY || (tablesRc & 0xff) == SQLITE_LOCKED) &&
         std::chrono::steady_clock::now() < lockedUntil && !control.stopRequested()) {
    tables = shopTableCount(source, tablesRc);
  }
  if (tablesRc != SQLITE_OK) {
    result.error = databaseFailure(databasePath, reasonOf(source.get(), tablesRc));
    return result;
  }
  if (tables == 0) {
    result.error = databaseFailure(databasePath, kNoShopDataText);
    return result;
  }
  sqlite3_busy_timeout(source.get(), 2000);

  CopyPart part;
  std::string claimError;
  if (!part.claim(folder, now, claimError)) {
    result.error = folderFailure(folder, claimError);
    return result;
  }
  const bool snapshot = holdSnapshot(source);
  CopyFailure failure;
  const bool copied = copyInto(source.get(), part.partPath(), control, failure, true);
  if (snapshot) {
    source.exec("ROLLBACK");
    // While the copy held its snapshot the log could not be folded back into the file, and grew
    // with every order stored meanwhile. Folding it here spares the next checkout that work. A
    // passive checkpoint waits for nobody: when the till is at it, this one just stops.
    source.exec("PRAGMA wal_checkpoint(PASSIVE)");
  }
  source.close();
  if (!copied) {
    result.stopped = failure.stopped;
    if (!failure.stopped) {
      result.error = writeSideFailure(failure.rc) ? folderFailure(folder, failure.reason)
                                                  : databaseFailure(databasePath, failure.reason);
    }
    return result;
  }

  // The copy is checked as it lies on the disk, through a connection of its own.
  const IntegrityReport check = checkDatabaseFile(part.partPath(), CheckDepth::Quick, &control);
  if (!check.ok) {
    removeFileAndJournal(part.partPath());
    result.stopped = check.stopped;
    if (!check.stopped) {
      result.error = "备份失败，写入的备份没有通过检查，已删除。\r\n备份文件夹：" + folder +
                     "\r\n原因：" + joinLines(check.problems, 5);
    }
    return result;
  }
  if (const std::string published = part.publish(); !published.empty()) {
    removeFileAndJournal(part.partPath());
    result.error = folderFailure(folder, published);
    return result;
  }
  part.release();
  syncFolder(folder);
  result.ok = true;
  result.path = part.copyPath();
  rotate(folder, keep, result.path, keepAlso, result);
  return result;
}

IntegrityReport checkDatabaseFile(const std::string& path, CheckDepth depth, CopyControl* control) {
  IntegrityReport report;
  SqliteFile db;
  std::string why;
  if (openForReading(db, path, why) != SQLITE_OK) {
    report.problems.push_back("无法打开：" + path + "，原因：" + why);
    return report;
  }
  if (control) {
    sqlite3_progress_handler(
        db.get(), 1000,
        [](void* arg) { return static_cast<CopyControl*>(arg)->stopRequested() ? 1 : 0; }, control);
  }
  int rc = SQLITE_OK;
  const std::vector<std::string> lines =
      db.column(depth == CheckDepth::Quick ? "PRAGMA quick_check" : "PRAGMA integrity_check", rc);
  if (rc == SQLITE_INTERRUPT) {
    report.stopped = true;
    return report;
  }
  if (rc != SQLITE_OK) {
    report.problems.push_back(reasonOf(db.get(), rc));
    return report;
  }
  report.ok = lines.size() == 1 && lines.front() == "ok";
  if (report.ok) report.shopTables = shopTableCount(db, rc);
  if (!report.ok) report.problems = lines.empty() ? std::vector<std::string>{"没有结果"} : lines;
  return report;
}

DatabaseSummary summarizeDatabase(const std::string& path) {
  DatabaseSummary summary;
  SqliteFile db;
  if (const int rc = db.open(path, false); rc != SQLITE_OK) {
    summary.error = reasonText(rc, db.openErrno(), db.openError());
    return summary;
  }
  sqlite3_busy_timeout(db.get(), 2000);
  for (const TableDef& table : schemaTables()) {
    int rc = SQLITE_OK;
    const std::string sql = "select count(*) from " + table.name;
    const std::vector<std::string> count = db.column(sql.c_str(), rc);
    if (rc != SQLITE_OK || count.empty()) {
      summary.error = reasonOf(db.get(), rc);
      return summary;
    }
    summary.counts.emplace_back(table.name, std::stoll(count.front()));
  }
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(), "select 订单号, 日期 from 销售 order by rowid desc limit 1", -1,
                         &raw, nullptr) == SQLITE_OK &&
      sqlite3_step(raw) == SQLITE_ROW) {
    const auto text = [&](int column) {
      const auto* value = sqlite3_column_text(raw, column);
      return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
    };
    summary.newestSale = text(0);
    const std::optional<LocalDateTime> time = dateTimeFromTimestamp(text(1));
    summary.newestSaleTime = time ? timeText(*time) : text(1);
  }
  sqlite3_finalize(raw);
  return summary;
}

BackupResult copyDatabase(const std::string& fromPath, const std::string& toPath,
                          CopyControl& control) {
  BackupResult result;
  SqliteFile source;
  if (const int rc = source.open(fromPath, false); rc != SQLITE_OK) {
    result.error = "无法读取文件：" + fromPath + "\r\n原因：" +
                   reasonText(rc, source.openErrno(), source.openError());
    return result;
  }
  sqlite3_busy_timeout(source.get(), 2000);
  CopyFailure failure;
  if (!copyInto(source.get(), toPath, control, failure)) {
    result.stopped = failure.stopped;
    if (!failure.stopped) {
      result.error =
          (writeSideFailure(failure.rc) ? "无法写入文件：" + toPath : "无法读取文件：" + fromPath) +
          "\r\n原因：" + failure.reason;
    }
    return result;
  }
  source.close();
  const IntegrityReport check = checkDatabaseFile(toPath, CheckDepth::Quick, &control);
  if (!check.ok) {
    removeFileAndJournal(toPath);
    result.stopped = check.stopped;
    if (!check.stopped) {
      result.error =
          "复制的文件没有通过检查：" + toPath + "\r\n原因：" + joinLines(check.problems, 5);
    }
    return result;
  }
  result.ok = true;
  result.path = toPath;
  return result;
}

std::string swapInDatabase(const std::string& preparedPath, const std::string& databasePath) {
  // An exclusive lock can be had only when no other connection has the file open: a connection
  // in write-ahead-log mode holds a shared lock for as long as it is open. Closing this probe
  // folds any log back into the file.
  {
    SqliteFile probe;
    if (const int rc = probe.open(databasePath, false); rc != SQLITE_OK) {
      return "无法打开数据库：" + databasePath + "\r\n原因：" +
             reasonText(rc, probe.openErrno(), probe.openError());
    }
    probe.exec("PRAGMA locking_mode=EXCLUSIVE");
    const int rc = probe.exec("BEGIN EXCLUSIVE");
    if (rc != SQLITE_OK) {
      const std::string reason = (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED
                                     ? "数据库正被另一个程序使用，请先关闭它"
                                     : reasonOf(probe.get(), rc);
      return "无法替换数据库：" + databasePath + "\r\n原因：" + reason;
    }
    probe.exec("COMMIT");
    if (const int closeRc = probe.close(); closeRc != SQLITE_OK) {
      return "无法关闭数据库：" + databasePath + "\r\n原因：" + sqlite3_errstr(closeRc);
    }
  }
  // The new file keeps the old one's permissions.
  struct stat old {};
  if (::stat(databasePath.c_str(), &old) == 0) ::chmod(preparedPath.c_str(), old.st_mode & 07777);
  std::error_code error;
  fs::rename(preparedPath, databasePath, error);
  if (error) {
    return "无法替换数据库：" + databasePath + "\r\n原因：" + fileErrorText(error.value());
  }
  const fs::path folder = fs::path(databasePath).parent_path();
  syncFolder(folder.empty() ? fs::path(".") : folder);
  std::error_code ignored;
  fs::remove(databasePath + "-wal", ignored);
  fs::remove(databasePath + "-shm", ignored);
  return {};
}

}  // namespace cz
