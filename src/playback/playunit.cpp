#include "playback/playunit.h"

#include "platform/mainthread.h"

#include <algorithm>
#include <cmath>

#include "document/wavfile.h"
#include "platform/event.h"
#include "platform/eventreport.h"
#include "platform/messagebox.h"
#include "playback/playformat.h"

namespace quillon {

namespace {

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
  PrepareRing(document, format, startFrame, frameCount, nullptr);
}

void TPlayer::Prepare(Twavefile* document, const TWaveFormatEx& format,
                      std::shared_ptr<TFrameSource> source, int64_t frameCount) {
  if (!source) throw Exception("There is no audio to play.");
  PrepareRing(document, format, 0, frameCount, std::move(source));
}

void TPlayer::PrepareRing(Twavefile* document, const TWaveFormatEx& format, int64_t startFrame,
                          int64_t frameCount, std::shared_ptr<TFrameSource> source) {
  QUILLON_MAIN_THREAD_ONLY();
  Release();
  if (!document) throw Exception("There is no audio to play.");
  if (startFrame < 0 || frameCount < 0)
    throw Exception("The range to play does not lie within the audio.");
  document_ = document;
  format_ = format;
  levels_.fill(0);
  starvedFrames_ = 0;
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
  auto fill =
      std::make_unique<TRingFill>(document->State(), *buffer_, format_.nChannels, startFrame,
                                  frameCount, segmentFrames_, std::move(source));
  fill->Prime();
  fill_ = std::move(fill);
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
    StartRefills();
    ArmRing();
    buffer_->SetPlayPosition(0);
    buffer_->Play(DSBPLAY_LOOPING);
  } catch (...) {
    // Nothing plays: the document's worker must not wait for a stop that never comes.
    EndRefills();
    state_ = TState::Idle;
    PlaybackIdleEvent().Set();
    throw;
  }
  state_ = TState::Playing;
  if (OnStatus) OnStatus(true);
}

// The refill thread takes the primed ring; its reports reach this player on the main thread.
void TPlayer::StartRefills() {
  link_ = std::make_shared<TReportLink>();
  link_->player = this;
  refill_ =
      std::make_unique<TRefillThread>(std::move(fill_), [link = link_](TSegmentReport report) {
        MainThread().Post([link, report = std::move(report)] {
          QUILLON_MAIN_THREAD_ONLY();
          if (link->player) link->player->HandleReport(report);
        });
      });
  refill_->Start();
}

// Every segment end and the stop raise the refill thread's events.
void TPlayer::ArmRing() {
  uint32_t positions[kSegments + 1];
  for (uint32_t k = 1; k < kSegments; ++k) positions[k - 1] = SegmentSize() * k;
  positions[kSegments - 1] = BufferSize() - 1;
  positions[kSegments] = DSBPN_OFFSETSTOP;
  buffer_->SetNotificationEvents(kSegments + 1, positions, &refill_->Events());
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
  EndRefills();
  fill_.reset();
  if (release && buffer_) {
    device_->DestroySoundBuffer(buffer_);
    buffer_ = nullptr;
  }
  // A player that never had a document has nobody waiting for its stop.
  if (!document_) return;
  PlaybackIdleEvent().Set();
  // Last, so that a listener that prepares again finds the stop complete.
  if (OnStatus) OnStatus(false);
}

// After the buffer stopped: the ring raises nothing more, and the thread ends after the refill
// it may be doing, which writes to a stopped ring.
void TPlayer::EndRefills() {
  if (link_) link_->player = nullptr;
  link_.reset();
  if (!refill_) return;
  buffer_->SetNotificationEvents(0, nullptr, nullptr);
  refill_.reset();
}

void TPlayer::HandleReport(const TSegmentReport& report) {
  QUILLON_MAIN_THREAD_ONLY();
  starvedFrames_ += report.starvedFrames;
  if (!report.failure.empty()) return Fail(report.failure);
  if (report.ended || !document_->Loaded()) return Halt(false);
  if (report.measured) levels_ = report.levels;
  if (report.draining) state_ = TState::Draining;
  if (OnProcess) OnProcess(report.position);
}

// One failure is told once: playback does not go on failing every 50 ms.
void TPlayer::Fail(const std::string& text) {
  Halt(false);
  MessageBoxes().ShowException(text);
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
