#include "util/ini_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "support/env_override.h"

namespace cz {
namespace {

namespace fs = std::filesystem;

// A fresh directory per test, removed afterwards.
class IniFileTest : public testing::Test {
 protected:
  IniFileTest() {
    static std::atomic<int> counter{0};
    m_dir = fs::temp_directory_path() /
            ("cz-ini-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  ~IniFileTest() override {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }

  std::string pathOf(const std::string& name) const { return (m_dir / name).string(); }

  static void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path m_dir;
};

// GBK bytes of the Chinese names used below.
const std::string kZhangHao = "\xD5\xCB\xBA\xC5";         // 账号
const std::string kZhangSan = "\xD5\xC5\xC8\xFD";         // 张三
const std::string kDaYinJi = "\xB4\xF2\xD3\xA1\xBB\xFA";  // 打印机
const std::string kPiaoTou = "\xC6\xB1\xCD\xB7";          // 票头

TEST_F(IniFileTest, ChineseRoundTripIsStoredAsGbkWithCrlf) {
  const std::string path = pathOf("new/dirs/配置.ini");
  IniFile ini(path);
  ASSERT_TRUE(ini.write("账号", "账号", "张三"));
  EXPECT_EQ(readBytes(path), "[" + kZhangHao + "]\r\n" + kZhangHao + "=" + kZhangSan + "\r\n");
  EXPECT_EQ(ini.read("账号", "账号"), "张三");
  EXPECT_EQ(IniFile(path).read("账号", "账号", "x"), "张三");
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(IniFile(pathOf("absent.ini")).read("账号", "账号", "默认"), "默认");
  EXPECT_EQ(IniFile(pathOf("absent.ini")).read("账号", "账号"), "");
  EXPECT_EQ(IniFile(m_dir.string()).read("a", "b", "d"), "d");  // a directory, not a file

  const std::string path = pathOf("a.ini");
  writeBytes(path,
             "orphan=before any section\r\n"
             "[one]\r\n"
             ";commented=1\r\n"
             "no equals sign\r\n"
             "[two]\r\n"
             "key=2\r\n");
  const IniFile ini(path);
  const struct {
    const char* section;
    const char* key;
  } missing[] = {
      {"none", "key"},           {"one", "key"}, {"one", ";commented"}, {"one", "commented"},
      {"one", "no equals sign"}, {"", "orphan"}, {"one", "orphan"},
  };
  for (const auto& m : missing) {
    SCOPED_TRACE(std::string(m.section) + "/" + m.key);
    EXPECT_EQ(ini.read(m.section, m.key, "D"), "D");
  }
  EXPECT_EQ(ini.read("two", "key", "D"), "2");
}

TEST_F(IniFileTest, ReadMatchesNamesAndCleansValuesLikeTheProfileFunctions) {
  const std::string path = pathOf("a.ini");
  writeBytes(path,
             "[Section]\r\n"
             "Key=cased\r\n"
             "empty=\r\n"
             "  spaced   =   a value  \t\r\n"
             "dq=\"  quoted  \"\r\n"
             "sq='single'\n"  // a line with LF only among CRLF lines
             "mixed=\"abc'\r\n"
             "lone=\"\r\n"
             "inner=a \"b\" c\r\n"
             "eq=a=b=c\r\n"
             "dup=first\r\n"
             "dup=second\r\n"
             "  [ " +
                 kDaYinJi + " ]  trailing text\r\n" + kPiaoTou + "=" + kZhangSan +
                 "\r\n"
                 "[section]\r\n"
                 "later=in the second [section]\r\n"
                 "[\xB5]]\r\n"  // 礭: its second byte is ']'
                 "k=bracket\r\n"
                 "[\xB5\x41]\r\n"  // 礎: its second byte is 'A'
                 "k=upper\r\n"
                 "[unclosed\r\n"
                 "k=open\r\n"
                 "[last]\r\n"
                 "k=no final line break");
  const IniFile ini(path);
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"section", "key", "cased"},
      {"SECTION", "KEY", "cased"},
      {"section", "empty", ""},  // present but empty: not the default
      {"section", "spaced", "a value"},
      {" section ", " spaced ", "a value"},
      {"section", "dq", "  quoted  "},
      {"section", "sq", "single"},
      {"section", "mixed", "\"abc'"},
      {"section", "lone", "\""},
      {"section", "inner", "a \"b\" c"},
      {"section", "eq", "a=b=c"},
      {"section", "dup", "first"},
      {"section", "later", "D"},  // only the first [section] counts
      {"打印机", "票头", "张三"},
      {"礭", "k", "bracket"},
      {"礎", "k", "upper"},
      {"礱", "k", "D"},  // differs from 礎 only by the case of its second GBK byte
      {"unclosed", "k", "open"},
      {"last", "k", "no final line break"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(ini.read(c.section, c.key, "D"), c.expected);
  }
}

TEST_F(IniFileTest, LongValueIsCutWithoutSplittingACharacter) {
  const std::string path = pathOf("a.ini");
  const std::size_t max = IniFile::kMaxValueBytes;
  const std::string zhang = "\xD5\xCB";  // 账
  const struct {
    const char* name;
    std::string stored;    // GBK bytes in the file
    std::string expected;  // UTF-8 read back
  } cases[] = {
      {"just fits", std::string(max, 'a'), std::string(max, 'a')},
      {"one byte over", std::string(max + 1, 'a'), std::string(max, 'a')},
      {"character ends at the limit", std::string(max - 2, 'a') + zhang,
       std::string(max - 2, 'a') + "账"},
      {"character across the limit", std::string(max - 1, 'a') + zhang + "b",
       std::string(max - 1, 'a')},
      {"quotes do not count", "\"" + std::string(max, 'a') + "\"", std::string(max, 'a')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeBytes(path, "[s]\r\nk=" + c.stored + "\r\n");
    EXPECT_EQ(IniFile(path).read("s", "k"), c.expected);
  }
}

TEST_F(IniFileTest, WriteChangesOnlyTheOneKey) {
  // Lines that must survive byte for byte: comments, odd spacing, bytes that are not UTF-8 (and
  // not GBK either), a line without '=', a line break inside a value's neighbourhood.
  const std::string before =
      "; settings\r\n"
      "[" +
      kDaYinJi + "]\r\n" + "  " + kPiaoTou +
      "  =  old value  \r\n"
      "\t;\xFF\xFE not text\r\n"
      "odd = spacing  \r\n"
      "\r\n"
      "[other]\r\n"
      "k=\x80\xD5\r\n";
  const struct {
    const char* name;
    std::string initial;
    const char* section;
    const char* key;
    const char* value;
    std::string expected;
  } cases[] = {
      {"existing key, other case", "[S]\r\nKey = x\r\nz=1\r\n", "s", "KEY", "new",
       "[S]\r\nKey=new\r\nz=1\r\n"},
      {"existing Chinese key", before, "打印机", "票头", "新",
       "; settings\r\n[" + kDaYinJi + "]\r\n" + kPiaoTou + "=\xD0\xC2\r\n" +
           "\t;\xFF\xFE not text\r\nodd = spacing  \r\n\r\n[other]\r\nk=\x80\xD5\r\n"},
      {"new key goes after the section's last non-blank line", before, "打印机", "新键", "v",
       "; settings\r\n[" + kDaYinJi + "]\r\n  " + kPiaoTou + "  =  old value  \r\n" +
           "\t;\xFF\xFE not text\r\nodd = spacing  \r\n\xD0\xC2\xBC\xFC=v\r\n\r\n[other]\r\n" +
           "k=\x80\xD5\r\n"},
      {"missing section is appended", before, "账号", "账号", "张三",
       before + "[" + kZhangHao + "]\r\n" + kZhangHao + "=" + kZhangSan + "\r\n"},
      {"LF file stays LF", "[a]\nx=1\n\n[b]\ny=2\n", "a", "z", "3", "[a]\nx=1\nz=3\n\n[b]\ny=2\n"},
      {"mixed endings kept per line", "[a]\r\nx=1\ny=2\r\n", "b", "k", "v",
       "[a]\r\nx=1\ny=2\r\n[b]\r\nk=v\r\n"},
      {"no final line break, new key", "[a]\r\nx=1", "a", "y", "2", "[a]\r\nx=1\r\ny=2\r\n"},
      {"no final line break, existing key", "[a]\r\nx=1", "a", "x", "2", "[a]\r\nx=2"},
      {"only the first of two sections", "[a]\r\n[b]\r\n[a]\r\nk=1\r\n", "a", "k", "2",
       "[a]\r\nk=2\r\n[b]\r\n[a]\r\nk=1\r\n"},
      {"empty file", "", "a", "k", "v", "[a]\r\nk=v\r\n"},
      {"line breaks in the value become spaces", "[a]\r\nk=1\r\nj=2\r\n", "a", "k", "x\r\ny\nz",
       "[a]\r\nk=x  y z\r\nj=2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = pathOf("a.ini");
    writeBytes(path, c.initial);
    EXPECT_TRUE(IniFile(path).write(c.section, c.key, c.value));
    EXPECT_EQ(readBytes(path), c.expected);
  }
}

TEST_F(IniFileTest, WrittenValuesReadBack) {
  const std::string path = pathOf("a.ini");
  IniFile ini(path);
  const struct {
    const char* value;
    const char* readBack;
  } cases[] = {
      {"欢迎使用晨舟收银系统", "欢迎使用晨舟收银系统"},
      {"", ""},
      {"a=b;c", "a=b;c"},
      {"x\r\ny\nz", "x  y z"},  // a line break would end the key's line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    ASSERT_TRUE(ini.write("打印机", "票尾", c.value));
    EXPECT_EQ(ini.read("打印机", "票尾", "D"), c.readBack);
  }
  ASSERT_TRUE(ini.write("打印机", "票头", "头"));
  EXPECT_EQ(ini.read("打印机", "票尾"), "x  y z");
  EXPECT_EQ(ini.read("打印机", "票头"), "头");
}

TEST_F(IniFileTest, WriteFailsWithoutTouchingAnything) {
  // A regular file where a directory should be: fails even for root, unlike permission bits.
  const std::string blocker = pathOf("blocker");
  writeBytes(blocker, "plain file");
  EXPECT_FALSE(IniFile(blocker + "/配置.ini").write("a", "k", "v"));
  EXPECT_FALSE(IniFile(blocker + "/sub/配置.ini").write("a", "k", "v"));
  EXPECT_EQ(readBytes(blocker), "plain file");

  // The path is a directory: it cannot be read as a file, so it is not replaced.
  fs::create_directory(pathOf("dir.ini"));
  EXPECT_FALSE(IniFile(pathOf("dir.ini")).write("a", "k", "v"));
  EXPECT_TRUE(fs::is_directory(pathOf("dir.ini")));

  EXPECT_FALSE(IniFile("").write("a", "k", "v"));

  // Names that could not be read back from the file.
  const std::string path = pathOf("a.ini");
  writeBytes(path, "[a]\r\nk=1\r\n");
  const struct {
    const char* section;
    const char* key;
  } badNames[] = {{"", "k"},    {" ", "k"},  {"a]", "k"}, {"a\nb", "k"}, {"a", ""},
                  {"a", "k=x"}, {"a", ";k"}, {"a", "[k"}, {"a", "k\rx"}};
  for (const auto& bad : badNames) {
    SCOPED_TRACE(testing::PrintToString(std::string(bad.section) + "/" + bad.key));
    EXPECT_FALSE(IniFile(path).write(bad.section, bad.key, "v"));
  }
  EXPECT_EQ(readBytes(path), "[a]\r\nk=1\r\n");
}

TEST_F(IniFileTest, AFailedWriteSaysWhy) {
  fs::create_directory(pathOf("dir.ini"));
  writeBytes(pathOf("blocker"), "plain file");
  const struct {
    std::string path;
    const char* section;
    const char* reason;
  } cases[] = {{pathOf("dir.ini"), "a", "同名的是一个目录"},
               {pathOf("blocker") + "/配置.ini", "a", "路径中有一部分不是目录"},
               {"", "a", "没有文件路径"},
               {pathOf("a.ini"), "a]", "节名不能写入文件"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const IniFile::WriteResult result = IniFile(c.path).write(c.section, "k", "v");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, c.reason);
  }
  const IniFile::WriteResult written = IniFile(pathOf("a.ini")).write("a", "k", "v");
  EXPECT_TRUE(written.ok);
  EXPECT_EQ(written.reason, "");
}

TEST_F(IniFileTest, WriteLeavesNoTemporaryFileAndKeepsPermissions) {
  const std::string path = pathOf("a.ini");
  writeBytes(path, "[a]\r\nk=1\r\n");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(IniFile(path).write("a", "k", "2"));

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(m_dir)) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"a.ini"});
  EXPECT_EQ(fs::status(path).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(IniFileTest, WriteThroughASymbolicLinkKeepsTheLink) {
  const std::string target = pathOf("real.ini");
  const std::string link = pathOf("link.ini");
  writeBytes(target, "[a]\r\nk=1\r\n");
  fs::create_symlink(target, link);
  ASSERT_TRUE(IniFile(link).write("a", "k", "2"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readBytes(target), "[a]\r\nk=2\r\n");
}

TEST_F(IniFileTest, ConcurrentWritesOfDifferentKeysAreAllKept) {
  const std::string path = pathOf("a.ini");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, path] {
      IniFile ini(path);
      for (int i = 0; i < 10; ++i) {
        ini.write("s", "t" + std::to_string(t) + "k" + std::to_string(i), std::to_string(i));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const IniFile ini(path);
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(ini.read("s", "t" + std::to_string(t) + "k" + std::to_string(i)),
                std::to_string(i));
    }
  }
}

using test::EnvOverride;

TEST(AccountMemoryFilePath, UsesXdgConfigHomeOrHomeConfig) {
  const EnvOverride home("HOME", "/home/clerk");
  const struct {
    const char* xdg;  // nullptr: unset
    const char* expected;
  } cases[] = {
      {"/srv/config", "/srv/config/chenzhou-pos/配置.ini"},
      {"/srv/config/", "/srv/config/chenzhou-pos/配置.ini"},
      {nullptr, "/home/clerk/.config/chenzhou-pos/配置.ini"},
      {"", "/home/clerk/.config/chenzhou-pos/配置.ini"},
      {"relative/config", "/home/clerk/.config/chenzhou-pos/配置.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xdg ? c.xdg : "(unset)");
    const EnvOverride xdg("XDG_CONFIG_HOME", c.xdg);
    EXPECT_EQ(accountMemoryFilePath(), c.expected);
  }
}

}  // namespace
}  // namespace cz
