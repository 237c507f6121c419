#include "platform/taskloop.h"

namespace quillon {

TTaskLoop::TTaskLoop() : owner_(std::this_thread::get_id()) {}

bool TTaskLoop::IsMainThread() const {
  return std::this_thread::get_id() == owner_;
}

void TTaskLoop::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  queued_.notify_all();
}

bool TTaskLoop::RunOne(std::unique_lock<std::mutex>& lock) {
  if (tasks_.empty()) return false;
  std::function<void()> task = std::move(tasks_.front());
  tasks_.pop_front();
  lock.unlock();
  task();
  lock.lock();
  return true;
}

void TTaskLoop::RunPending() {
  std::unique_lock lock(mutex_);
  size_t count = tasks_.size();
  while (count-- > 0 && RunOne(lock)) {
  }
}

bool TTaskLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(mutex_);
  for (;;) {
    while (RunOne(lock)) {
    }
    lock.unlock();
    bool finished = done();
    lock.lock();
    if (finished) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // Short waits: done() may turn true without a task being queued.
    queued_.wait_for(lock, std::chrono::milliseconds(5), [this] { return !tasks_.empty(); });
  }
}

void TTaskLoop::WaitServing(const std::function<bool()>& done) {
  RunUntil(done, std::chrono::hours(24 * 365));
}

}  // namespace quillon
