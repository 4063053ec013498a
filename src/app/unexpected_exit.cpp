#include "app/unexpected_exit.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace cz {

namespace {

std::function<void()>* g_closeUp = nullptr;
std::atomic<bool> g_expected{false};

void atExit() {
  if (g_expected.exchange(true) || !g_closeUp) return;
  (*g_closeUp)();
  ::_exit(0);
}

}  // namespace

void closeUpAtUnexpectedExit(std::function<void()> closeUp) {
  if (g_closeUp) return;
  // Never freed: it must outlive every other static object.
  g_closeUp = new std::function<void()>(std::move(closeUp));
  std::atexit(atExit);
}

void expectedExit() {
  g_expected = true;
}

}  // namespace cz
