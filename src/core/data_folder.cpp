#include "core/data_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "util/file_system.h"

namespace cz {

namespace fs = std::filesystem;

namespace {

// The folder as an absolute path without a trailing separator, for the settings window and
// messages; relative folders are taken from the current directory.
std::string absoluteFolder(const std::string& folder) {
  std::error_code error;
  fs::path path = fs::absolute(fs::path(folder), error);
  if (error) path = fs::path(folder);
  path = path.lexically_normal();
  if (path.has_relative_path() && !path.has_filename()) path = path.parent_path();
  return path.string();
}

std::string cannotWrite(const std::string& folder, const std::string& reason) {
  return "无法写入数据文件夹：" + folder + "\r\n原因：" + reason;
}

}  // namespace

DataFolderChoice chooseDataFolder(const std::optional<std::string>& requested,
                                  const std::string& executableFolder,
                                  const std::string& userDataFolder,
                                  const FolderWritable& writable) {
  if (requested) return {*requested, DataFolderSource::CommandLine};
  std::error_code error;
  const fs::path database = fs::path(executableFolder) / "data.db";
  if (fs::exists(database, error) && !fs::is_directory(database, error) &&
      writable(executableFolder)) {
    return {executableFolder, DataFolderSource::ExecutableFolder};
  }
  return {userDataFolder, DataFolderSource::UserData};
}

std::string folderWriteProblem(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path probe =
        fs::path(folder) / (".chenzhou-pos-write-test." + std::to_string(::getpid()) + "." +
                            std::to_string(counter++));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return fileErrorText(errno);
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
  }
  return fileErrorText(EEXIST);
}

std::string userDataFolder() {
  const std::string dataHome = xdgUserFolder("XDG_DATA_HOME", ".local/share");
  if (dataHome.empty()) return {};
  return (fs::path(dataHome) / "chenzhou-pos").string();
}

DataFolderResult openDataFolder(const std::optional<std::string>& requested,
                                const std::string& executableFolder,
                                const std::string& userDataFolder) {
  const DataFolderChoice choice = chooseDataFolder(
      requested, executableFolder, userDataFolder,
      [](const std::string& folder) { return folderWriteProblem(folder).empty(); });
  if (choice.folder.empty()) {
    return {{}, "找不到用户的主目录，无法确定数据文件夹\r\n请用 --data 指定一个文件夹"};
  }
  const std::string folder = absoluteFolder(choice.folder);
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  if (fs::exists(status) && !fs::is_directory(status)) {
    return {folder, cannotWrite(folder, "同名的是一个文件，不是目录")};
  }
  if (!fs::exists(status)) {
    fs::create_directories(folder, error);
    if (error) return {folder, cannotWrite(folder, fileErrorText(error.value()))};
  }
  const std::string problem = folderWriteProblem(folder);
  if (!problem.empty()) return {folder, cannotWrite(folder, problem)};
  return {folder, {}};
}

}  // namespace cz
