#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace cz::test {

// A TCP relay on 127.0.0.1 that passes every connection on to a server's Unix socket. A test can
// freeze it: it then passes no more bytes either way but keeps every socket open, as a hung
// switch does, so the till's kernel still acknowledges what the till sends.
class TcpRelay {
 public:
  explicit TcpRelay(std::string unixSocketPath);
  ~TcpRelay();
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  // The port it listens on; 0 when it could not listen.
  int port() const { return m_port; }
  void freeze() { m_frozen = true; }

 private:
  void run();

  std::string m_target;
  int m_listener = -1;
  int m_port = 0;
  int m_wake[2] = {-1, -1};
  std::atomic<bool> m_frozen{false};
  std::atomic<bool> m_stop{false};
  // Pairs of sockets: the till's side, the server's side.
  std::vector<std::pair<int, int>> m_pairs;
  std::thread m_thread;
};

// The Unix socket path of a server given by a libpq string "host=DIR …" (port 5432).
std::string unixSocketOf(const std::string& connectionString);

}  // namespace cz::test
