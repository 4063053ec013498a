// Feeds arbitrary bytes to the INI reader as the content of a file on disk, then writes one key
// into it: the written value must read back, and no other key's value may change.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "util/gbk.h"
#include "util/ini_file.h"

namespace {

namespace fs = std::filesystem;

// A file of this process's own, in memory where the machine has a tmpfs: every write syncs it.
// The path is never freed, so the clean-up at exit still finds it.
const std::string& iniPath() {
  static const std::string* const path = [] {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path dir = base / ("chenzhou-ini-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(fs::path(iniPath()).parent_path(), ignored);
    });
    return new std::string((dir / "配置.ini").string());
  }();
  return *path;
}

// A text that reads back through the file unchanged: UTF-8 that survives GBK, without line
// breaks, blanks at either end or enclosing quotes.
bool readsBackAsWritten(const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos) return false;
  if (cz::gbkToUtf8(cz::utf8ToGbk(value)) != value) return false;
  const std::string blanks = " \t\v\f";
  if (!value.empty() && (blanks.find(value.front()) != std::string::npos ||
                         blanks.find(value.back()) != std::string::npos)) {
    return false;
  }
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(24);
  const std::string key = input.ConsumeRandomLengthString(24);
  const std::string otherSection = input.ConsumeRandomLengthString(24);
  const std::string otherKey = input.ConsumeRandomLengthString(24);
  const std::string value = input.ConsumeRandomLengthString(300);
  const std::string content = input.ConsumeRemainingBytesAsString();
  {
    std::ofstream file(iniPath(), std::ios::binary | std::ios::trunc);
    file << content;
  }

  cz::IniFile ini(iniPath());
  // The names a settings file really has, and the fuzzed ones.
  ini.read("设置", "票头");
  ini.read("配置", "账号", "none");
  const std::string before = ini.read(section, key, "\x01missing");
  const std::string otherBefore = ini.read(otherSection, otherKey, "\x01missing");
  FUZZ_CHECK(before.size() <= cz::IniFile::kMaxValueBytes * 2 || before == "\x01missing");

  const bool written = ini.write(section, key, value);
  if (!written) {
    FUZZ_CHECK(ini.read(section, key, "\x01missing") == before);
    return 0;
  }
  if (readsBackAsWritten(section) && readsBackAsWritten(key) && readsBackAsWritten(value) &&
      value.size() < 1000) {
    FUZZ_CHECK(ini.read(section, key, "\x01missing") == value);
  }
  // Another key keeps its value, unless the two names could be the same key.
  const auto lower = [](std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return text;
  };
  if ((lower(otherSection) != lower(section) || lower(otherKey) != lower(key)) &&
      readsBackAsWritten(otherSection) && readsBackAsWritten(otherKey) &&
      readsBackAsWritten(section) && readsBackAsWritten(key)) {
    FUZZ_CHECK(ini.read(otherSection, otherKey, "\x01missing") == otherBefore);
  }
  return 0;
}
