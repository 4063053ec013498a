#include "core/backup.h"

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

#include "core/schema.h"
#include "core/timestamp.h"
#include "util/file_system.h"

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

// Leftovers of a copy that was cut off are swept once they have not been written for this long,
// so a copy another program is writing right now is left alone.
constexpr auto kStalePartAge = std::chrono::minutes(10);
constexpr const char* kPartSuffix = ".part";

// One connection of its own, closed when it goes.
class Connection {
 public:
  Connection() = default;
  ~Connection() { close(); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens an existing file (read-write where the file allows it, read-only otherwise) or, with
  // `create`, makes it. Returns the engine's code.
  int open(const std::string& path, bool create) {
    close();
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
      m_openError = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
      m_openErrno = m_db ? sqlite3_system_errno(m_db) : 0;
      close();
    }
    return rc;
  }
  int close() {
    int rc = SQLITE_OK;
    if (m_db) rc = sqlite3_close(m_db);
    if (rc == SQLITE_BUSY) sqlite3_close_v2(m_db);
    m_db = nullptr;
    return rc;
  }
  sqlite3* get() const { return m_db; }
  const std::string& openError() const { return m_openError; }
  int openErrno() const { return m_openErrno; }

  // Runs statements; the engine's code.
  int exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

  // The first column of every row of one statement; the engine's code in `rc`.
  std::vector<std::string> column(const char* sql, int& rc) {
    std::vector<std::string> values;
    sqlite3_stmt* statement = nullptr;
    rc = sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
    if (rc != SQLITE_OK) return values;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(statement, 0);
      values.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
    sqlite3_finalize(statement);
    return values;
  }

 private:
  sqlite3* m_db = nullptr;
  std::string m_openError;
  int m_openErrno = 0;
};

// Why an engine call failed, in words for the user, with the engine's own text after it.
std::string reasonText(int rc, int systemErrno, const std::string& engineText) {
  std::string reason;
  switch (rc & 0xff) {
    case SQLITE_FULL:
      reason = "磁盘空间不足";
      break;
    case SQLITE_READONLY:
      reason = "只读，不能写入";
      break;
    case SQLITE_CANTOPEN:
      reason = systemErrno ? fileErrorText(systemErrno) : "无法打开或创建文件";
      break;
    case SQLITE_IOERR:
      reason = systemErrno ? fileErrorText(systemErrno) : "读写出错";
      break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      reason = "没有访问权限";
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      reason = "文件已损坏或不是数据库";
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      reason = "数据库正被占用";
      break;
    default:
      return engineText.empty() ? sqlite3_errstr(rc) : engineText;
  }
  if (!engineText.empty()) reason += "（" + engineText + "）";
  return reason;
}

std::string reasonOf(sqlite3* db, int rc) {
  return reasonText(rc, db ? sqlite3_system_errno(db) : 0, db ? sqlite3_errmsg(db) : "");
}

// The folder is the place to look for a failure of this kind: a full, read-only or vanished
// disk, rather than a damaged database.
bool writeSideFailure(int rc) {
  const int primary = rc & 0xff;
  return primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB;
}

void removeFileAndJournal(const std::string& path) {
  std::error_code ignored;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(path + suffix, ignored);
}

// Makes a rename or removal in `folder` durable. A failure here is not a failure of the copy.
void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
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
// file is removed.
bool copyInto(sqlite3* source, const std::string& destPath, CopyControl& control,
              CopyFailure& failure) {
  removeFileAndJournal(destPath);
  Connection dest;
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
  while (true) {
    rc = sqlite3_backup_step(backup, pages);
    writeBehind.step();
    const std::int64_t total = sqlite3_backup_pagecount(backup);
    if (control.progress) control.progress(total - sqlite3_backup_remaining(backup), total);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
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
bool holdSnapshot(Connection& source) {
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

std::string twoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
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

bool sameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error);
}

// Takes `count` decimal digits from the front of `text` into `value`.
bool takeDigits(std::string_view& text, size_t count, int& value) {
  if (text.size() < count) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  text.remove_prefix(count);
  return true;
}

bool takeText(std::string_view& text, std::string_view part) {
  if (!text.starts_with(part)) return false;
  text.remove_prefix(part.size());
  return true;
}

// Reads a copy's name, "data-YYYYMMDD-HHMMSS.db" or "data-YYYYMMDD-HHMMSS-N.db", from the front
// of `name`, leaving the rest of it there.
bool takeCopyName(std::string_view& name, LocalDateTime& time, int& serial) {
  if (!takeText(name, "data-") || !takeDigits(name, 4, time.year) ||
      !takeDigits(name, 2, time.month) || !takeDigits(name, 2, time.day) || !takeText(name, "-") ||
      !takeDigits(name, 2, time.hour) || !takeDigits(name, 2, time.minute) ||
      !takeDigits(name, 2, time.second)) {
    return false;
  }
  serial = 1;
  if (takeText(name, "-")) {
    size_t digits = 0;
    while (digits < name.size() && digits < 7 && name[digits] >= '0' && name[digits] <= '9') {
      ++digits;
    }
    if (digits == 0 || digits > 6 || !takeDigits(name, digits, serial)) return false;
  }
  return takeText(name, ".db");
}

// A file of a copy still being written: the copy's name + ".part", or a journal beside it.
bool isPartName(std::string_view name) {
  LocalDateTime time;
  int serial = 0;
  if (!takeCopyName(name, time, serial) || !takeText(name, ".part")) return false;
  return name.empty() || name == "-journal" || name == "-wal" || name == "-shm";
}

// Removes copies of a cut-off backup that nobody has written for a while.
void sweepStaleParts(const fs::path& folder) {
  std::error_code error;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!isPartName(name)) continue;
    std::error_code timeError;
    const auto written = fs::last_write_time(it->path(), timeError);
    if (timeError || now - written < kStalePartAge) continue;
    std::error_code ignored;
    fs::remove(it->path(), ignored);
  }
}

