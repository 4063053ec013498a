#include "support/tcp_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <tuple>

namespace cz::test {

namespace {

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::send(fd, data, size, MSG_NOSIGNAL);
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

int connectUnix(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string unixSocketOf(const std::string& connectionString) {
  std::istringstream words(connectionString);
  std::string word;
  std::string port = "5432";
  std::string host;
  while (words >> word) {
    if (word.rfind("host=", 0) == 0) host = word.substr(5);
    if (word.rfind("port=", 0) == 0) port = word.substr(5);
  }
  return host + "/.s.PGSQL." + port;
}

TcpRelay::TcpRelay(std::string unixSocketPath) : m_target(std::move(unixSocketPath)) {
  m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(m_listener, 16) != 0 ||
      ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      ::pipe(m_wake) != 0) {
    return;
  }
  m_port = ntohs(address.sin_port);
  m_thread = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay() {
  m_stop = true;
  if (m_thread.joinable()) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &byte, 1);
    m_thread.join();
  }
  for (const auto& [till, server] : m_pairs) {
    ::close(till);
    ::close(server);
  }
  for (const int fd : {m_listener, m_wake[0], m_wake[1]}) {
    if (fd >= 0) ::close(fd);
  }
}

void TcpRelay::run() {
  char buffer[65536];
  while (!m_stop) {
    std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}};
    // Frozen, it neither accepts nor reads: what is sent stays in the kernels' buffers.
    if (!m_frozen) {
      watched.push_back({m_listener, POLLIN, 0});
      for (const auto& [till, server] : m_pairs) {
        watched.push_back({till, POLLIN, 0});
        watched.push_back({server, POLLIN, 0});
      }
    }
    if (::poll(watched.data(), watched.size(), 50) <= 0 || m_frozen) continue;
    if (watched[1].revents & POLLIN) {
      const int till = ::accept(m_listener, nullptr, nullptr);
      const int server = till >= 0 ? connectUnix(m_target) : -1;
      if (server >= 0) {
        m_pairs.emplace_back(till, server);
      } else if (till >= 0) {
        ::close(till);
      }
    }
    for (size_t i = 0; i < m_pairs.size(); ++i) {
      auto [till, server] = m_pairs[i];
      bool closed = false;
      for (const auto& [from, to, index] :
           {std::tuple{till, server, 2 + 2 * i}, std::tuple{server, till, 3 + 2 * i}}) {
        if (index >= watched.size() || !(watched[index].revents & (POLLIN | POLLHUP))) continue;
        const ssize_t got = ::recv(from, buffer, sizeof buffer, 0);
        if (got <= 0 || !writeAll(to, buffer, static_cast<size_t>(got))) closed = true;
      }
      if (closed) {
        ::close(till);
        ::close(server);
        m_pairs.erase(m_pairs.begin() + static_cast<std::ptrdiff_t>(i));
        break;  // the indexes of the watched sockets moved
      }
    }
  }
}

}  // namespace cz::test
