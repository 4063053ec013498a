#include "support/commit_cut_relay.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace cz::test {
namespace {

// The socket file name the server and libpq use for the default port.
constexpr const char* kSocketName = ".s.PGSQL.5432";

bool fillAddress(sockaddr_un& address, const std::string& path) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

bool contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

}  // namespace

std::string withHost(const std::string& connection, const std::string& host) {
  const size_t at = connection.find("host=");
  if (at == std::string::npos) return "host=" + host + " " + connection;
  const size_t end = connection.find(' ', at);
  return connection.substr(0, at) + "host=" + host +
         (end == std::string::npos ? std::string() : connection.substr(end));
}

CommitCutRelay::CommitCutRelay(const std::string& serverSocketDir)
    : m_serverSocket(serverSocketDir + "/" + kSocketName) {
  char pattern[] = "/tmp/cz-relay-XXXXXX";
  if (!::mkdtemp(pattern)) return;
  const std::string dir = pattern;
  sockaddr_un address;
  m_listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (m_listener < 0 || !fillAddress(address, dir + "/" + kSocketName) ||
      ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(m_listener, 16) != 0) {
    if (m_listener >= 0) ::close(m_listener);
    m_listener = -1;
    std::filesystem::remove_all(dir);
    return;
  }
  m_dir = dir;
  m_acceptor = std::thread([this] { acceptLoop(); });
}

CommitCutRelay::~CommitCutRelay() {
  m_stop = true;
  if (m_acceptor.joinable()) m_acceptor.join();
  {
    std::lock_guard lock(m_mutex);
    for (std::thread& pump : m_pumps) pump.join();
  }
  if (m_listener >= 0) ::close(m_listener);
  if (!m_dir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
}

void CommitCutRelay::acceptLoop() {
  while (!m_stop) {
    pollfd waiting{m_listener, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    const int client = ::accept(m_listener, nullptr, nullptr);
    if (client < 0) continue;
    sockaddr_un address;
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (server < 0 || !fillAddress(address, m_serverSocket) ||
        ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      if (server >= 0) ::close(server);
      ::close(client);
      continue;
    }
    std::lock_guard lock(m_mutex);
    m_pumps.emplace_back([this, client, server] { pump(client, server); });
  }
}

void CommitCutRelay::pump(int client, int server) {
  // Set once a COMMIT has gone to the server: its answer is read here and dropped.
  bool holding = false;
  char buffer[16384];
  while (!m_stop) {
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    if (::poll(ends, 2, 50) <= 0) continue;
    if (ends[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      const std::string_view bytes(buffer, static_cast<size_t>(got));
      if (m_armed && contains(bytes, "COMMIT")) {
        m_armed = false;
        holding = true;
      }
      if (!writeAll(server, buffer, static_cast<size_t>(got))) break;
    }
    if (ends[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t got = ::recv(server, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      const std::string_view bytes(buffer, static_cast<size_t>(got));
      // The server's "COMMIT" command tag: the transaction is stored.
      if (holding && contains(bytes, "COMMIT")) {
        ++m_cuts;
        break;
      }
      if (!holding && !writeAll(client, buffer, static_cast<size_t>(got))) break;
    }
  }
  ::close(client);
  ::close(server);
}

}  // namespace cz::test
