#include "core/data_folder.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "admin/settings_file.h"
#include "core/login_presenter.h"
#include "support/env_override.h"
#include "support/test_app.h"

namespace cz {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& file) {
  std::ofstream(file).put('x');
}

TEST(DataFolder, ChoosesByTheRule) {
  const test::TempDir dir;
  const fs::path withData = dir.path() / "带数据";
  const fs::path empty = dir.path() / "空";
  const fs::path dataIsFolder = dir.path() / "data.db 是目录";
  fs::create_directories(withData);
  fs::create_directories(empty);
  fs::create_directories(dataIsFolder / "data.db");
  touch(withData / "data.db");
  const std::string user = (dir.path() / "home/.local/share/chenzhou-pos").string();
  const std::string chinese = "/media/店 铺/收银 数据";
  const std::string file = (withData / "data.db").string();

  const struct {
    const char* what;
    std::optional<std::string> requested;
    fs::path executable;
    bool executableWritable;
    std::string folder;
    DataFolderSource source;
  } cases[] = {
      {"writable exe folder with data.db", std::nullopt, withData, true, withData.string(),
       DataFolderSource::ExecutableFolder},
      {"writable exe folder without data.db", std::nullopt, empty, true, user,
       DataFolderSource::UserData},
      {"read-only exe folder with data.db", std::nullopt, withData, false, user,
       DataFolderSource::UserData},
      {"data.db that is a folder", std::nullopt, dataIsFolder, true, user,
       DataFolderSource::UserData},
      {"--data with a Chinese path wins over the exe folder", chinese, withData, true, chinese,
       DataFolderSource::CommandLine},
      {"--data pointing at a file is still the choice", file, empty, true, file,
       DataFolderSource::CommandLine},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> asked;
    const DataFolderChoice choice =
        chooseDataFolder(c.requested, c.executable.string(), user, [&](const std::string& f) {
          asked.push_back(f);
          return c.executableWritable;
        });
    EXPECT_EQ(choice.folder, c.folder);
    EXPECT_EQ(choice.source, c.source);
    // Only an exe folder that holds data.db is ever probed; the probe leaves a file behind in
    // nobody's folder otherwise.
    for (const std::string& f : asked) EXPECT_EQ(f, c.executable.string());
  }
}

