#include "platform/mainthread.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

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

void CheckMainThread(const char* where) {
  if (MainThread().IsMainThread()) return;
  std::fprintf(stderr, "Quillon: %s ran outside the main thread.\n", where);
  std::abort();
}

void SetMainThread(TMainThread* mainThread) {
  installed.store(mainThread);
}

}  // namespace quillon
