#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "playback/playunit.h"
#include "playback/sdlapi.h"

namespace quillon {

namespace {

// The player PreparePlayer started and the thread that opens it; main thread only.
struct TOpening {
  std::future<std::unique_ptr<TPlayer>> player;
  std::thread thread;
  ~TOpening() {
    if (thread.joinable()) thread.join();
  }
};

TOpening& Opening() {
  static TOpening opening;
  return opening;
}

std::future<std::unique_ptr<TPlayer>>& Prepared() {
  return Opening().player;
}

// The prepared player, or the failure to open it, raised. Once the player is there the thread
// only has its post to the main thread left, so the join is a formality.
std::unique_ptr<TPlayer> TakePrepared() {
  std::future<std::unique_ptr<TPlayer>> player = std::move(Prepared());
  player.wait();
  if (Opening().thread.joinable()) Opening().thread.join();
  return player.get();
}

std::function<void()>& OpeningHook() {
  static std::function<void()> hook;
  return hook;
}

// On the opening thread: the player, or the device's failure, which is told on the main thread.
void OpenPlayerInto(std::promise<std::unique_ptr<TPlayer>>& promise,
                    const std::function<void()>& hook) {
  struct TEndSdlThread {
    ~TEndSdlThread() { EndSdlThread(); }
  };
  try {
    std::unique_ptr<TPlayer> player;
    {
      TEndSdlThread end;
      if (hook) hook();
      player = std::make_unique<TPlayer>(nullptr);
    }
    promise.set_value(std::move(player));
  } catch (...) {
    promise.set_exception(std::current_exception());
  }
}

}  // namespace

TSignal<>& PlayerPreparedEvent() {
  static TSignal<> prepared;
  return prepared;
}

void SetPlayerOpeningHook(std::function<void()> hook) {
  QUILLON_MAIN_THREAD_ONLY();
  OpeningHook() = std::move(hook);
}

void PreparePlayer() {
  QUILLON_MAIN_THREAD_ONLY();
  if (Prepared().valid()) return;
  std::promise<std::unique_ptr<TPlayer>> promise;
  Prepared() = promise.get_future();
  // The result is in the future before the main thread hears of it.
  Opening().thread = std::thread([promise = std::move(promise), hook = OpeningHook()]() mutable {
    OpenPlayerInto(promise, hook);
    MainThread().Post([] { PlayerPreparedEvent()(); });
  });
}

bool PlayerPreparing() {
  QUILLON_MAIN_THREAD_ONLY();
  return Prepared().valid();
}

bool PreparedPlayerReady() {
  QUILLON_MAIN_THREAD_ONLY();
  return Prepared().valid() &&
         Prepared().wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void DiscardPreparedPlayer() {
  QUILLON_MAIN_THREAD_ONLY();
  if (!Prepared().valid()) return;
  try {
    TakePrepared();
  } catch (const Exception&) {
    // No device: there is nothing to close.
  }
}

std::unique_ptr<TPlayer> CreatePlayer() {
  static std::atomic<bool> told{false};
  try {
    if (Prepared().valid()) return TakePrepared();
    return std::make_unique<TPlayer>(nullptr);
  } catch (const Exception& error) {
    if (!told.exchange(true)) MessageBoxes().ShowException(error.what());
    return nullptr;
  }
}

}  // namespace quillon
