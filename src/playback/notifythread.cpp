#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "playback/DDirectSound.h"
#include "playback/soundstream.h"

namespace quillon {

namespace {
std::atomic<int> liveThreads{0};
}

// What the thread and the hand-overs it posts share; a posted hand-over keeps it alive after the
// thread object is gone.
struct TNotifyThread::TShared {
  TNotifyEvents events;
  TDSNotifyEvent handler;
  TDirectSoundBuffer* sender = nullptr;
  std::atomic<int32_t> firedIndex{-1};
  std::mutex mutex;
  std::condition_variable changed;
  bool terminated = false;
  bool handled = false;
};

TNotifyThread::TNotifyThread(TDirectSoundBuffer* sender, const uint32_t* positions, int32_t count,
                             TSoundStream* notify, TDSNotifyEvent handler)
    : notify_(notify), count_(count) {
  if (count + 1 > kMaxWaitObjects)
    throw EDirectSoundWrapperError("Notification positions exceed maximum of " +
                                   std::to_string(kMaxWaitObjects));
  shared_ = std::make_shared<TShared>();
  shared_->sender = sender;
  shared_->handler = std::move(handler);
  notify_->SetNotifications(positions, count, &shared_->events);
  ++liveThreads;
}

TNotifyThread::~TNotifyThread() {
  // Detach first: the callback must not raise events that are about to go.
  notify_->SetNotifications(nullptr, 0, nullptr);
  {
    std::lock_guard lock(shared_->mutex);
    shared_->terminated = true;
  }
  shared_->changed.notify_all();
  shared_->events.Wake();
  if (thread_.joinable()) thread_.join();
  --liveThreads;
}

void TNotifyThread::Start() {
  thread_ = std::thread([this] { Execute(); });
}

int32_t TNotifyThread::FiredIndex() const {
  return shared_->firedIndex.load();
}

int TNotifyThread::LiveCount() {
  return liveThreads.load();
}

void TNotifyThread::Execute() {
  for (;;) {
    uint64_t fired = shared_->events.Wait();
    for (int32_t index = 0; index < count_; ++index) {
      {
        std::lock_guard lock(shared_->mutex);
        if (shared_->terminated) return;
      }
      if (fired & (uint64_t{1} << index)) HandOver(index);
    }
    std::lock_guard lock(shared_->mutex);
    if (shared_->terminated) return;
  }
}

void TNotifyThread::HandOver(int32_t index) {
  shared_->firedIndex = index;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->handled = false;
  }
  // Posted rather than invoked, so that ending the thread from the main thread never has to
  // serve the main thread's queue while it waits.
  MainThread().Post([shared = shared_, index] {
    bool terminated;
    {
      std::lock_guard lock(shared->mutex);
      terminated = shared->terminated;
    }
    if (!terminated) {
      try {
        shared->handler(shared->sender, index);
      } catch (const std::exception& error) {
        MessageBoxes().ShowException(error.what());
      }
    }
    {
      std::lock_guard lock(shared->mutex);
      shared->handled = true;
    }
    shared->changed.notify_all();
  });
  std::unique_lock lock(shared_->mutex);
  shared_->changed.wait(lock, [this] { return shared_->handled || shared_->terminated; });
}

}  // namespace quillon
