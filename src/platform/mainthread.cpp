#include "platform/mainthread.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "platform/taskloop.h"

namespace quillon {

namespace {
std::atomic<TMainThread*> installed{nullptr};
}

TMainThread& MainThread() {
  if (TMainThread* current = installed.load()) return *current;
  static TTaskLoop fallback;
  TMainThread* expected = nullptr;
  installed.compare_exchange_strong(expected, &fallback);
  return *installed.load();
}

void PostAndWait(TMainThread& mainThread, std::function<void()> task) {
  std::promise<void> finished;
  std::future<void> done = finished.get_future();
  mainThread.Post([&] {
    try {
      task();
      finished.set_value();
    } catch (...) {
      finished.set_exception(std::current_exception());
    }
  });
  done.get();
}

void CheckMainThread(const char* where) {
  if (MainThread().IsMainThread()) return;
  std::fprintf(stderr, "Quillon: %s ran outside the main thread.\n", where);
  std::abort();
}

void SetMainThread(TMainThread* mainThread) {
  installed.store(mainThread);
}

}  // namespace quillon
