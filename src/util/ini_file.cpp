#include "util/ini_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "util/file_reason.h"
#include "util/gbk.h"

namespace cz {

namespace fs = std::filesystem;

namespace {

// ---- Reading and writing whole files ---------------------------------------------------------

enum class ReadStatus { Ok, Missing, Failed };

ReadStatus readWholeFile(const std::string& path, std::string& content) {
  content.clear();
  if (path.empty()) return ReadStatus::Missing;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      content.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      const int error = errno;
      ::close(fd);
      errno = error;              // the caller tells the user why
      return ReadStatus::Failed;  // a directory, an I/O error
    }
  }
  ::close(fd);
  return ReadStatus::Ok;
}

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Replaces `target` with `content` through a temporary file in the same directory and a rename,
// so that readers see either the old file or the new one, never a half-written one. Returns why
// it failed, or empty text when it did not.
std::string replaceFileAtomically(const fs::path& target, std::string_view content) {
  fs::path directory = target.parent_path();
  std::error_code error;
  if (!directory.empty()) {
    fs::create_directories(directory, error);
    if (error) return fileErrorReason(error.value());
  } else {
    directory = ".";
  }

  struct stat oldStat {};
  const bool hadFile = ::stat(target.c_str(), &oldStat) == 0;
  if (hadFile && S_ISDIR(oldStat.st_mode)) return fileErrorReason(EISDIR);

  static std::atomic<unsigned> counter{0};
  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = directory / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                        std::to_string(counter++) + ".tmp");
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return fileErrorReason(errno);
  }
  if (fd < 0) return fileErrorReason(EEXIST);

  // The new file takes the old one's permissions; a new file gets the usual 0666 minus umask.
  // The first failing step decides the reason.
  int failure = 0;
  if (hadFile && ::fchmod(fd, oldStat.st_mode & 07777) != 0) failure = errno;
  if (failure == 0 && !writeAll(fd, content)) failure = errno;
  if (failure == 0 && ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure == 0 && ::rename(temp.c_str(), target.c_str()) != 0) failure = errno;
  if (failure != 0) {
    ::unlink(temp.c_str());
    return fileErrorReason(failure);
  }
  // Make the rename itself durable; the file is already complete, so a failure here is not an
  // error of the write.
  const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return {};
}

// ---- Lines and names -------------------------------------------------------------------------

// One line of the file as it is on disk: its text and its own line ending ("\r\n", "\n", or empty
// for a last line without one). Keeping each line's ending lets a write leave every other line
// byte for byte as it was.
struct Line {
  std::string text;
  std::string ending;
};

std::vector<Line> splitLines(std::string_view content) {
  std::vector<Line> lines;
  // A '\n' byte never occurs inside a GBK character, so splitting the raw bytes is safe.
  while (!content.empty()) {
    const std::size_t newline = content.find('\n');
    if (newline == std::string_view::npos) {
      lines.push_back({std::string(content), ""});
      break;
    }
    const bool crlf = newline > 0 && content[newline - 1] == '\r';
    const std::size_t textEnd = crlf ? newline - 1 : newline;
    lines.push_back({std::string(content.substr(0, textEnd)), crlf ? "\r\n" : "\n"});
    content.remove_prefix(newline + 1);
  }
  return lines;
}

// The line ending used for new lines: the file's first one, or CRLF (as in files made on Windows)
// when the file has none yet.
std::string lineEndingOf(std::string_view content) {
  const std::size_t newline = content.find('\n');
  if (newline == std::string_view::npos) return "\r\n";
  return newline > 0 && content[newline - 1] == '\r' ? "\r\n" : "\n";
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// White space bytes never occur inside a GBK character, so trimming raw GBK bytes is safe.
std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The section name of a "[name]" line, or nothing for any other line. A missing ']' lets the name
// run to the end of the line. The second byte of a GBK character can be ']', so the scan steps
// over whole characters.
std::optional<std::string_view> sectionName(std::string_view line) {
  const std::string_view text = trim(line);
  if (text.empty() || text.front() != '[') return std::nullopt;
  std::size_t pos = 1;
  while (pos < text.size() && text[pos] != ']') pos += gbkCharLength(text, pos);
  return trim(text.substr(1, pos - 1));
}

struct KeyValue {
  std::string_view key;
  std::string_view value;
};

// The key and value of a "key=value" line, or nothing for a comment or a line without '='. The
// bytes '=' and ';' never occur inside a GBK character.
std::optional<KeyValue> keyValue(std::string_view line) {
  const std::string_view text = trim(line);
  if (text.empty() || text.front() == ';') return std::nullopt;
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return KeyValue{trim(text.substr(0, equals)), trim(text.substr(equals + 1))};
}

std::string asciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// A name as it is compared: UTF-8 with ASCII letters in lower case. Comparing decoded names
// rather than GBK bytes keeps the case folding away from second bytes of GBK characters, which
// can be ASCII letters.
std::string nameKey(std::string_view utf8Name) {
  return asciiLower(std::string(trim(utf8Name)));
}

bool sameName(std::string_view gbkName, const std::string& wantedKey) {
  return nameKey(gbkToUtf8(gbkName)) == wantedKey;
}

struct Location {
  std::optional<std::size_t> sectionLine;
  std::size_t lastNonBlankLine = 0;  // of the section; valid when sectionLine is set
  std::optional<std::size_t> keyLine;
};

// Finds the first section named `section` and the first line for `key` in it. Both names are
// given as nameKey() forms.
Location locate(const std::vector<Line>& lines, const std::string& section,
                const std::string& key) {
  Location location;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view text = lines[i].text;
    if (const auto name = sectionName(text)) {
      if (location.sectionLine) break;  // the section ends here
      if (sameName(*name, section)) {
        location.sectionLine = i;
        location.lastNonBlankLine = i;
      }
      continue;
    }
    if (!location.sectionLine) continue;
    if (!trim(text).empty()) location.lastNonBlankLine = i;
    if (const auto entry = keyValue(text); entry && sameName(entry->key, key)) {
      location.keyLine = i;
      break;
    }
  }
  return location;
}

