#pragma once

// A receipt printer on 127.0.0.1 for tests and benchmarks: it records the bytes of every
// connection (one connection is one job) and answers the paper status request (DLE EOT 4) the
// way it is told. Header only, so the benchmarks can use it too.

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cz::test {

class LoopbackPrinter {
 public:
  enum class Mode {
    Ready,     // answers the status request: paper present
    PaperOut,  // answers: paper out
    Silent,    // never answers the status request, prints what comes
    Stalled,   // accepts the connection, then never reads (a jammed printer with a full buffer)
  };

  explicit LoopbackPrinter(Mode mode = Mode::Ready) : m_mode(mode) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (mode == Mode::Stalled) {
      // A small window, so a writer that is not read from fills it soon.
      int size = 1;
      setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    ::listen(m_listener, 16);
    if (pipe2(m_wake, O_CLOEXEC) != 0) m_wake[0] = m_wake[1] = -1;
    m_thread = std::thread([this] { run(); });
  }

  ~LoopbackPrinter() {
    const char stop = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_wake[1], &stop, 1);
    m_thread.join();
    for (auto& [fd, job] : m_open) ::close(fd);
    ::close(m_listener);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
  }

  int port() const { return m_port; }
  // The 设备 text that reaches this printer.
  std::string device() const { return "127.0.0.1:" + std::to_string(m_port); }

  void setMode(Mode mode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mode = mode;
  }

  // The bytes of every finished job (connection closed by the sender), in the order they ended.
  std::vector<std::string> jobs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_jobs;
  }
  // Connections accepted so far.
  int connections() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_accepted;
  }

  // Waits until `count` jobs have finished; false when `timeout` passes first.
  bool waitForJobs(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_jobs.size() >= count; });
  }
  // Waits until `count` bytes have come in all, counting open jobs; the moment it happened.
  bool waitForBytes(size_t count, std::chrono::steady_clock::time_point& at,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool ok = m_changed.wait_for(lock, timeout, [&] { return m_received >= count; });
    at = m_lastByteAt;
    return ok;
  }
  void reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_jobs.clear();
    m_received = 0;
    m_accepted = 0;
  }

 private:
  void run() {
    for (;;) {
      std::vector<pollfd> fds = {{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
      Mode mode;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        mode = m_mode;
      }
      for (auto& [fd, job] : m_open) {
        fds.push_back({fd, static_cast<short>(mode == Mode::Stalled ? 0 : POLLIN), 0});
      }
      // Stalled connections are looked at now and then, for a mode change.
      if (poll(fds.data(), fds.size(), 20) < 0) continue;
      if (fds[0].revents) return;
      if (fds[1].revents & POLLIN) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
          m_open[fd] = {};
          std::lock_guard<std::mutex> lock(m_mutex);
          ++m_accepted;
        }
      }
      for (size_t i = 2; i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        receive(fds[i].fd, mode);
      }
    }
  }

  void receive(int fd, Mode mode) {
    char buffer[65536];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    std::string& job = m_open[fd];
    if (got <= 0) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_jobs.push_back(std::move(job));
      m_open.erase(fd);
      ::close(fd);
      m_changed.notify_all();
      return;
    }
    const size_t before = job.size();
    job.append(buffer, static_cast<size_t>(got));
    // A status request that arrived whole (possibly across reads) is answered once.
    const size_t from = before >= 2 ? before - 2 : 0;
    const size_t at = job.find("\x10\x04\x04", from);
    if (at != std::string::npos && at + 3 > before && mode != Mode::Silent) {
      const char status = mode == Mode::PaperOut ? 0x72 : 0x12;
      [[maybe_unused]] const ssize_t ignored = ::send(fd, &status, 1, MSG_NOSIGNAL);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received += static_cast<size_t>(got);
    m_lastByteAt = std::chrono::steady_clock::now();
    m_changed.notify_all();
  }

  int m_listener = -1;
  int m_port = 0;
  int m_wake[2] = {-1, -1};
  std::map<int, std::string> m_open;  // worker thread only
  std::mutex m_mutex;
  std::condition_variable m_changed;
  Mode m_mode;
  std::vector<std::string> m_jobs;
  int m_accepted = 0;
  size_t m_received = 0;
  std::chrono::steady_clock::time_point m_lastByteAt;
  std::thread m_thread;
};

// A port where nobody ever completes a connection: the listener's queue is full, so a connect
// waits until it gives up (a printer that is switched off behind a switch drops it likewise).
class FullPort {
 public:
  FullPort() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    ::listen(m_listener, 0);
    // Fill the queue with connections nobody accepts.
    for (int i = 0; i < 4; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      m_fillers.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ~FullPort() {
    for (const int fd : m_fillers) ::close(fd);
    ::close(m_listener);
  }
  std::string device() const { return "127.0.0.1:" + std::to_string(m_port); }

 private:
  int m_listener = -1;
  int m_port = 0;
  std::vector<int> m_fillers;
};

// A port with nothing listening on it: connections are refused at once.
inline std::string deadPrinterDevice() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

}  // namespace cz::test
