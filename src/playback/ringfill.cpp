#include "playback/ringfill.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "playback/DDirectSound.h"

namespace quillon {

TRingFill::TRingFill(std::shared_ptr<const TAudioState> state, TDirectSoundBuffer& buffer,
                     uint16_t channels, int64_t startFrame, int64_t rangeFrames,
                     uint32_t segmentFrames, std::shared_ptr<TFrameSource> source)
    : state_(std::move(state)),
      source_(std::move(source)),
      buffer_(buffer),
      channels_(channels),
      startFrame_(startFrame),
      rangeFrames_(rangeFrames),
      segmentFrames_(segmentFrames),
      shadow_(size_t{kSegments} * segmentFrames * channels, 0) {}

void TRingFill::Prime() {
  buffer_.SetPlayWritesOnce(true);
  queuedFrames_ = 0;
  nextSegment_ = kSegments;
  awaitingSource_ = source_ != nullptr;
  if (awaitingSource_) {
    std::fill(shadow_.begin(), shadow_.end(), int16_t{0});
    return CopyToRing(0, RingFrames());
  }
  Queue(0, RingFrames());
}

TSegmentReport TRingFill::SegmentEnded() {
  TSegmentReport report;
  const TPlayedBytes played = buffer_.Played();
  const int64_t moved = static_cast<int64_t>((played.bytes - lastPlayed_.bytes) / FrameBytes());
  report.starvedFrames =
      static_cast<int64_t>((played.silenced - lastPlayed_.silenced) / FrameBytes());
  // Frames of the ring that played as written; a starved stretch played silence instead.
  const int64_t fresh = moved - report.starvedFrames;
  // Not before the device has been handed the range's last frame: a late notification may
  // have reported the end with a whole segment still to play.
  if (draining_ && playedFrames_ + fresh >= rangeFrames_) ended_ = true;
  if (!ended_)
    MeasureLevels(LastCursorFrame(), static_cast<uint32_t>(std::min<int64_t>(moved, RingFrames())),
                  report);
  playedFrames_ += fresh;
  lastPlayed_ = played;
  const int64_t cursorFrame = static_cast<int64_t>(played.bytes / FrameBytes());
  const uint64_t cursorSegment = static_cast<uint64_t>(cursorFrame) / segmentFrames_;
  if (source_ && !silenced_) FollowSource(cursorSegment, cursorFrame);
  // Past the end too: the ring loops on until its owner stops it, and must not play the range
  // a second time meanwhile.
  RefillSegment(cursorSegment, report);
  report.ended = ended_;
  if (!draining_ && rangeFrames_ - playedFrames_ <= segmentFrames_) draining_ = true;
  report.draining = draining_;
  report.position = draining_ ? std::max<int64_t>(rangeFrames_ - 1, 0) : playedFrames_;
  return report;
}

uint32_t TRingFill::LastCursorFrame() const {
  return static_cast<uint32_t>(lastPlayed_.bytes / FrameBytes() % RingFrames());
}

// Refills the next segment in the range's order, counted from the start of playback, when it
// lies ahead of the cursor's segment and its ring place has played.
void TRingFill::RefillSegment(uint64_t cursorSegment, TSegmentReport& report) {
  // The cursor caught up with the refills and played silence: the range goes on after the
  // cursor, so that what plays next is what was due next.
  if (nextSegment_ <= cursorSegment) nextSegment_ = cursorSegment + 1;
  // Every place ahead of the cursor holds frames still to play.
  if (nextSegment_ >= cursorSegment + kSegments) return;
  const uint32_t ringFrame = static_cast<uint32_t>(nextSegment_ % kSegments) * segmentFrames_;
  ++nextSegment_;
  try {
    Queue(ringFrame, segmentFrames_);
  } catch (const std::exception& error) {
    // What the segment held has played: silence rather than that again.
    silenced_ = true;
    report.failure = error.what();
    Queue(ringFrame, segmentFrames_);
  }
}

void TRingFill::FollowSource(uint64_t cursorSegment, int64_t cursorFrame) {
  if (awaitingSource_) return QueueSourceAhead(cursorSegment, cursorFrame);
  if (source_->TakeChange()) RequeueAhead(cursorSegment);
}

// The segments written after the one the cursor plays, counted over every lap of the ring.
uint32_t TRingFill::SegmentsAfterPlaying(uint64_t cursorSegment) const {
  return nextSegment_ > cursorSegment + 1 ? static_cast<uint32_t>(nextSegment_ - cursorSegment - 1)
                                          : 0;
}

void TRingFill::QueueSegments(uint64_t first, uint32_t count) {
  for (uint32_t k = 0; k < count; ++k)
    Queue(static_cast<uint32_t>((first + k) % kSegments) * segmentFrames_, segmentFrames_);
}

// The source's first frame plays once the segment playing now has: what played before it was
// silence and does not count.
void TRingFill::QueueSourceAhead(uint64_t cursorSegment, int64_t cursorFrame) {
  awaitingSource_ = false;
  source_->TakeChange();
  const uint64_t first = cursorSegment + 1;
  playedFrames_ = cursorFrame - static_cast<int64_t>(first * segmentFrames_);
  QueueSegments(first, SegmentsAfterPlaying(cursorSegment));
}

// The source changed: the segments queued after the one playing now are written again, so that
// the change is heard once that one has played. Only while the ring holds the range unbroken.
void TRingFill::RequeueAhead(uint64_t cursorSegment) {
  const uint32_t ahead = SegmentsAfterPlaying(cursorSegment);
  const int64_t aheadFrames = int64_t{ahead} * segmentFrames_;
  if (queuedFrames_ >= rangeFrames_ || queuedFrames_ < aheadFrames) return;
  queuedFrames_ -= aheadFrames;
  QueueSegments(cursorSegment + 1, ahead);
}

// Writes the range's next frames, silence past its end, to frames of the ring.
void TRingFill::Queue(uint32_t ringFrame, uint32_t frames) {
  int16_t* dest = shadow_.data() + size_t{ringFrame} * channels_;
  std::fill_n(dest, size_t{frames} * channels_, int16_t{0});
  const int64_t take = silenced_ ? 0 : std::clamp<int64_t>(rangeFrames_ - queuedFrames_, 0, frames);
  ReadRange(dest, take);
  queuedFrames_ += take;
  CopyToRing(ringFrame, frames);
}

// The next frames of the range; a part past the store's end stays silent.
void TRingFill::ReadRange(int16_t* dest, int64_t frames) {
  if (source_) {
    if (frames > 0) source_->Read(dest, queuedFrames_, frames);
    return;
  }
  const TLargeFile* store = state_ ? state_->samples.get() : nullptr;
  const int64_t first = (startFrame_ + queuedFrames_) * channels_;
  const int64_t last =
      std::min<int64_t>(first + frames * channels_ - 1, std::numeric_limits<uint32_t>::max());
  if (store && frames > 0 && first <= last)
    store->ReadSamples(dest, static_cast<uint32_t>(first), static_cast<uint32_t>(last));
}

// The buffer's edge, where frames become bytes. Segments and the whole ring never wrap.
void TRingFill::CopyToRing(uint32_t ringFrame, uint32_t frames) {
  TDirectSoundBuffer::TLocked locked =
      buffer_.Lock(ringFrame * FrameBytes(), frames * FrameBytes(), 0);
  std::memcpy(locked.ptr1, shadow_.data() + size_t{ringFrame} * channels_, locked.bytes1);
  buffer_.Unlock(locked.ptr1, locked.bytes1, nullptr, 0);
}

void TRingFill::MeasureLevels(uint32_t ringFrame, uint32_t frames, TSegmentReport& report) const {
  // Two segment ends handled together find the cursor unmoved at the second: nothing new played,
  // and the meter shows what did.
  if (frames == 0) return;
  const int channels = std::min<int>(channels_, kMaxPlayChannels);
  double sums[kMaxPlayChannels] = {};
  uint32_t at = ringFrame;
  for (uint32_t f = 0; f < frames; ++f) {
    const int16_t* frame = shadow_.data() + size_t{at} * channels_;
    for (int c = 0; c < channels; ++c) sums[c] += static_cast<double>(frame[c]) * frame[c];
    if (++at == RingFrames()) at = 0;
  }
  for (int c = 0; c < channels; ++c)
    report.levels[c] = static_cast<int16_t>(std::sqrt(sums[c] / static_cast<double>(frames)));
  report.measured = true;
}

}  // namespace quillon