// Removes one matching pair of enclosing quotes. Quote bytes never occur inside a GBK character.
std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The longest prefix of at most `limit` bytes that ends on a GBK character boundary.
std::string_view cutAtCharacter(std::string_view gbk, std::size_t limit) {
  std::size_t end = 0;
  while (end < gbk.size()) {
    const std::size_t length = gbkCharLength(gbk, end);
    if (end + length > limit) break;
    end += length;
  }
  return gbk.substr(0, end);
}

bool hasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != text.npos;
}

// Whether a name written into the file would be read back as the same name.
bool writableSection(std::string_view name) {
  return !name.empty() && !hasLineBreak(name) && name.find(']') == name.npos;
}

bool writableKey(std::string_view name) {
  return !name.empty() && !hasLineBreak(name) && name.find('=') == name.npos &&
         name.front() != ';' && name.front() != '[';
}

// The file that a write replaces: a symbolic link is followed, so that the link stays in place
// and its target gets the new content.
fs::path writeTarget(const std::string& path) {
  fs::path target(path);
  std::error_code error;
  if (fs::is_symlink(fs::symlink_status(target, error))) {
    fs::path resolved = fs::weakly_canonical(target, error);
    if (!error) target = std::move(resolved);
  }
  return target;
}

// Writes in this process are serialised, so that two threads changing different keys of the same
// file cannot lose one of the changes between reading and replacing the file.
std::mutex& writeMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

IniFile::IniFile(std::string path) : m_path(std::move(path)) {}

std::string IniFile::read(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const {
  std::string content;
  if (readWholeFile(m_path, content) != ReadStatus::Ok) return defaultValue;
  const std::vector<Line> lines = splitLines(content);
  const Location location = locate(lines, nameKey(section), nameKey(key));
  if (!location.keyLine) return defaultValue;
  const std::string_view value = keyValue(lines[*location.keyLine].text)->value;
  return gbkToUtf8(cutAtCharacter(unquote(value), kMaxValueBytes));
}

IniFile::WriteResult IniFile::write(const std::string& section, const std::string& key,
                                    const std::string& value) {
  const std::string_view sectionName = trim(section);
  const std::string_view keyName = trim(key);
  if (!writableSection(sectionName)) return {false, "节名不能写入文件"};
  if (!writableKey(keyName)) return {false, "键名不能写入文件"};
  if (m_path.empty()) return {false, "没有文件路径"};

  // A line break inside the value would end the key's line and turn the rest of the value into
  // lines of its own, so each CR and LF is written as a space instead.
  std::string flatValue = value;
  for (char& c : flatValue) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const std::string gbkValue = utf8ToGbk(flatValue);

  const std::lock_guard lock(writeMutex());
  const fs::path target = writeTarget(m_path);
  std::string content;
  if (readWholeFile(target.string(), content) == ReadStatus::Failed) {
    return {false, fileErrorReason(errno)};
  }

  std::vector<Line> lines = splitLines(content);
  const std::string ending = lineEndingOf(content);
  const Location location = locate(lines, nameKey(sectionName), nameKey(keyName));

  if (location.keyLine) {
    // The key keeps its spelling in the file; only the value changes.
    Line& line = lines[*location.keyLine];
    line.text = std::string(keyValue(line.text)->key) + "=" + gbkValue;
  } else {
    const std::string keyLine = utf8ToGbk(keyName) + "=" + gbkValue;
    std::size_t insertAt = lines.size();
    std::vector<Line> added;
    if (location.sectionLine) {
      insertAt = location.lastNonBlankLine + 1;
    } else {
      added.push_back({"[" + utf8ToGbk(sectionName) + "]", ending});
    }
    added.push_back({keyLine, ending});
    // The line before the new ones may be a last line without an ending.
    if (insertAt > 0 && lines[insertAt - 1].ending.empty()) lines[insertAt - 1].ending = ending;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), added.begin(), added.end());
  }

  std::string output;
  output.reserve(content.size() + gbkValue.size() + 64);
  for (const Line& line : lines) {
    output += line.text;
    output += line.ending;
  }
  std::string reason = replaceFileAtomically(target, output);
  return {reason.empty(), std::move(reason)};
}

std::string accountMemoryFilePath() {
  fs::path configDir;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && fs::path(xdg).is_absolute()) {
    configDir = xdg;
  } else {
    const char* home = std::getenv("HOME");
    std::string homeDir = home != nullptr ? home : "";
    if (homeDir.empty()) {
      // getpwuid_r rather than getpwuid: the latter's result is shared between threads.
      struct passwd entry {};
      struct passwd* result = nullptr;
      std::vector<char> buffer(16384);
      if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
          result != nullptr && result->pw_dir != nullptr) {
        homeDir = result->pw_dir;
      }
    }
    if (homeDir.empty()) return {};
    configDir = fs::path(homeDir) / ".config";
  }
  return (configDir / "chenzhou-pos" / "配置.ini").string();
}

}  // namespace cz
