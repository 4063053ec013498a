#include "util/file_system.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace cz {

namespace fs = std::filesystem;

std::string fileErrorText(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "没有访问权限";
    case EROFS:
      return "所在的文件系统只读";
    case ENOSPC:
    case EDQUOT:
      return "磁盘空间不足";
    case EISDIR:
      return "同名的是一个目录";
    case ENOTDIR:
      return "路径中有一部分不是目录";
    case ENOENT:
      return "目录不存在";
    case ENAMETOOLONG:
      return "路径太长";
    case EIO:
      return "读写出错";
    case ENODEV:
    case ENXIO:
      return "存储设备已断开";
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case EHOSTUNREACH:
      return "网络连接已断开";
    case EEXIST:
      return "同名的文件已存在";
    case ENOTEMPTY:
      return "文件夹不是空的";
    case EBUSY:
    case ETXTBSY:
      return "文件正被占用";
    case ELOOP:
      return "路径中的链接太多或指向自己";
    case EMFILE:
    case ENFILE:
      return "打开的文件太多";
    case EXDEV:
      return "不能跨文件系统移动";
    case EFBIG:
      return "文件太大";
    case ENOLCK:
      return "文件系统不支持加锁";
    case EINVAL:
      return "文件系统不支持此操作";
    case ENOMEM:
      return "内存不足";
    case ETIMEDOUT:
      return "网络盘响应超时";
    default:
      // The system's own text is English; the number lets support look it up.
      return "系统错误（错误码 " + std::to_string(error) + "）";
  }
}

std::string xdgUserFolder(const char* variable, const char* homeRelative) {
  const char* xdg = std::getenv(variable);
  if (xdg != nullptr && fs::path(xdg).is_absolute()) return fs::path(xdg).string();
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
  return (fs::path(homeDir) / homeRelative).string();
}

}  // namespace cz
