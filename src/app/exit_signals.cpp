#include "app/exit_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QProgressDialog>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

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

bool isBox(QObject* object) {
  auto* dialog = qobject_cast<QDialog*>(object);
  return dialog && !qobject_cast<QProgressDialog*>(dialog);
}

// Cancels a box from the event loop: its exec() returns as if Esc had been pressed.
void dismissLater(QObject* box) {
  QMetaObject::invokeMethod(box, "reject", Qt::QueuedConnection);
}

class BoxDismisser : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && isBox(watched)) dismissLater(watched);
    return false;
  }
};

// The program's own event loop runs (the loop level of a box nested in it is higher).
bool g_loopStarted = false;

bool insideNestedLoop() {
  return QThread::currentThread()->loopLevel() > (g_loopStarted ? 1 : 0);
}

// Runs `task` from the program's own event loop, once every box's loop above it has ended.
void whenUnwound(const std::function<void()>& task) {
  if (!insideNestedLoop()) {
    task();
    return;
  }
  QTimer::singleShot(20, QCoreApplication::instance(), [task] { whenUnwound(task); });
}

}  // namespace

void eventLoopStarts() {
  // Runs once the loop that is about to start takes its first events.
  QTimer::singleShot(0, QCoreApplication::instance(), [] { g_loopStarted = true; });
}

void dismissBoxesFromNowOn() {
  static BoxDismisser* dismisser = nullptr;
  if (!dismisser) {
    dismisser = new BoxDismisser(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(dismisser);
  }
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && isBox(window)) dismissLater(window);
  }
}

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
    if (received == 0) return;
    // A box's loop nested in a handler must unwind first: windows destroyed from inside it would
    // be deleted under the handler still running below it.
    dismissBoxesFromNowOn();
    for (int i = 0; i < received; ++i) whenUnwound(handler);
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace cz
