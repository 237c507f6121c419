// playunit: the player, which streams a range of the document through a DDirectSound buffer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "playback/DDirectSound.h"
#include "playback/dsoundtypes.h"

namespace quillon {

class Twavefile;

using TPlayProcess = std::function<void(int64_t index)>;
using TPlayStatus = std::function<void(bool action)>;

// Plays a range of the document's 16-bit samples. The range streams through a looping buffer of
// 16 segments of 50 ms; each segment is refilled from the document's store right after it has
// played. Every segment end reports the position and measures the level of what just played;
// playback stops by itself at the end of the range. All of it runs on the main thread.
class TPlayer {
 public:
  static constexpr uint32_t kSegments = 16;
  static constexpr int kMaxChannels = 8;
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
  // Makes count samples from start on (sample units: frame x channels + channel) ready to play:
  // a new buffer primed with the first 800 ms. format is 16-bit integer PCM with the document's
  // channels and rate. A buffer that cannot be made is reported with its format and raised.
  void Prepare(Twavefile* document, const TWaveFormatEx& format, int64_t startSample,
               int64_t sampleCount);
  void Start();
  // Stops; the buffer stays.
  void Stop();
  // Stops and destroys the buffer.
  void Release();
  // values[c]: channel c's level on the meter's scale, 1 (silence) to 127.
  void GetLevels(std::span<int16_t> values) const;

  TPlayProcess OnProcess;
  TPlayStatus OnStatus;
  bool Playing() const { return playing_; }

  uint32_t SegmentSize() const { return segmentSize_; }
  uint32_t BufferSize() const { return bufferSize_; }
  // The raw RMS level of channel c.
  int16_t Level(int channel) const { return levels_[channel]; }
  TDirectSoundBuffer* PlaybackBuffer() const { return buffer_; }
  TDirectSound& Device() { return *device_; }

 private:
  uint32_t Fill(uint32_t count);
  void Halt(bool release);
  void HandleNotify(int32_t index);
  void HandleSegmentEnd(int32_t index);
  void KeepPlayed(uint32_t delta);
  void SilenceSegment();
  void MeasureLevels(uint32_t bytes);

  std::vector<uint8_t> shadow_;
  std::vector<uint8_t> playedCopy_;
  int32_t volume_ = kDefaultVolume;
  Twavefile* document_ = nullptr;
  int64_t startSample_ = 0;
  int64_t readOffset_ = 0;
  int64_t rangeLength_ = 0;
  TWaveFormatEx format_{};
  uint32_t bufferSize_ = 0;
  uint32_t segmentSize_ = 0;
  uint32_t writeOffset_ = 0;
  int64_t played_ = 0;
  // Bytes that reached the device since Start; the reported position stops at the range's last
  // sample, this does not.
  int64_t streamed_ = 0;
  uint32_t lastPlayCursor_ = 0;
  bool finished_ = false;
  bool endOfData_ = false;
  std::array<int16_t, kMaxChannels> levels_{};
  bool bufferCreated_ = false;
  bool playing_ = false;
  std::unique_ptr<TDirectSound> device_;
  TDirectSoundBuffer* buffer_ = nullptr;
};

// The player for the editor: null, after telling the user once, when no device can be opened,
// so that the editor works on without playback. Takes the player PreparePlayer started, waiting
// for it if need be, or makes one now.
std::unique_ptr<TPlayer> CreatePlayer();
// Starts making the next player on a thread of its own, so that opening the sound device runs
// beside the rest of the window's start-up. Main thread only.
void PreparePlayer();

}  // namespace quillon
