#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <thread>

#include "platform/annotatedmutex.h"

namespace quillon {

// The one thread that writes the program's own files (journal, settings, recent-file lists), in
// the order they were asked for, so that the main thread never waits on the disk. A job reports
// its own failure, through the main-thread hand-over.
class TOrderedWriter {
 public:
  TOrderedWriter();
  // Runs what is queued, then ends: nothing asked for is lost by the end of the program.
  ~TOrderedWriter();
  TOrderedWriter(const TOrderedWriter&) = delete;
  TOrderedWriter& operator=(const TOrderedWriter&) = delete;

  // Queues job behind every job queued before it.
  void Post(std::function<void()> job) QUILLON_EXCLUDES(mutex_);
  // The same for a job that writes the whole of one file: a job of the same kind still waiting
  // is replaced in its place, as only the newest content of that file matters.
  void PostLatest(const std::string& kind, std::function<void()> job) QUILLON_EXCLUDES(mutex_);
  // Waits until every job queued so far has run. Only for the end of the program and for tests:
  // the main thread never waits on the writer otherwise.
  void Drain() QUILLON_EXCLUDES(mutex_);
  // Jobs that have run so far; a replaced job never runs.
  uint64_t Done() const QUILLON_EXCLUDES(mutex_);

 private:
  struct TJob {
    std::string kind;  // empty: never replaced
    std::function<void()> run;
  };
  void Serve() QUILLON_EXCLUDES(mutex_);

  mutable TMutex mutex_;
  std::condition_variable changed_;
  std::deque<TJob> queue_ QUILLON_GUARDED_BY(mutex_);
  bool busy_ QUILLON_GUARDED_BY(mutex_) = false;
  bool ending_ QUILLON_GUARDED_BY(mutex_) = false;
  uint64_t done_ QUILLON_GUARDED_BY(mutex_) = 0;
  std::thread thread_;
};

}  // namespace quillon
