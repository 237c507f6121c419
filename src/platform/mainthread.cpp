#include "platform/mainthread.h"

#include <cstdio>
#include <cstdlib>

#include "platform/installed.h"
#include "platform/taskloop.h"

namespace quillon {

namespace {
constinit TInstalled<TMainThread, TTaskLoop> installed;
}

TMainThread& MainThread() {
  return installed.Get();
}

void CheckMainThread(const char* where) {
  if (MainThread().IsMainThread()) return;
  std::fprintf(stderr, "Quillon: %s ran outside the main thread.\n", where);
  std::abort();
}

void SetMainThread(TMainThread* mainThread) {
  installed.Set(mainThread);
}

}  // namespace quillon
