#include <atomic>
#include <chrono>
#include <future>

#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "playback/playunit.h"
#include "playback/sdlapi.h"

namespace quillon {

namespace {

// The player PreparePlayer started; main thread only.
std::future<std::unique_ptr<TPlayer>>& Prepared() {
  static std::future<std::unique_ptr<TPlayer>> prepared;
  return prepared;
}

}  // namespace

void PreparePlayer() {
  QUILLON_MAIN_THREAD_ONLY();
  if (Prepared().valid()) return;
  // The device's failure travels in the future and is told on the main thread.
  Prepared() = std::async(std::launch::async, [] {
    struct TEndSdlThread {
      ~TEndSdlThread() { EndSdlThread(); }
    } end;
    return std::make_unique<TPlayer>(nullptr);
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
    Prepared().get();
  } catch (const Exception&) {
    // No device: there is nothing to close.
  }
}

std::unique_ptr<TPlayer> CreatePlayer() {
  static std::atomic<bool> told{false};
  try {
    if (Prepared().valid()) return Prepared().get();
    return std::make_unique<TPlayer>(nullptr);
  } catch (const Exception& error) {
    if (!told.exchange(true)) MessageBoxes().ShowException(error.what());
    return nullptr;
  }
}

}  // namespace quillon
