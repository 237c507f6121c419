// playunit: the player, which streams a range of the document through a DDirectSound buffer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/subscription.h"
#include "platform/threadsafety.h"
#include "playback/DDirectSound.h"
#include "playback/dsoundtypes.h"
#include "playback/framesource.h"
#include "playback/refillthread.h"
#include "playback/ringfill.h"

namespace quillon {

class Twavefile;

// The frame at the play cursor, counted from the range's first frame.
using TPlayProcess = std::function<void(int64_t frame)>;
using TPlayStatus = std::function<void(bool action)>;

// Plays a range of the document's 16-bit frames. The range streams through a looping buffer of
// 16 segments of 50 ms; each segment is refilled right after it has played, by a refill thread
// of the player's own, from the document's store while the range lasts and with silence after
// it. Every segment end measures the level of what just played and reports the position: the
// refill thread posts it to the main thread, where everything else runs. A main thread held up
// for longer than the ring lasts therefore neither stops the sound nor repeats it; its reports
// arrive late, in order.
//
// Everything inside counts frames; bytes appear only where the ring buffer is written and its
// cursor read. The player moves between these states:
//   Idle     --Prepare-->  Ready --Start--> Playing --a segment or less to go--> Draining
//   Draining --the device passed the range's end--> Idle
//   any      --Stop, Release, a failure, the document unloaded, the buffer stopped--> Idle
class TPlayer {
 public:
  enum class TState {
    Idle,      // nothing to play until the next Prepare
    Ready,     // a buffer primed with the range's first frames, waiting for Start
    Playing,   // the device plays; positions are reported as the cursor moves
    Draining,  // the range's last frame is reported; the stop waits for the device to pass it
  };

  static constexpr uint32_t kSegments = TRingFill::kSegments;
  static constexpr int kMaxChannels = kMaxPlayChannels;
  static constexpr int32_t kDefaultVolume = -9000;

  // Opens the device (null: the default one). Raises EDirectSoundError when it cannot.
  explicit TPlayer(const char* deviceName = nullptr);
  ~TPlayer();
  TPlayer(const TPlayer&) = delete;
  TPlayer& operator=(const TPlayer&) = delete;

  // Hundredths of a decibel, -10000 to 0; applied at once when a buffer exists and by every
  // later Prepare.
  void SetVolume(int32_t volume);
  int32_t Volume() const { return volume_; }
  // Makes frameCount frames from startFrame on ready to play: a new buffer primed with the first
  // 800 ms of the document's installed state, which the player holds until it stops. format is
  // 16-bit integer PCM with the document's channels and rate. A buffer that cannot be made is
  // reported with its format and raised; a failure leaves the player Idle.
  void Prepare(Twavefile* document, const TWaveFormatEx& format, int64_t startFrame,
               int64_t frameCount);
  // As Prepare, with frameCount frames of source in place of the document's store; the
  // positions reported count the source's frames.
  void Prepare(Twavefile* document, const TWaveFormatEx& format,
               std::shared_ptr<TFrameSource> source, int64_t frameCount);
  // Plays what Prepare made ready; in any other state reports OnStatus(false) and plays nothing.
  // While playing it changes nothing.
  void Start();
  // Stops; the buffer stays.
  void Stop();
  // Stops and destroys the buffer.
  void Release();
  // values[c]: channel c's level on the meter's scale, 1 (silence) to 127.
  void GetLevels(std::span<int16_t> values) const;

  TPlayProcess OnProcess;
  TPlayStatus OnStatus;
  TState State() const { return state_; }
  bool Playing() const { return state_ == TState::Playing || state_ == TState::Draining; }

  uint32_t SegmentSize() const { return segmentFrames_ * FrameBytes(); }
  uint32_t BufferSize() const { return kSegments * SegmentSize(); }
  // Frames that played as silence since the last Prepare because the refills fell behind.
  int64_t StarvedFrames() const { return starvedFrames_; }
  // The raw RMS level of channel c.
  int16_t Level(int channel) const { return levels_[channel]; }
  TDirectSoundBuffer* PlaybackBuffer() const { return buffer_; }
  TDirectSound& Device() { return *device_; }

 private:
  // Where the refill thread's reports go: to this player until it stops, then nowhere. One per
  // start, so that a report posted before a stop never reaches the next playback.
  struct TReportLink {
    TPlayer* player QUILLON_GUARDED_BY(mainThreadRole) = nullptr;
  };

  uint32_t FrameBytes() const { return format_.nChannels * sizeof(int16_t); }
  void PrepareRing(Twavefile* document, const TWaveFormatEx& format, int64_t startFrame,
                   int64_t frameCount, std::shared_ptr<TFrameSource> source);
  void ArmRing();
  void StartRefills() QUILLON_REQUIRES(mainThreadRole);
  void Halt(bool release);
  void EndRefills() QUILLON_REQUIRES(mainThreadRole);
  void HandleReport(const TSegmentReport& report) QUILLON_REQUIRES(mainThreadRole);
  void Fail(const std::string& text);

  TState state_ = TState::Idle;
  int32_t volume_ = kDefaultVolume;
  Twavefile* document_ = nullptr;
  TWaveFormatEx format_{};
  uint32_t segmentFrames_ = 0;
  std::array<int16_t, kMaxChannels> levels_{};
  int64_t starvedFrames_ = 0;
  std::unique_ptr<TDirectSound> device_;
  TDirectSoundBuffer* buffer_ = nullptr;
  // Primed by Prepare, handed to the refill thread by Start.
  std::unique_ptr<TRingFill> fill_;
  std::unique_ptr<TRefillThread> refill_;
  std::shared_ptr<TReportLink> link_;
};

// The player for the editor: null, after telling the user once, when no device can be opened,
// so that the editor works on without playback. Takes the player PreparePlayer started, waiting
// for it if need be, or makes one now.
std::unique_ptr<TPlayer> CreatePlayer();
// Starts making the next player on a thread of its own, so that opening the sound device runs
// beside the user's first moments in the window. Main thread only.
void PreparePlayer();
// Whether a player PreparePlayer started waits to be taken; whether it is ready to be taken
// without waiting. Main thread only.
bool PlayerPreparing();
bool PreparedPlayerReady();
// Raised on the main thread once the player PreparePlayer started is ready to be taken, or has
// failed to open.
TSignal<>& PlayerPreparedEvent();
// Waits for a player PreparePlayer started and closes it, failure or not, telling nobody: for a
// window that goes before it took its player.
void DiscardPreparedPlayer();
// A test seam: run on the opening thread before each device that PreparePlayer opens; none by
// default.
void SetPlayerOpeningHook(std::function<void()> hook);

}  // namespace quillon
