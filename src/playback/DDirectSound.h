// DDirectSound: the sound output layer (device, looping buffers, notifications) over SDL2 audio.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "playback/dsounderror.h"
#include "playback/dsoundtypes.h"
#include "playback/notifyevents.h"

namespace quillon {

class TDirectSound;
class TDirectSoundBuffer;
class TSoundStream;

// Called on the main thread for each notification: the buffer and the index of its position.
using TDSNotifyEvent = std::function<void(TDirectSoundBuffer* sender, int32_t index)>;

// Waits for one buffer's position events and hands each to the main thread, one at a time,
// waiting until it has run.
class TNotifyThread {
 public:
  // The thread's waits cover the positions and one stop event.
  static constexpr int32_t kMaxWaitObjects = 64;

  // Raises EDirectSoundWrapperError for more than 63 positions, before the stream is touched;
  // then hands the positions to notify. The thread starts with Start.
  TNotifyThread(TDirectSoundBuffer* sender, const uint32_t* positions, int32_t count,
                TSoundStream* notify, TDSNotifyEvent handler);
  // Ends the thread; a notification not yet handled is dropped. Never waits for the main thread.
  ~TNotifyThread();
  TNotifyThread(const TNotifyThread&) = delete;
  TNotifyThread& operator=(const TNotifyThread&) = delete;

  void Start();
  // The index of the position whose event fired last, -1 before the first.
  int32_t FiredIndex() const;
  // Notification threads that exist in the process.
  static int LiveCount();

 private:
  struct TShared;
  void Execute();
  void HandOver(int32_t index);

  std::shared_ptr<TShared> shared_;
  TSoundStream* notify_;
  int32_t count_;
  std::thread thread_;
};

// One sound buffer of a device. A secondary buffer is a looping ring played through its own SDL
// device; the primary buffer only stands for the device's output and holds no audio.
class TDirectSoundBuffer {
 public:
  struct TLocked {
    void* ptr1 = nullptr;
    uint32_t bytes1 = 0;
    void* ptr2 = nullptr;
    uint32_t bytes2 = 0;
  };

  // Raises EDirectSoundError; a buffer that failed is not registered with owner.
  TDirectSoundBuffer(TDirectSound* owner, const TDSBufferDesc& description);
  ~TDirectSoundBuffer();
  TDirectSoundBuffer(const TDirectSoundBuffer&) = delete;
  TDirectSoundBuffer& operator=(const TDirectSoundBuffer&) = delete;

  uint32_t GetPlayPosition();
  // Also starts the counts of Played afresh.
  void SetPlayPosition(uint32_t offset);
  // Bytes played since the play position was set, and how many of them were silence in place
  // of bytes not written again since they last played.
  TPlayedBytes Played() const;
  // Every byte written plays once, silence when the cursor comes back to it unwritten. Off by
  // default.
  void SetPlayWritesOnce(bool on);
  // Hundredths of a decibel, DSBVOLUME_MIN to DSBVOLUME_MAX, applied as gain to what plays.
  void SetVolume(int32_t volume);
  int32_t Volume() const { return volume_; }
  // A region for writing; it reaches the ring at Unlock. bytes 0 with DSBLOCK_ENTIREBUFFER
  // locks everything. The second part is used when the region wraps.
  TLocked Lock(uint32_t offset, uint32_t bytes, uint32_t flags);
  void Unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2);
  void Play(uint32_t flags);
  void Stop();
  // Replaces the notification thread with one for these offsets (DSBPN_OFFSETSTOP: when the
  // buffer stops). At most 63; the buffer must be stopped.
  void SetNotificationPositions(int32_t count, const uint32_t* positions);
  // The same offsets raising events[i] instead, for a thread of the caller's that waits on them:
  // no notification thread, nothing handed to the main thread. Null events removes them.
  void SetNotificationEvents(int32_t count, const uint32_t* positions, TNotifyEvents* events);

  TDSNotifyEvent OnNotify;

  bool IsPrimary() const { return stream_ == nullptr; }
  bool HasNotify() const { return (flags_ & DSBCAPS_CTRLPOSITIONNOTIFY) != 0 && stream_; }
  bool HasNotifyThread() const { return notifyThread_ != nullptr; }
  std::vector<uint32_t> NotificationPositions() const;
  uint32_t Size() const { return size_; }
  // Buffers that exist in the process.
  static int LiveCount();

 private:
  TSoundStream& Stream();
  // Ends the notification thread, then raises for a buffer that has no notifications, is
  // playing, or is given bad offsets.
  void ReplaceNotifications(int32_t count, const uint32_t* positions);
  void HandleNotify(TDirectSoundBuffer* sender, int32_t index);

  TDirectSound* owner_;
  uint32_t flags_;
  uint32_t size_;
  int32_t volume_ = DSBVOLUME_MAX;
  std::unique_ptr<TSoundStream> stream_;
  // Locked regions are written here and reach the ring at Unlock, so that the callback never
  // reads a half-written region.
  std::vector<uint8_t> staging_;
  std::unique_ptr<TNotifyThread> notifyThread_;
};

// One sound output device and every buffer made on it; destroying it destroys them.
class TDirectSound {
 public:
  // deviceName: an SDL output device's name, null for the default device. Raises
  // EDirectSoundError (DSERR_NODRIVER) when no audio driver or device can be opened.
  explicit TDirectSound(const char* deviceName = nullptr, uint32_t primaryFlags = 0);
  ~TDirectSound();
  TDirectSound(const TDirectSound&) = delete;
  TDirectSound& operator=(const TDirectSound&) = delete;

  // Kept for callers that name their window; every buffer plays regardless of focus.
  void SetCooperativeLevel(void* window, uint32_t level);

  // A buffer owned by this device until DestroySoundBuffer or the device's destruction.
  TDirectSoundBuffer* CreateSoundBuffer(const TDSBufferDesc& description);
  void DestroySoundBuffer(TDirectSoundBuffer* buffer);

  TDirectSoundBuffer* PrimaryBuffer() const { return primary_; }
  const std::vector<TDirectSoundBuffer*>& Buffers() const { return buffers_; }
  const char* DeviceName() const { return deviceName_.empty() ? nullptr : deviceName_.c_str(); }

 private:
  friend class TDirectSoundBuffer;
  void Register(TDirectSoundBuffer* buffer);
  void Unregister(TDirectSoundBuffer* buffer);
  void DestroyBuffers();

  std::string deviceName_;
  std::vector<TDirectSoundBuffer*> buffers_;
  TDirectSoundBuffer* primary_ = nullptr;
};

}  // namespace quillon
