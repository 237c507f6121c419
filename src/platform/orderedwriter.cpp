#include "platform/orderedwriter.h"

#include <iostream>
#include <utility>

namespace quillon {

TOrderedWriter::TOrderedWriter() : thread_([this] { Serve(); }) {}

TOrderedWriter::~TOrderedWriter() {
  {
    TMutexLock lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void TOrderedWriter::Post(std::function<void()> job) {
  {
    TMutexLock lock(mutex_);
    queue_.push_back({std::string(), std::move(job)});
  }
  changed_.notify_all();
}

void TOrderedWriter::PostLatest(const std::string& kind, std::function<void()> job) {
  {
    TMutexLock lock(mutex_);
    bool replaced = false;
    for (TJob& waiting : queue_)
      if (waiting.kind == kind) {
        waiting.run = std::move(job);
        replaced = true;
        break;
      }
    if (!replaced) queue_.push_back({kind, std::move(job)});
  }
  changed_.notify_all();
}

void TOrderedWriter::Drain() {
  TMutexLock lock(mutex_);
  lock.Wait(changed_, [this]() QUILLON_REQUIRES(mutex_) { return queue_.empty() && !busy_; });
}

uint64_t TOrderedWriter::Done() const {
  TMutexLock lock(mutex_);
  return done_;
}

void TOrderedWriter::Serve() {
  for (;;) {
    std::function<void()> run;
    {
      TMutexLock lock(mutex_);
      lock.Wait(changed_,
                [this]() QUILLON_REQUIRES(mutex_) { return !queue_.empty() || ending_; });
      if (queue_.empty()) return;
      run = std::move(queue_.front().run);
      queue_.pop_front();
      busy_ = true;
    }
    // A job tells of its own failures; one that throws anyway must not end the writer and with
    // it every later write.
    try {
      run();
    } catch (const std::exception& error) {
      std::cerr << "quillon: a write failed: " << error.what() << '\n';
    } catch (...) {
      std::cerr << "quillon: a write failed\n";
    }
    {
      TMutexLock lock(mutex_);
      busy_ = false;
      ++done_;
    }
    changed_.notify_all();
  }
}

}  // namespace quillon
