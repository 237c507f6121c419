#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/threadsafety.h"

namespace quillon {

// A mutex that Clang's thread-safety analysis knows, so that what it guards is marked
// QUILLON_GUARDED_BY and a use without it held does not build.
class QUILLON_CAPABILITY("mutex") TMutex {
 public:
  void lock() QUILLON_ACQUIRE() { mutex_.lock(); }
  void unlock() QUILLON_RELEASE() { mutex_.unlock(); }

 private:
  friend class TMutexLock;
  std::mutex mutex_;
};

// Holds a TMutex for its lifetime; Wait gives it up while it sleeps, as a condition variable's
// wait does, and holds it again before it returns.
class QUILLON_SCOPED_CAPABILITY TMutexLock {
 public:
  explicit TMutexLock(TMutex& mutex) QUILLON_ACQUIRE(mutex) : lock_(mutex.mutex_) {}
  ~TMutexLock() QUILLON_RELEASE() {}
  TMutexLock(const TMutexLock&) = delete;
  TMutexLock& operator=(const TMutexLock&) = delete;

  template <class Predicate>
  void Wait(std::condition_variable& condition, Predicate done) {
    condition.wait(lock_, done);
  }

 private:
  std::unique_lock<std::mutex> lock_;
};

}  // namespace quillon
