#include "platform/faults.h"

#include <atomic>
#include <cerrno>

#include "platform/error.h"

namespace quillon {

namespace {
std::atomic<int> countdown[4];

std::atomic<int>& Countdown(TFault kind) {
  return countdown[static_cast<int>(kind)];
}

int ErrorFor(TFault kind) {
  switch (kind) {
    case TFault::Map:
      return ENOMEM;
    case TFault::Read:
      return EIO;
    default:
      return ENOSPC;
  }
}
}  // namespace

void FailNth(TFault kind, int n) {
  Countdown(kind).store(n > 0 ? n : 0);
}

void ClearFaults() {
  for (auto& c : countdown) c.store(0);
}

bool FaultPending(TFault kind) {
  return Countdown(kind).load() > 0;
}

void CheckFault(TFault kind) {
  std::atomic<int>& c = Countdown(kind);
  int current = c.load(std::memory_order_relaxed);
  while (current > 0) {
    if (c.compare_exchange_weak(current, current - 1)) {
      if (current == 1) throw EOSError(ErrorFor(kind));
      return;
    }
  }
}

}  // namespace quillon
