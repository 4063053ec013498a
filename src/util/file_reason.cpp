#include "util/file_reason.h"

#include <cerrno>
#include <cstring>

namespace cz {

std::string fileErrorReason(int error) {
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
    default:
      return std::strerror(error);
  }
}

}  // namespace cz
