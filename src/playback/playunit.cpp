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

void TPlayer::Prepare(Twavefile* document, const TWaveFormatEx& format, int64_t startFrame,
                      int64_t frameCount) {
  QUILLON_MAIN_THREAD_ONLY();
  Release();
  if (!document) throw Exception("There is no audio to play.");
  if (startFrame < 0 || frameCount < 0)
    throw Exception("The range to play does not lie within the audio.");
  document_ = document;
  format_ = format;
  startFrame_ = startFrame;
  rangeFrames_ = frameCount;
  levels_.fill(0);
  TWaveFormatExtensible playbackFormat = PlaybackFormat(format);
  TDSBufferDesc description;
  description.dwFlags = kBufferFlags;
  description.dwBufferBytes = kSegments * SegmentBytes(playbackFormat.Format);
  description.lpwfxFormat = &playbackFormat.Format;
  try {
    buffer_ = device_->CreateSoundBuffer(description);
  } catch (const Exception& error) {
    ReportEvent(std::string(error.what()) + " Format: " + FormatDescription(playbackFormat));
    throw;
  }
  // Only a buffer that was made has a whole number of frames per segment.
  segmentFrames_ = description.dwBufferBytes / kSegments / FrameBytes();
  buffer_->SetVolume(volume_);
  shadow_.assign(size_t{RingFrames()} * format_.nChannels, 0);
  queuedFrames_ = 0;
  nextSegment_ = 0;
  Queue(0, RingFrames());
  state_ = TState::Ready;
}

void TPlayer::Start() {
  QUILLON_MAIN_THREAD_ONLY();
  if (Playing()) return;
  PlaybackIdleEvent().Reset();
  if (state_ != TState::Ready) {
    PlaybackIdleEvent().Set();
    if (OnStatus) OnStatus(false);
    return;
  }
  try {
    uint32_t positions[kSegments + 1];
    for (uint32_t k = 1; k < kSegments; ++k) positions[k - 1] = SegmentSize() * k;
    positions[kSegments - 1] = BufferSize() - 1;
    positions[kSegments] = DSBPN_OFFSETSTOP;
    buffer_->OnNotify = [this](TDirectSoundBuffer*, int32_t index) { HandleNotify(index); };
    buffer_->SetNotificationPositions(kSegments + 1, positions);
    buffer_->SetPlayPosition(0);
    buffer_->Play(DSBPLAY_LOOPING);
  } catch (...) {
    // Nothing plays: the document's worker must not wait for a stop that never comes.
    PlaybackIdleEvent().Set();
    throw;
  }
  playedFrames_ = 0;
  lastCursor_ = 0;
  state_ = TState::Playing;
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
  const bool wasPlaying = Playing();
  state_ = TState::Idle;
  if (wasPlaying) buffer_->Stop();
  if (release && buffer_) {
    device_->DestroySoundBuffer(buffer_);
    buffer_ = nullptr;
  }
  std::vector<int16_t>().swap(shadow_);
  // A player that never had a document has nobody waiting for its stop.
  if (!document_) return;
  PlaybackIdleEvent().Set();
  // Last, so that a listener that prepares again finds the stop complete.
  if (OnStatus) OnStatus(false);
}

void TPlayer::HandleNotify(int32_t index) {
  QUILLON_MAIN_THREAD_ONLY();
  // A notification queued before a stop.
  if (!Playing()) return;
  try {
    HandleSegmentEnd(index);
  } catch (...) {
    // One failure is told once: playback does not go on failing every 50 ms.
    if (Playing()) Halt(false);
    throw;
  }
}

void TPlayer::HandleSegmentEnd(int32_t index) {
  if (index == kStopIndex || !document_->Loaded()) {
    Halt(false);
    return;
  }
  const uint32_t cursor = CursorFrame();
  const uint32_t moved = (cursor + RingFrames() - lastCursor_) % RingFrames();
  // Not before the device has been handed the range's last frame: a late notification may
  // have reported the end with a whole segment still to play.
  if (state_ == TState::Draining && playedFrames_ + moved >= rangeFrames_) {
    Halt(false);
    return;
  }
  MeasureLevels(lastCursor_, moved);
  playedFrames_ += moved;
  lastCursor_ = cursor;
  RefillSegment();
  if (state_ == TState::Playing && rangeFrames_ - playedFrames_ <= segmentFrames_) BeginDraining();
  // The notification that stops reports nothing: draining shows the range's last frame at once.
  const int64_t position =
      state_ == TState::Draining ? std::max<int64_t>(rangeFrames_ - 1, 0) : playedFrames_;
  if (OnProcess) OnProcess(position);
}

// A segment or less is left: the next notification may come after the range's end.
void TPlayer::BeginDraining() {
  state_ = TState::Draining;
}

// Refills the segment that has just played.
void TPlayer::RefillSegment() {
  Queue(nextSegment_ * segmentFrames_, segmentFrames_);
  nextSegment_ = (nextSegment_ + 1) % kSegments;
}

// Writes the range's next frames, silence past its end, to frames of the ring.
void TPlayer::Queue(uint32_t ringFrame, uint32_t frames) {
  int16_t* dest = shadow_.data() + size_t{ringFrame} * format_.nChannels;
  std::fill_n(dest, size_t{frames} * format_.nChannels, int16_t{0});
  const int64_t take = std::clamp<int64_t>(rangeFrames_ - queuedFrames_, 0, frames);
  ReadRange(dest, take);
  queuedFrames_ += take;
  CopyToRing(ringFrame, frames);
}

// The next frames of the range; a part past the store's end stays silent.
void TPlayer::ReadRange(int16_t* dest, int64_t frames) {
  const TStoreWindow* store = document_->Samples();
  const int64_t channels = format_.nChannels;
  const int64_t first = (startFrame_ + queuedFrames_) * channels;
  const int64_t last =
      std::min<int64_t>(first + frames * channels - 1, std::numeric_limits<uint32_t>::max());
  if (store && frames > 0 && first <= last)
    store->ReadSamples(dest, static_cast<uint32_t>(first), static_cast<uint32_t>(last));
}

// The buffer's edge, where frames become bytes. Segments and the whole ring never wrap.
void TPlayer::CopyToRing(uint32_t ringFrame, uint32_t frames) {
  TDirectSoundBuffer::TLocked locked =
      buffer_->Lock(ringFrame * FrameBytes(), frames * FrameBytes(), 0);
  std::memcpy(locked.ptr1, shadow_.data() + size_t{ringFrame} * format_.nChannels, locked.bytes1);
  buffer_->Unlock(locked.ptr1, locked.bytes1, nullptr, 0);
}

uint32_t TPlayer::CursorFrame() const {
  return buffer_->GetPlayPosition() / FrameBytes();
}

void TPlayer::MeasureLevels(uint32_t ringFrame, uint32_t frames) {
  // Two segment ends handled together find the cursor unmoved at the second: nothing new played,
  // and the meter shows what did.
  if (frames == 0) return;
  const int channels = std::min<int>(format_.nChannels, kMaxChannels);
  levels_.fill(0);
  double sums[kMaxChannels] = {};
  uint32_t at = ringFrame;
  for (uint32_t f = 0; f < frames; ++f) {
    const int16_t* frame = shadow_.data() + size_t{at} * format_.nChannels;
    for (int c = 0; c < channels; ++c) sums[c] += static_cast<double>(frame[c]) * frame[c];
    if (++at == RingFrames()) at = 0;
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
