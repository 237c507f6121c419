#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quillon {

// One long-lived thread that runs web requests one after another, in the order they came. Any
// thread may queue; nobody waits for a request but Stop. What a request throws goes to standard
// error.
class TRequestThread {
 public:
  // A request; it should give up soon once stopping holds.
  using TRequest = std::function<void(const std::atomic<bool>& stopping)>;

  explicit TRequestThread(size_t maxQueued);
  ~TRequestThread();  // Stop
  TRequestThread(const TRequestThread&) = delete;
  TRequestThread& operator=(const TRequestThread&) = delete;

  // False when stopped or when maxQueued requests already wait.
  bool Queue(TRequest request);
  // Requests queued or running.
  size_t Pending() const;
  // Drops what waits, asks the running request to give up and waits for it to end.
  void Stop();

 private:
  void Run();
  void RunLogged(const TRequest& request);

  const size_t maxQueued_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TRequest> queue_;
  bool running_ = false;
  bool stopped_ = false;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace quillon
