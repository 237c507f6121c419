#include "playback/playunit.h"

#include "platform/mainthread.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "document/wavfile.h"
#include "platform/event.h"
#include "platform/eventreport.h"
#include "playback/playformat.h"

namespace quillon {

namespace {

constexpr int32_t kStopIndex = TPlayer::kSegments;
constexpr uint32_t kBufferFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS |
                                  DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_CTRLVOLUME;

void FreeBlock(std::vector<uint8_t>& block) {
  std::vector<uint8_t>().swap(block);
}

}  // namespace

TPlayer::TPlayer(const char* deviceName) : device_(std::make_unique<TDirectSound>(deviceName, 0)) {
  device_->SetCooperativeLevel(nullptr, DSSCL_NORMAL);
}

TPlayer::~TPlayer() {
  // The owner is going: it is not called back any more.
  OnStatus = nullptr;
  OnProcess = nullptr;
  Release();
  device_.reset();
}

void TPlayer::SetVolume(int32_t volume) {
  volume_ = std::clamp(volume, DSBVOLUME_MIN, DSBVOLUME_MAX);
  if (buffer_) buffer_->SetVolume(volume_);
}

void TPlayer::Prepare(Twavefile* document, const TWaveFormatEx& format, int64_t startSample,
                      int64_t sampleCount) {
  QUILLON_MAIN_THREAD_ONLY();
  Release();
  if (!document) throw Exception("There is no audio to play.");
  if (startSample < 0 || sampleCount < 0)
    throw Exception("The range to play does not lie within the audio.");
  document_ = document;
  startSample_ = startSample;
  format_ = format;
  readOffset_ = 0;
  rangeLength_ = sampleCount * 2;
  bufferCreated_ = true;
  levels_.fill(0);
  TWaveFormatExtensible playbackFormat = PlaybackFormat(format);
  segmentSize_ = SegmentBytes(playbackFormat.Format);
  bufferSize_ = kSegments * segmentSize_;
  shadow_.assign(bufferSize_, 0);
  playedCopy_.assign(bufferSize_, 0);

  TDSBufferDesc description;
  description.dwFlags = kBufferFlags;
  description.dwBufferBytes = bufferSize_;
  description.lpwfxFormat = &playbackFormat.Format;
  try {
    buffer_ = device_->CreateSoundBuffer(description);
  } catch (const Exception& error) {
    ReportEvent(std::string(error.what()) + " Format: " + FormatDescription(playbackFormat));
    throw;
  }
  buffer_->SetVolume(volume_);
  endOfData_ = false;
  writeOffset_ = 0;
  writeOffset_ = Fill(bufferSize_) % bufferSize_;
  played_ = 0;
  lastPlayCursor_ = 0;
  finished_ = false;
}

void TPlayer::Start() {
  QUILLON_MAIN_THREAD_ONLY();
  PlaybackIdleEvent().Reset();
  // After a stop the shadow ring is gone: only a new Prepare makes the buffer playable.
  if (!buffer_ || shadow_.empty()) {
    playing_ = false;
    PlaybackIdleEvent().Set();
    if (OnStatus) OnStatus(false);
    return;
  }
  try {
    uint32_t positions[kSegments + 1];
    for (uint32_t k = 1; k < kSegments; ++k) positions[k - 1] = segmentSize_ * k;
    positions[kSegments - 1] = kSegments * segmentSize_ - 1;
    positions[kSegments] = DSBPN_OFFSETSTOP;
    buffer_->OnNotify = [this](TDirectSoundBuffer*, int32_t index) { HandleNotify(index); };
    buffer_->SetNotificationPositions(kSegments + 1, positions);
    buffer_->SetPlayPosition(0);
    finished_ = false;
    streamed_ = 0;
    buffer_->Play(DSBPLAY_LOOPING);
  } catch (...) {
    // Nothing plays: the document's worker must not wait for a stop that never comes.
    PlaybackIdleEvent().Set();
    throw;
  }
  playing_ = true;
  if (OnStatus) OnStatus(true);
}

void TPlayer::Stop() {
  Halt(false);
}

void TPlayer::Release() {
  Halt(true);
}

void TPlayer::Halt(bool release) {
  QUILLON_MAIN_THREAD_ONLY();
  if (playing_) {
    playing_ = false;
    buffer_->Stop();
  }
  if (release) {
    if (bufferCreated_) {
      if (buffer_) device_->DestroySoundBuffer(buffer_);
      buffer_ = nullptr;
      bufferCreated_ = false;
    }
  } else {
    readOffset_ = 0;
    endOfData_ = false;
    writeOffset_ = 0;
    finished_ = false;
  }
  FreeBlock(shadow_);
  FreeBlock(playedCopy_);
  if (document_) PlaybackIdleEvent().Set();
  // Last, so that a listener that prepares again finds the stop complete.
  if (OnStatus && document_) OnStatus(playing_);
}

uint32_t TPlayer::Fill(uint32_t count) {
  TDirectSoundBuffer::TLocked locked = buffer_->Lock(writeOffset_, count, 0);
  auto* data = static_cast<uint8_t*>(locked.ptr1);
  uint32_t bytes = locked.bytes1;
  int64_t take = std::clamp<int64_t>(rangeLength_ - readOffset_, 0, bytes);
  try {
    // Zero first: a range past the store's end plays silence there, not what the ring held.
    std::memset(data, 0, bytes);
    const TStoreWindow* store = document_->Samples();
    int64_t first = startSample_ + readOffset_ / 2;
    int64_t last = std::min<int64_t>(first + take / 2 - 1, std::numeric_limits<uint32_t>::max());
    if (store && take >= 2 && first <= last)
      store->ReadSamples(reinterpret_cast<int16_t*>(data), static_cast<uint32_t>(first),
                         static_cast<uint32_t>(last));
  } catch (...) {
    buffer_->Unlock(data, bytes, nullptr, 0);
    throw;
  }
  std::memcpy(shadow_.data() + writeOffset_, data, bytes);
  readOffset_ += take;
  if (take < bytes) endOfData_ = true;
  buffer_->Unlock(data, bytes, nullptr, 0);
  return bytes;
}

void TPlayer::HandleNotify(int32_t index) {
  QUILLON_MAIN_THREAD_ONLY();
  try {
    HandleSegmentEnd(index);
  } catch (...) {
    // One failure is told once: playback does not go on failing every 50 ms.
    if (playing_) Halt(false);
    throw;
  }
}

void TPlayer::HandleSegmentEnd(int32_t index) {
  if (!playing_) return;
  if (!document_->Loaded() || shadow_.empty()) {
    Halt(false);
    return;
  }
  uint32_t play = buffer_->GetPlayPosition();
  uint32_t delta =
      play >= lastPlayCursor_ ? play - lastPlayCursor_ : bufferSize_ - lastPlayCursor_ + play;
  // Finished, the stop waits until the device has been handed the range's last byte: a
  // notification may arrive with the cursor short of where the one before it stood.
  if (finished_ && streamed_ + delta >= rangeLength_) {
    Halt(false);
    return;
  }
  if (index != kStopIndex) KeepPlayed(delta);
  played_ += delta;
  streamed_ += delta;
  lastPlayCursor_ = play;
  if (index == kStopIndex) {
    finished_ = true;
    Halt(false);
    return;
  }
  MeasureLevels(delta);
  if (!endOfData_) {
    writeOffset_ += Fill(segmentSize_);
    if (writeOffset_ >= bufferSize_) writeOffset_ -= bufferSize_;
  } else {
    SilenceSegment();
    if ((rangeLength_ > segmentSize_ && played_ >= rangeLength_ - segmentSize_) ||
        played_ >= rangeLength_) {
      finished_ = true;
      played_ = rangeLength_ - 2;
    }
  }
  if (played_ < 0) played_ = 0;
  if (OnProcess) OnProcess(played_);
}

void TPlayer::KeepPlayed(uint32_t delta) {
  uint32_t first = std::min(delta, bufferSize_ - lastPlayCursor_);
  std::memcpy(playedCopy_.data(), shadow_.data() + lastPlayCursor_, first);
  std::memcpy(playedCopy_.data() + first, shadow_.data(), delta - first);
}

void TPlayer::SilenceSegment() {
  TDirectSoundBuffer::TLocked locked = buffer_->Lock(writeOffset_, segmentSize_, 0);
  std::memset(locked.ptr1, 0, locked.bytes1);
  std::memset(shadow_.data() + writeOffset_, 0, locked.bytes1);
  buffer_->Unlock(locked.ptr1, locked.bytes1, nullptr, 0);
}

void TPlayer::MeasureLevels(uint32_t bytes) {
  int channels = std::min<int>(format_.nChannels, kMaxChannels);
  levels_.fill(0);
  if (channels <= 0) return;
  int64_t frames = bytes / (format_.nChannels * 2);
  if (frames <= 0) return;
  double sums[kMaxChannels] = {};
  const uint8_t* data = playedCopy_.data();
  for (int64_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      int16_t sample;
      std::memcpy(&sample, data + 2 * (f * format_.nChannels + c), 2);
      sums[c] += static_cast<double>(sample) * sample;
    }
  }
  for (int c = 0; c < channels; ++c)
    levels_[c] = static_cast<int16_t>(std::sqrt(sums[c] / static_cast<double>(frames)));
}

void TPlayer::GetLevels(std::span<int16_t> values) const {
  size_t channels = std::min<size_t>({values.size(), format_.nChannels, kMaxChannels});
  for (size_t c = 0; c < channels; ++c) {
    long double db = levels_[c] > 0
                         ? 20.0L * std::log10(static_cast<long double>(levels_[c]) / 32768.0L)
                         : -90.0L;
    values[c] = static_cast<int16_t>(db * 127.0L / 90.0L + 128.0L);
  }
}

}  // namespace quillon
