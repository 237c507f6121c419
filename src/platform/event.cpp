#include "platform/event.h"

namespace quillon {

void TEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  if (manual_)
    changed_.notify_all();
  else
    changed_.notify_one();
}

void TEvent::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

void TEvent::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return set_; });
  if (!manual_) set_ = false;
}

bool TEvent::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [this] { return set_; })) return false;
  if (!manual_) set_ = false;
  return true;
}

bool TEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

TEvent& PlaybackIdleEvent() {
  static TEvent event(true, true);
  return event;
}

}  // namespace quillon
