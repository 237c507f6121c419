#include "update/requestthread.h"

#include <cstdio>
#include <exception>
#include <utility>

namespace quillon {

TRequestThread::TRequestThread(size_t maxQueued)
    : maxQueued_(maxQueued), thread_([this] { Run(); }) {}

TRequestThread::~TRequestThread() {
  Stop();
}

bool TRequestThread::Queue(TRequest request) {
  {
    std::lock_guard lock(mutex_);
    if (stopped_ || queue_.size() >= maxQueued_) return false;
    queue_.push_back(std::move(request));
  }
  changed_.notify_all();
  return true;
}

size_t TRequestThread::Pending() const {
  std::lock_guard lock(mutex_);
  return queue_.size() + (running_ ? 1 : 0);
}

void TRequestThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    queue_.clear();
  }
  stopping_ = true;
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

// Whatever a request lets through ends it, with its reason in the log; the thread goes on.
void TRequestThread::RunLogged(const TRequest& request) {
  try {
    request(stopping_);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "A web request ended with an error: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "A web request ended with an unknown error.\n");
  }
}

void TRequestThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopped_ || !queue_.empty(); });
    if (stopped_) return;
    TRequest request = std::move(queue_.front());
    queue_.pop_front();
    running_ = true;
    lock.unlock();
    RunLogged(request);
    request = nullptr;
    lock.lock();
    running_ = false;
  }
}

}  // namespace quillon
