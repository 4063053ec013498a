#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cz::test {

// Stands between the tills and the test server, passing each connection's bytes both ways over
// Unix sockets. Once armed, it lets the next COMMIT reach the server, waits for the server's
// answer that it committed, and then closes both sides without passing that answer on: the till
// sees its connection lost after sending COMMIT, while the server has stored the transaction.
class CommitCutRelay {
 public:
  // `serverSocketDir` is the folder of the server's socket (its connection string's host).
  explicit CommitCutRelay(const std::string& serverSocketDir);
  ~CommitCutRelay();
  CommitCutRelay(const CommitCutRelay&) = delete;
  CommitCutRelay& operator=(const CommitCutRelay&) = delete;

  // The folder of the relay's own socket, for host= in a connection string; empty when the relay
  // could not listen.
  const std::string& socketDir() const { return m_dir; }
  void armForNextCommit() { m_armed = true; }
  // Whether a commit's answer was held back since the relay was made.
  bool cutOne() const { return m_cuts > 0; }

 private:
  void acceptLoop();
  void pump(int client, int server);

  std::string m_serverSocket;
  std::string m_dir;
  int m_listener = -1;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_armed{false};
  std::atomic<int> m_cuts{0};
  std::thread m_acceptor;
  std::mutex m_mutex;
  std::vector<std::thread> m_pumps;
};

// `connection` with its host= value replaced by `host`.
std::string withHost(const std::string& connection, const std::string& host);

}  // namespace cz::test