TEST(DataFolder, OpensTheChosenFolderOrSaysWhichAndWhy) {
  const test::TempDir dir;
  const fs::path exe = dir.path() / "程序";
  fs::create_directories(exe);
  const fs::path file = dir.path() / "一个 文件";
  touch(file);
  const fs::path user = dir.path() / "home/.local/share/chenzhou-pos";
  const fs::path chinese = dir.path() / "U 盘/晨舟 收银/数据";

  const struct {
    const char* what;
    std::optional<std::string> requested;
    std::string userFolder;
    std::string folder;
    std::string error;
  } cases[] = {
      {"missing user data folder is created with its parents", std::nullopt, user.string(),
       user.string(), ""},
      {"--data with Chinese characters and spaces is created", chinese.string(), user.string(),
       chinese.string(), ""},
      {"--data with a trailing separator", chinese.string() + "/", user.string(), chinese.string(),
       ""},
      {"--data pointing at a file", file.string(), user.string(), file.string(),
       "无法写入数据文件夹：" + file.string() + "\r\n原因：同名的是一个文件，不是目录"},
      {"--data below a file", (file / "数据").string(), user.string(), (file / "数据").string(),
       "无法写入数据文件夹：" + (file / "数据").string() + "\r\n原因：路径中有一部分不是目录"},
      {"no home folder", std::nullopt, "", "",
       "找不到用户的主目录，无法确定数据文件夹\r\n请用 --data 指定一个文件夹"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const DataFolderResult result = openDataFolder(c.requested, exe.string(), c.userFolder);
    EXPECT_EQ(result.folder, c.folder);
    EXPECT_EQ(result.error, c.error);
    if (c.error.empty()) {
      EXPECT_TRUE(fs::is_directory(c.folder));
    }
  }
  // The file is left as it was.
  EXPECT_EQ(fs::file_size(file), 1u);
}

TEST(DataFolder, ARelativeDataFolderIsTakenFromTheCurrentDirectory) {
  const test::TempDir dir;
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  const DataFolderResult result = openDataFolder("店 铺/./数据", "/nonexistent", "");
  fs::current_path(before);
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(result.folder, (dir.path() / "店 铺/数据").string());
  EXPECT_TRUE(fs::is_directory(dir.path() / "店 铺/数据"));
}

TEST(DataFolder, TheFirstStartInAChineseDataFolderKeepsEverythingThere) {
  const test::TempDir dir;
  const DataFolderResult data =
      openDataFolder((dir.path() / "U 盘/晨舟 收银").string(), "/nonexistent", "");
  ASSERT_EQ(data.error, "");
  test::TestApp app(data.folder);
  LoginPresenter login(app.context, app.dialogs);
  login.created();
  EXPECT_TRUE(app.dialogs.calls.empty());
  EXPECT_EQ(app.rows("select 账号 from 账号"), (std::vector<std::vector<std::string>>{{"admin"}}));
  EXPECT_EQ(writeSetting(app.session.settingsFilePath(), "打印机", "票头", "店"), "");
  EXPECT_TRUE(fs::is_regular_file(fs::path(data.folder) / "data.db"));
  EXPECT_TRUE(fs::is_regular_file(fs::path(data.folder) / "配置.ini"));
}

TEST(DataFolder, UserDataFolderFollowsXdgDataHome) {
  const test::EnvOverride home("HOME", "/home/clerk");
  const struct {
    const char* xdg;  // nullptr: unset
    const char* expected;
  } cases[] = {
      {"/srv/data", "/srv/data/chenzhou-pos"},
      {"/srv/数据 盘", "/srv/数据 盘/chenzhou-pos"},
      {nullptr, "/home/clerk/.local/share/chenzhou-pos"},
      {"", "/home/clerk/.local/share/chenzhou-pos"},
      {"relative/data", "/home/clerk/.local/share/chenzhou-pos"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xdg ? c.xdg : "(unset)");
    const test::EnvOverride xdg("XDG_DATA_HOME", c.xdg);
    EXPECT_EQ(userDataFolder(), c.expected);
  }
}

// Runs `check` as a user whom permission bits bind: in this process for an ordinary user; as root
// (who writes anywhere), in a child process that first becomes nobody. Returns the check's result,
// or nothing when no such user can be had.
std::optional<int> runUnprivileged(const std::function<int()>& check) {
  if (::geteuid() != 0) return check();
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    const gid_t nobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) {
      ::_exit(255);
    }
    ::_exit(check());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255) {
    return std::nullopt;
  }
  return WEXITSTATUS(status);
}

TEST(DataFolder, AReadOnlyExeFolderIsPassedOverForTheUserFolder) {
  const test::TempDir dir;
  const fs::path readOnly = dir.path() / "只读";
  const fs::path writable = dir.path() / "可写";
  const fs::path home = dir.path() / "home";
  for (const fs::path& folder : {readOnly, writable, home}) {
    fs::create_directories(folder);
    touch(folder / "data.db");
  }
  // Everyone may pass through and, but for the read-only folder, write.
  fs::permissions(dir.path(), fs::perms::all);
  fs::permissions(writable, fs::perms::all);
  fs::permissions(home, fs::perms::all);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
  const std::string user = (home / "chenzhou-pos").string();

  const auto result = runUnprivileged([&] {
    int passed = 0;
    if (!folderWriteProblem(readOnly.string()).empty()) passed |= 1;
    if (folderWriteProblem(writable.string()).empty()) passed |= 2;
    const DataFolderResult fromReadOnly = openDataFolder(std::nullopt, readOnly.string(), user);
    if (fromReadOnly.folder == user && fromReadOnly.error.empty()) passed |= 4;
    const DataFolderResult fromWritable = openDataFolder(std::nullopt, writable.string(), user);
    if (fromWritable.folder == writable.string() && fromWritable.error.empty()) passed |= 8;
    const DataFolderResult requested = openDataFolder(readOnly.string(), writable.string(), user);
    if (requested.error == "无法写入数据文件夹：" + readOnly.string() + "\r\n原因：没有访问权限") {
      passed |= 16;
    }
    return passed;
  });
  fs::permissions(readOnly, fs::perms::owner_all, fs::perm_options::add);
  if (!result) GTEST_SKIP() << "no user to whom the permission bits apply";
  EXPECT_EQ(*result, 31) << "1 read-only refused, 2 writable accepted, 4 read-only passed over, "
                            "8 writable kept, 16 --data on the read-only folder refused";
  // The probes left nothing behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(writable), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace cz
