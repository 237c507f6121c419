#include "platform/faults.h"

#include <atomic>
#include <cerrno>

#include "platform/error.h"

namespace quillon {

namespace {
std::atomic<int> countdown[5];

std::atomic<int>& Countdown(TFault kind) {
  return countdown[static_cast<int>(kind)];
}

int ErrorFor(TFault kind) {
  switch (kind) {
    case TFault::Map:
      return ENOMEM;
    case TFault::Read:
    case TFault::Flush:
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

int FaultError(TFault kind) {
  std::atomic<int>& c = Countdown(kind);
  int current = c.load(std::memory_order_relaxed);
  while (current > 0) {
    if (c.compare_exchange_weak(current, current - 1)) return current == 1 ? ErrorFor(kind) : 0;
  }
  return 0;
}

void CheckFault(TFault kind) {
  if (int error = FaultError(kind)) throw EOSError(error);
}

}  // namespace quillon
