#include "platform/mainthread.h"

#include <atomic>

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

void SetMainThread(TMainThread* mainThread) {
  installed.store(mainThread);
}

}  // namespace quillon
