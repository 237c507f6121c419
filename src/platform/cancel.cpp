#include "platform/cancel.h"

#include <chrono>
#include <thread>

namespace quillon {

namespace {
std::atomic<int> countdown{0};
std::atomic<int> counted{0};
std::atomic<int> holdCountdown{0};

// Counts the check down; true on the one it was armed for.
bool Due(std::atomic<int>& armed) {
  int current = armed.load(std::memory_order_relaxed);
  while (current > 0)
    if (armed.compare_exchange_weak(current, current - 1)) return current == 1;
  return false;
}

// The seam's turn: true on the check that it was armed for.
bool SeamCancels() {
  counted.fetch_add(1, std::memory_order_relaxed);
  return Due(countdown);
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
  if (Due(holdCountdown)) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Cancelled() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
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

void HoldAtNthCheck(int n) {
  holdCountdown.store(n > 0 ? n : 0);
}

}  // namespace quillon
