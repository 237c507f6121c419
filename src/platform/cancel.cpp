#include "platform/cancel.h"

namespace quillon {

namespace {
std::atomic<int> countdown{0};
std::atomic<int> counted{0};

// The seam's turn: true on the check that it was armed for.
bool SeamCancels() {
  counted.fetch_add(1, std::memory_order_relaxed);
  int current = countdown.load(std::memory_order_relaxed);
  while (current > 0)
    if (countdown.compare_exchange_weak(current, current - 1)) return current == 1;
  return false;
}
}  // namespace

TCancelToken TCancelToken::Make() {
  TCancelToken token;
  token.flag_ = std::make_shared<std::atomic<bool>>(false);
  return token;
}

void TCancelToken::Cancel() const {
  if (flag_) flag_->store(true, std::memory_order_relaxed);
}

bool TCancelToken::Cancelled() const {
  return flag_ && flag_->load(std::memory_order_relaxed);
}

void TCancelToken::ThrowIfCancelled() const {
  if (SeamCancels() || Cancelled()) throw ECancelled();
}

void CancelAtNthCheck(int n) {
  counted.store(0);
  countdown.store(n > 0 ? n : 0);
}

bool CancelPending() {
  return countdown.load() > 0;
}

int CancelChecksCounted() {
  return counted.load();
}

}  // namespace quillon
