#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/mainthread.h"

namespace quillon {

// A main-thread hand-over without a window system: tasks queue until the owning thread runs
// them in RunUntil or WaitServing. The owning thread is the one that constructed the loop.
class TTaskLoop : public TMainThread {
 public:
  TTaskLoop();
  void Post(std::function<void()> task) override;
  void WaitServing(const std::function<bool()>& done) override;
  bool IsMainThread() const override;

  // Runs queued tasks until done() holds or the timeout passes; false on timeout.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Runs the tasks queued now and returns.
  void RunPending();
  // Makes the calling thread the owner (for a loop created on another thread).
  void BindToCurrentThread() { owner_ = std::this_thread::get_id(); }

 private:
  bool RunOne(std::unique_lock<std::mutex>& lock);

  std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace quillon
