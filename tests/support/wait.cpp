#include "support/wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <thread>

#include "platform/mainthread.h"

namespace quillon::test {

namespace {

void ServeOnce() {
  // A done() that holds at once runs what is queued and returns.
  MainThread().WaitServing([] { return true; });
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
  // Both return at once when idle; a short sleep leaves the core to the threads waited for.
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

bool WaitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    ServeOnce();
    if (predicate()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

void ServeFor(std::chrono::milliseconds time) {
  WaitUntil([] { return false; }, time);
}

bool StallMainThreadUntil(const std::function<bool()>& predicate,
                          std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace quillon::test
