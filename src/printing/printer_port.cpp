#include "printing/printer_port.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/numbers.h"

namespace cz {
namespace {

std::string trimmed(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t first = 0;
  size_t last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

int millisecondsLeft(Deadline deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return 0;
  return left.count() > 60000 ? 60000 : static_cast<int>(left.count());
}

enum class Wait { Ready, TimedOut, Cancelled, Failed };

// Waits until `fd` is ready for `events`, the deadline passes or the job is cancelled.
Wait waitFor(int fd, short events, Deadline deadline, int cancelFd) {
  for (;;) {
    pollfd fds[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
    const int count = poll(fds, cancelFd >= 0 ? 2 : 1, millisecondsLeft(deadline));
    if (count < 0) {
      if (errno == EINTR) continue;
      return Wait::Failed;
    }
    if (cancelFd >= 0 && (fds[1].revents & POLLIN)) return Wait::Cancelled;
    if (count == 0) return Wait::TimedOut;
    return Wait::Ready;
  }
}

const char* const kCancelled = "打印已取消";

// A connection over one file descriptor: a device file or a socket.
class DescriptorConnection : public PrinterConnection {
 public:
  DescriptorConnection(int fd, int cancelFd, std::string name, bool answers)
      : m_fd(fd), m_cancelFd(cancelFd), m_name(std::move(name)), m_answers(answers) {}
  ~DescriptorConnection() override {
    if (m_fd >= 0) ::close(m_fd);
  }

  std::string ask(std::string_view request, Deadline until) override {
    if (!m_answers || !write(request, until).empty()) return {};
    std::string answer;
    while (answer.empty()) {
      if (waitFor(m_fd, POLLIN, until, m_cancelFd) != Wait::Ready) break;
      char buffer[64];
      const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
      if (got > 0) {
        answer.append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        break;
      }
    }
    return answer;
  }

  std::string write(std::string_view bytes, Deadline deadline) override {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = sendSome(bytes.data() + sent, bytes.size() - sent);
      if (n > 0) {
        sent += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        return "向打印机" + m_name + "发送数据失败（" + systemErrorText(errno) + "）";
      }
      switch (waitFor(m_fd, POLLOUT, deadline, m_cancelFd)) {
        case Wait::Ready:
          break;
        case Wait::TimedOut:
          return "打印机" + m_name + "没有接收数据，发送超时";
        case Wait::Cancelled:
          return kCancelled;
        case Wait::Failed:
          return "向打印机" + m_name + "发送数据失败（" + systemErrorText(errno) + "）";
      }
    }
    return {};
  }

 protected:
  virtual ssize_t sendSome(const char* data, size_t size) { return ::write(m_fd, data, size); }

  int m_fd;
  int m_cancelFd;
  std::string m_name;
  bool m_answers;
};

class DeviceFileConnection : public DescriptorConnection {
 public:
  using DescriptorConnection::DescriptorConnection;
  std::string finish(Deadline) override { return {}; }
};

// A named pipe to a program that prints: the job ends once that program has read every byte.
class FifoConnection : public DescriptorConnection {
 public:
  using DescriptorConnection::DescriptorConnection;
  std::string finish(Deadline deadline) override {
    for (;;) {
      int unread = 0;
      if (ioctl(m_fd, FIONREAD, &unread) != 0 || unread <= 0) return {};
      pollfd cancel{m_cancelFd, POLLIN, 0};
      const int left = millisecondsLeft(deadline);
      if (left == 0) return "打印机" + m_name + "没有接收数据，发送超时";
      if (poll(&cancel, m_cancelFd >= 0 ? 1 : 0, left < 5 ? left : 5) > 0) return kCancelled;
    }
  }
};

std::string notAPrinter(const std::string& path) {
  return "打印设备不是打印机：" + path;
}

// What a printer's device file can be: a character device (a USB or serial port; not one of the
// memory devices such as /dev/zero or /dev/null, which take every byte and print nothing) or a
// named pipe to a program that prints. A regular file would collect receipts and report success.
bool printerKind(const struct stat& info) {
  if (S_ISFIFO(info.st_mode)) return true;
  constexpr unsigned kMemoryDevices = 1;
  return S_ISCHR(info.st_mode) && major(info.st_rdev) != kMemoryDevices;
}

class SocketConnection : public DescriptorConnection {
 public:
  using DescriptorConnection::DescriptorConnection;

  // The job ends when the printer has acknowledged every byte: until then a printer that
  // stopped reading (off line, out of paper, jammed) would lose the receipt unnoticed.
  std::string finish(Deadline deadline) override {
    ::shutdown(m_fd, SHUT_WR);
    for (;;) {
      int unsent = 0;
      if (ioctl(m_fd, SIOCOUTQ, &unsent) != 0 || unsent <= 0) return {};
      pollfd cancel{m_cancelFd, POLLIN, 0};
      const int left = millisecondsLeft(deadline);
      if (left == 0) return "打印机" + m_name + "没有接收数据，发送超时";
      if (poll(&cancel, m_cancelFd >= 0 ? 1 : 0, left < 2 ? left : 2) > 0) return kCancelled;
    }
  }

 protected:
  ssize_t sendSome(const char* data, size_t size) override {
    return ::send(m_fd, data, size, MSG_NOSIGNAL);
  }
};

std::unique_ptr<PrinterConnection> openDeviceFile(const std::string& path, int cancelFd,
                                                  std::string& error) {
  struct stat before {};
  if (::stat(path.c_str(), &before) == 0 && !printerKind(before)) {
    error = notAPrinter(path);
    return nullptr;
  }
  const int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_APPEND;
  if (S_ISFIFO(before.st_mode)) {
    // Written only: opened for reading too, the pipe would take the bytes with nobody reading
    // them, and an answer read back would be the question sent. Without a reader it fails at once.
    const int fd = ::open(path.c_str(), O_WRONLY | flags);
    if (fd < 0) {
      error = "无法打开打印设备" + path + "（" + systemErrorText(errno) + "）";
      return nullptr;
    }
    return std::make_unique<FifoConnection>(fd, cancelFd, path, false);
  }
  bool answers = true;
  int fd = ::open(path.c_str(), O_RDWR | flags);
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    // A device that may only be written still prints; it just cannot answer.
    fd = ::open(path.c_str(), O_WRONLY | flags);
    answers = false;
  }
  if (fd < 0) {
    error = "无法打开打印设备" + path + "（" + systemErrorText(errno) + "）";
    return nullptr;
  }
  // The file may have been replaced since it was looked at.
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || !printerKind(info)) {
    ::close(fd);
    error = notAPrinter(path);
    return nullptr;
  }
  return std::make_unique<DeviceFileConnection>(fd, cancelFd, path, answers);
}

std::unique_ptr<PrinterConnection> openSocket(const PrinterTarget& target, Deadline deadline,
                                              int cancelFd, std::string& error) {
  const std::string name = target.host + ":" + integerText(target.port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int lookup =
      getaddrinfo(target.host.c_str(), integerText(target.port).c_str(), &hints, &found);
  if (lookup != 0 || !found) {
    error = "找不到打印机" + name + "（地址无法解析）";
    return nullptr;
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
  int lastError = ECONNREFUSED;
  bool timedOut = false;
  for (const addrinfo* a = found; a; a = a->ai_next) {
    const int fd =
        ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      lastError = errno;
      continue;
    }
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
      return std::make_unique<SocketConnection>(fd, cancelFd, name, true);
    }
    if (errno == EINPROGRESS) {
      const Wait wait = waitFor(fd, POLLOUT, deadline, cancelFd);
      if (wait == Wait::Ready) {
        int soError = 0;
        socklen_t length = sizeof soError;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
        if (soError == 0) return std::make_unique<SocketConnection>(fd, cancelFd, name, true);
        lastError = soError;
      } else if (wait == Wait::Cancelled) {
        ::close(fd);
        error = kCancelled;
        return nullptr;
      } else if (wait == Wait::TimedOut) {
        timedOut = true;
      } else {
        lastError = errno;
      }
    } else {
      lastError = errno;
    }
    ::close(fd);
    if (timedOut) break;
  }
  error = timedOut ? "连接打印机" + name + "超时"
                   : "无法连接打印机" + name + "（" + systemErrorText(lastError) + "）";
  return nullptr;
}

}  // namespace

