#pragma once

#include <functional>
#include <optional>
#include <string>

namespace cz {

// Where the data folder came from.
enum class DataFolderSource { CommandLine, ExecutableFolder, UserData };

struct DataFolderChoice {
  std::string folder;
  DataFolderSource source;
};

// Whether files can be created in a folder.
using FolderWritable = std::function<bool(const std::string& folder)>;

// Chooses the folder that holds data.db, 配置.ini and 备份/:
// 1. `requested` (the --data folder), when given;
// 2. else `executableFolder`, when it already holds data.db and `writable` says files can be
//    created in it (a copy of the program that carries its data, such as one on a USB stick);
// 3. else `userDataFolder`.
DataFolderChoice chooseDataFolder(const std::optional<std::string>& requested,
                                  const std::string& executableFolder,
                                  const std::string& userDataFolder,
                                  const FolderWritable& writable);

// Why no file can be created in `folder`, in words for the user; empty text when one can. It
// creates and removes a probe file, so it answers for the user the program runs as, whatever the
// permission bits say.
std::string folderWriteProblem(const std::string& folder);

// The per-user data folder: $XDG_DATA_HOME/chenzhou-pos, usually ~/.local/share/chenzhou-pos.
// Empty when there is no home folder.
std::string userDataFolder();

// The data folder ready for use, or the message that names the folder that cannot be used and
// why (the folder is a file, cannot be created, or cannot be written).
struct DataFolderResult {
  std::string folder;
  std::string error;
};

// Chooses the data folder (chooseDataFolder with folderWriteProblem), makes it an absolute path,
// creates it with its parents when missing and checks that it can be written.
DataFolderResult openDataFolder(const std::optional<std::string>& requested,
                                const std::string& executableFolder,
                                const std::string& userDataFolder);

// Title of the box that shows DataFolderResult::error.
inline constexpr const char* kDataFolderErrorTitle = "数据文件夹不可用";

}  // namespace cz