void rotate(const std::string& folder, int keep, const std::string& justWritten,
            const std::string& keepAlso, BackupResult& result) {
  std::vector<BackupCopy> copies = listBackups(folder);
  size_t remaining = copies.size();
  const size_t most = static_cast<size_t>(std::max(1, keep));
  for (const BackupCopy& copy : copies) {  // oldest first
    if (remaining <= most) break;
    if (sameFile(copy.path, justWritten) || sameFile(copy.path, keepAlso)) continue;
    std::error_code error;
    fs::remove(copy.path, error);
    if (error) {
      result.notRemoved.push_back(copy.path + "：" + fileErrorText(error.value()));
      continue;
    }
    result.removed.push_back(copy.path);
    --remaining;
  }
  if (!result.removed.empty()) syncFolder(folder);
}

}  // namespace

std::string backupFileName(const LocalDateTime& t) {
  return "data-" + std::to_string(t.year) + twoDigits(t.month) + twoDigits(t.day) + "-" +
         twoDigits(t.hour) + twoDigits(t.minute) + twoDigits(t.second) + ".db";
}

std::vector<BackupCopy> listBackups(const std::string& folder) {
  std::vector<BackupCopy> copies;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string file = it->path().filename().string();
    std::string_view name = file;
    BackupCopy copy;
    if (!takeCopyName(name, copy.time, copy.serial) || !name.empty()) continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    copy.path = it->path().string();
    copies.push_back(std::move(copy));
  }
  const auto key = [](const BackupCopy& c) {
    return std::make_tuple(c.time.year, c.time.month, c.time.day, c.time.hour, c.time.minute,
                           c.time.second, c.serial);
  };
  std::sort(copies.begin(), copies.end(),
            [&](const BackupCopy& a, const BackupCopy& b) { return key(a) < key(b); });
  return copies;
}

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
  sweepStaleParts(folder);

  // A free name: a copy taken in the same second as another gets a number.
  const std::string base = backupFileName(now);
  const std::string stem = base.substr(0, base.size() - 3);
  fs::path target;
  for (int serial = 1; serial < 1000; ++serial) {
    target = fs::path(folder) / (serial == 1 ? base : stem + "-" + std::to_string(serial) + ".db");
    std::error_code existsError;
    if (!fs::exists(target, existsError) &&
        !fs::exists(target.string() + kPartSuffix, existsError)) {
      break;
    }
  }
  const std::string part = target.string() + kPartSuffix;

  Connection source;
  if (const int rc = source.open(databasePath, false); rc != SQLITE_OK) {
    result.error =
        databaseFailure(databasePath, reasonText(rc, source.openErrno(), source.openError()));
    return result;
  }
  sqlite3_busy_timeout(source.get(), 2000);
  const bool snapshot = holdSnapshot(source);
  CopyFailure failure;
  const bool copied = copyInto(source.get(), part, control, failure);
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
  const IntegrityReport check = checkDatabaseFile(part, CheckDepth::Quick, &control);
  if (!check.ok) {
    removeFileAndJournal(part);
    result.stopped = check.stopped;
    if (!check.stopped) {
      result.error = "备份失败，写入的备份没有通过检查，已删除。\r\n备份文件夹：" + folder +
                     "\r\n原因：" + joinLines(check.problems, 5);
    }
    return result;
  }
  fs::rename(part, target, error);
  if (error) {
    removeFileAndJournal(part);
    result.error = folderFailure(folder, fileErrorText(error.value()));
    return result;
  }
  syncFolder(folder);
  result.ok = true;
  result.path = target.string();
  rotate(folder, keep, result.path, keepAlso, result);
  return result;
}

IntegrityReport checkDatabaseFile(const std::string& path, CheckDepth depth, CopyControl* control) {
  IntegrityReport report;
  Connection db;
  if (const int rc = db.open(path, false); rc != SQLITE_OK) {
    report.problems.push_back("无法打开：" + path + "，原因：" +
                              reasonText(rc, db.openErrno(), db.openError()));
    return report;
  }
  sqlite3_busy_timeout(db.get(), 2000);
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
  if (!report.ok) report.problems = lines.empty() ? std::vector<std::string>{"没有结果"} : lines;
  return report;
}

DatabaseSummary summarizeDatabase(const std::string& path) {
  DatabaseSummary summary;
  Connection db;
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
  Connection source;
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
    Connection probe;
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