PrinterTarget parsePrinterTarget(const std::string& device) {
  PrinterTarget target;
  const std::string text = trimmed(device);
  if (text.empty()) return target;
  if (text[0] == '/') {
    target.kind = PrinterTarget::Kind::DeviceFile;
    target.path = text;
    return target;
  }
  const size_t colon = text.rfind(':');
  if (colon != std::string::npos && colon > 0 && colon + 1 < text.size() &&
      colon + 6 >= text.size()) {
    const std::string port = text.substr(colon + 1);
    bool digits = true;
    for (const char c : port) digits = digits && c >= '0' && c <= '9';
    std::string host = text.substr(0, colon);
    const bool bracketed = host.size() > 2 && host.front() == '[' && host.back() == ']';
    if (bracketed) host = host.substr(1, host.size() - 2);
    const std::int64_t number = digits ? readInteger(port) : 0;
    // An unbracketed host with a colon of its own is not host:port.
    if (number >= 1 && number <= 65535 && (bracketed || host.find(':') == std::string::npos)) {
      target.kind = PrinterTarget::Kind::Network;
      target.host = host;
      target.port = static_cast<int>(number);
      return target;
    }
  }
  target.kind = PrinterTarget::Kind::CupsQueue;
  target.path = text;
  return target;
}

std::unique_ptr<PrinterConnection> connectPrinter(const PrinterTarget& target, Deadline deadline,
                                                  int cancelFd, std::string& error) {
  switch (target.kind) {
    case PrinterTarget::Kind::None:
      error = "未设置打印设备";
      return nullptr;
    case PrinterTarget::Kind::DeviceFile:
      return openDeviceFile(target.path, cancelFd, error);
    case PrinterTarget::Kind::Network:
      return openSocket(target, deadline, cancelFd, error);
    case PrinterTarget::Kind::CupsQueue:
      return connectCupsQueue(target.path, deadline, cancelFd, error);
  }
  error = "未设置打印设备";
  return nullptr;
}

std::string systemErrorText(int error) {
  switch (error) {
    case ENOENT:
      return "设备不存在";
    case EACCES:
    case EPERM:
      return "没有访问权限";
    case EBUSY:
      return "设备忙";
    case ENODEV:
    case ENXIO:
      return "设备未连接";
    case EIO:
      return "设备读写错误";
    case ECONNREFUSED:
      return "连接被拒绝";
    case ETIMEDOUT:
      return "连接超时";
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
      return "网络不通";
    case ECONNRESET:
    case EPIPE:
      return "打印机断开了连接";
    case ENOSPC:
      return "设备空间不足";
    case EISDIR:
      return "这是一个文件夹";
    default: {
      char buffer[256];
      return strerror_r(error, buffer, sizeof buffer);
    }
  }
}

}  // namespace cz
