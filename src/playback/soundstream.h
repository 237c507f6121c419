#pragma once

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/threadsafety.h"
#include "playback/dsoundtypes.h"
#include "playback/notifyevents.h"

namespace quillon {

// The result code for a buffer format (0 when the device can be asked for it): 8- or 16-bit
// integer PCM, 1 to 8 channels, a whole frame as block align.
uint32_t CheckStreamFormat(const TWaveFormatEx& format);

// The result code for a failed SDL_OpenAudioDevice, judged by SDL's error text.
uint32_t OpenFailureCode(const char* sdlError);

// SDL's lock of one audio device, which SDL holds while it runs the device's callback: what the
// callback shares with the other threads is guarded by it.
class QUILLON_CAPABILITY("mutex") TDeviceMutex {
 public:
  void Bind(SDL_AudioDeviceID device) { device_ = device; }
  void Lock() QUILLON_ACQUIRE();
  void Unlock() QUILLON_RELEASE();
  // Inside the callback, where SDL has taken the lock.
  void AssertHeldBySdl() const QUILLON_ASSERT_CAPABILITY(this) {}

 private:
  SDL_AudioDeviceID device_ = 0;
};

// Holds a device's lock for its own lifetime.
class QUILLON_SCOPED_CAPABILITY TDeviceLock {
 public:
  explicit TDeviceLock(TDeviceMutex& mutex) QUILLON_ACQUIRE(mutex) : mutex_(mutex) {
    mutex_.Lock();
  }
  ~TDeviceLock() QUILLON_RELEASE() { mutex_.Unlock(); }
  TDeviceLock(const TDeviceLock&) = delete;
  TDeviceLock& operator=(const TDeviceLock&) = delete;

 private:
  TDeviceMutex& mutex_;
};

// One looping ring of audio played through its own SDL device. The SDL callback copies from
// the ring at the play cursor (with the gain applied), moves the cursor and raises the events of
// the offsets it passed; it never blocks or allocates. The other members may be called from any
// thread, one at a time: the main thread starts and stops the ring while a refill thread writes it.
class TSoundStream {
 public:
  static constexpr int kMaxPositions = 64;

  // Opens deviceName (null: the default device) for format, paused; a ring of bytes bytes of
  // silence. Raises EDirectSoundError.
  TSoundStream(const char* deviceName, const TWaveFormatEx& format, uint32_t bytes);
  ~TSoundStream();
  TSoundStream(const TSoundStream&) = delete;
  TSoundStream& operator=(const TSoundStream&) = delete;

  uint32_t Size() const { return size_; }
  uint32_t Cursor() const { return cursor_.load(std::memory_order_acquire); }
  // Also starts the counts of Played afresh.
  void SetCursor(uint32_t offset) QUILLON_EXCLUDES(mutex_);
  TPlayedBytes Played() const QUILLON_EXCLUDES(mutex_);
  // On: every byte written plays once; a byte the cursor reaches again before it is written
  // again plays as silence and is counted, so that a writer that falls behind leaves a gap
  // rather than repeating old audio. Off (the default): the ring loops as written.
  void SetPlayWritesOnce(bool on) QUILLON_EXCLUDES(mutex_);
  // Copies bytes of the ring from offset on (wrapping) into dest, or from source into the ring.
  void Read(uint32_t offset, uint8_t* dest, uint32_t bytes) QUILLON_EXCLUDES(mutex_);
  void Write(uint32_t offset, const uint8_t* source, uint32_t bytes) QUILLON_EXCLUDES(mutex_);

  void Play(bool looping) QUILLON_EXCLUDES(mutex_);
  // Pauses the device and raises the stop events when it was playing; true when it was.
  bool Stop() QUILLON_EXCLUDES(mutex_);
  bool Playing() const { return playing_.load(std::memory_order_acquire); }
  // Linear gain, 0 to 1.
  void SetGain(float gain) { gain_.store(gain, std::memory_order_release); }

  // Event i fires when the cursor passes offsets[i], or when the ring stops for
  // DSBPN_OFFSETSTOP. Offsets lie in the ring; count <= kMaxPositions. events null: none.
  void SetNotifications(const uint32_t* offsets, int count, TNotifyEvents* events)
      QUILLON_EXCLUDES(mutex_);
  std::vector<uint32_t> Notifications() const QUILLON_EXCLUDES(mutex_);

 private:
  static void SDLCALL Callback(void* self, Uint8* stream, int length);
  void Render(uint8_t* out, uint32_t length) QUILLON_REQUIRES(mutex_);
  void CopyWithGain(uint8_t* out, const uint8_t* in, uint32_t bytes) const;
  void SilencePlayed(uint8_t* out, uint32_t offset, uint32_t bytes) QUILLON_REQUIRES(mutex_);
  // Events whose offsets lie within the moved bytes after from, plus the stop events if stopped.
  uint64_t PassedEvents(uint32_t from, uint64_t moved, bool stopped) const QUILLON_REQUIRES(mutex_);

  SDL_AudioDeviceID device_ = 0;
  // Mutable: reading the notifications takes it too.
  mutable TDeviceMutex mutex_;
  uint8_t silence_ = 0;
  bool eightBit_ = false;
  const uint32_t size_;
  std::vector<uint8_t> ring_ QUILLON_GUARDED_BY(mutex_);
  // Atomics, read without the lock: the position by any thread, playing_ first by the callback.
  std::atomic<uint32_t> cursor_{0};
  std::atomic<bool> playing_{false};
  bool looping_ QUILLON_GUARDED_BY(mutex_) = false;
  std::atomic<float> gain_{1.0f};
  std::array<uint32_t, kMaxPositions> offsets_ QUILLON_GUARDED_BY(mutex_){};
  int count_ QUILLON_GUARDED_BY(mutex_) = 0;
  TNotifyEvents* events_ QUILLON_GUARDED_BY(mutex_) = nullptr;
  bool writesOnce_ QUILLON_GUARDED_BY(mutex_) = false;
  // Per ring byte, with writesOnce_: written since it last played.
  std::vector<uint8_t> unplayed_ QUILLON_GUARDED_BY(mutex_);
  TPlayedBytes played_ QUILLON_GUARDED_BY(mutex_);
};

}  // namespace quillon
