#pragma once

#include <cstddef>
#include <string>

namespace cz {

// An INI file read and written one key at a time, the way the Windows profile functions treat
// the program's settings files, so that files can move between Windows and this platform.
//
// Every text passed in and returned is UTF-8; the file on disk is GBK. A line "[name]" starts a
// section, a line "key=value" inside a section holds a key, a line starting with ';' is a
// comment. Section and key names match without regard to ASCII case, white space around names
// and values does not count, and the first matching section and the first matching key in it
// win. The file is read afresh on every call; nothing is cached.
class IniFile {
 public:
  // The outcome of a write: true when the key is in the file; otherwise `reason` tells the user
  // why not ("没有访问权限", "磁盘空间不足", …).
  struct WriteResult {
    bool ok = false;
    std::string reason;
    explicit operator bool() const { return ok; }
  };

  // Longest value that read() returns, in GBK bytes: what fits a 10240-byte buffer with its
  // terminating zero.
  static constexpr std::size_t kMaxValueBytes = 10239;

  explicit IniFile(std::string path);

  const std::string& path() const { return m_path; }

  // Returns the value of `key` in `section`. A value enclosed in a matching pair of double or
  // single quotes loses the quotes; a value longer than kMaxValueBytes GBK bytes is cut there,
  // before a character that would not fit whole. A missing or unreadable file, section or key
  // gives `defaultValue`.
  std::string read(const std::string& section, const std::string& key,
                   const std::string& defaultValue = "") const;

  // Sets `key` in `section` to `value`. An existing key line is rewritten in place; a new key goes
  // after the last non-blank line of its section; a missing section is appended at the end of the
  // file. Every other line stays byte for byte, with the file's own line endings (CRLF in a new
  // file). The file and its parent directories are created when missing. The file is replaced
  // atomically, so a failure leaves the old file as it was. Fails when the file cannot be read or
  // written, or when a name could not be read back from the file (empty, containing a line break,
  // a section name containing ']', a key containing '=' or starting with ';' or '['); the result
  // then says why.
  WriteResult write(const std::string& section, const std::string& key, const std::string& value);

 private:
  std::string m_path;
};

// Path of the account memory file, which remembers the account name last typed at login:
// "配置.ini" in the program's folder of the user's configuration directory, that is
// $XDG_CONFIG_HOME/chenzhou-pos/配置.ini, or $HOME/.config/chenzhou-pos/配置.ini when
// XDG_CONFIG_HOME is unset, empty or not absolute. It is a different file from the settings file
// 配置.ini in the data folder. Falls back to the home directory from the user database when
// HOME is unset; returns an empty path (which reads as missing and fails to write) when no home
// directory can be found at all.
std::string accountMemoryFilePath();

}  // namespace cz
