#include "storage/backup_copies.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <tuple>
#include <vector>

#include "storage/sqlite_file.h"
#include "util/file_system.h"

namespace cz {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPartSuffix = ".part";
// Beyond this many copies in one second something is wrong with the folder.
constexpr int kMostPerSecond = 1000;
// Where a part file cannot be locked (some network shares), a part is taken as cut off once
// nobody has written it for this long.
constexpr auto kStalePartAge = std::chrono::minutes(10);

std::string twoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
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

std::string copyName(const LocalDateTime& time, int serial) {
  const std::string base = backupFileName(time);
  if (serial == 1) return base;
  return base.substr(0, base.size() - 3) + "-" + std::to_string(serial) + ".db";
}

void removeWithJournals(const fs::path& part) {
  std::error_code ignored;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    fs::remove(part.string() + suffix, ignored);
  }
}

// Renames without replacing: false with EEXIST when `to` exists. Where the file system cannot
// refuse to replace, the name is looked at first.
bool renameNoReplace(const fs::path& from, const fs::path& to, int& error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  error = errno;
  if (error != EINVAL && error != ENOSYS) return false;
  std::error_code existsError;
  if (fs::exists(to, existsError)) {
    error = EEXIST;
    return false;
  }
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = errno;
  return false;
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

bool CopyPart::claim(const fs::path& folder, const LocalDateTime& now, std::string& error) {
  release();
  m_folder = folder;
  m_time = now;
  for (int serial = 1; serial <= kMostPerSecond; ++serial) {
    const fs::path target = folder / copyName(now, serial);
    std::error_code existsError;
    if (fs::exists(target, existsError)) continue;
    const std::string part = target.string() + kPartSuffix;
    const int fd = ::open(part.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      error = fileErrorText(errno);
      return false;
    }
    // The lock tells a sweep in another process that this part is being written.
    ::flock(fd, LOCK_EX | LOCK_NB);
    m_fd = fd;
    m_part = part;
    m_target = target.string();
    return true;
  }
  error = fileErrorText(EEXIST);
  return false;
}

std::string CopyPart::publish() {
  int error = 0;
  fs::path target = m_target;
  for (int serial = 1; serial <= kMostPerSecond; ++serial) {
    if (renameNoReplace(m_part, target, error)) {
      m_target = target.string();
      return {};
    }
    if (error != EEXIST) return fileErrorText(error);
    target = m_folder / copyName(m_time, serial + 1);
  }
  return fileErrorText(EEXIST);
}

void CopyPart::release() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

void sweepAbandonedParts(const fs::path& folder) {
  std::error_code error;
  std::vector<fs::path> parts;
  std::vector<fs::path> journals;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!isPartName(name)) continue;
    (name.ends_with(kPartSuffix) ? parts : journals).push_back(it->path());
  }
  const auto now = fs::file_time_type::clock::now();
  for (const fs::path& part : parts) {
    const int fd = ::open(part.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    bool abandoned = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!abandoned && errno != EWOULDBLOCK) {
      std::error_code timeError;
      const auto written = fs::last_write_time(part, timeError);
      abandoned = !timeError && now - written >= kStalePartAge;
    }
    // Removed while locked, so no writer starting now can be caught half way.
    if (abandoned) removeWithJournals(part);
    ::close(fd);
  }
  // A journal whose part is gone belongs to nobody.
  for (const fs::path& journal : journals) {
    const std::string name = journal.string();
    const std::string part =
        name.substr(0, name.rfind(kPartSuffix) + std::string(kPartSuffix).size());
    std::error_code existsError;
    if (!fs::exists(part, existsError) && !existsError) fs::remove(journal, existsError);
  }
}

void rotate(const std::string& folder, int keep, const std::string& justWritten,
            const std::string& keepAlso, BackupResult& result) {
  std::vector<BackupCopy> copies = listBackups(folder);
  size_t remaining = copies.size();
  const size_t most = static_cast<size_t>(std::max(1, keep));
  if (remaining <= most) return;
  // A copy of a file that lost tables (emptied, or not the shop's) never pushes out a fuller one.
  const int newTables = shopTableCount(justWritten);
  for (const BackupCopy& copy : copies) {  // oldest first
    if (remaining <= most) break;
    if (sameFile(copy.path, justWritten) || sameFile(copy.path, keepAlso)) continue;
    if (shopTableCount(copy.path) > newTables) continue;
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

void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace cz
