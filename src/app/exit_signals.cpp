#include "app/exit_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

namespace cz {

namespace {

// The signal handler only writes a byte into this pair; the event loop reads it.
int g_pair[2] = {-1, -1};

void onSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_pair[0], &byte, 1);
  errno = saved;
}

}  // namespace

void installExitSignals(std::function<void()> handler) {
  if (g_pair[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pair) != 0) return;
  ::fcntl(g_pair[0], F_SETFL, ::fcntl(g_pair[0], F_GETFL) | O_NONBLOCK);
  ::fcntl(g_pair[1], F_SETFL, ::fcntl(g_pair[1], F_GETFL) | O_NONBLOCK);
  auto* notifier =
      new QSocketNotifier(g_pair[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler] {
    char bytes[16];
    ssize_t got = 0;
    int received = 0;
    while ((got = ::read(g_pair[1], bytes, sizeof bytes)) > 0) received += static_cast<int>(got);
    for (int i = 0; i < received; ++i) handler();
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace cz
