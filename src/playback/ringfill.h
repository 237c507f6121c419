// ringfill: a range of the document streamed through a looping ring, segment by segment.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/audiostate.h"
#include "playback/dsoundtypes.h"
#include "playback/framesource.h"

namespace quillon {

class TDirectSoundBuffer;

inline constexpr int kMaxPlayChannels = 8;

// What one segment end tells the player's owner.
struct TSegmentReport {
  // The frame at the play cursor, counted from the range's first frame; the range's last frame
  // once draining.
  int64_t position = 0;
  // A segment or less of the range is left to play.
  bool draining = false;
  // The device has passed the range's last frame: nothing more is reported.
  bool ended = false;
  // The raw RMS level per channel of what played since the previous report; measured false
  // when nothing new played.
  bool measured = false;
  std::array<int16_t, kMaxPlayChannels> levels{};
  // Frames that played as silence since the previous report because the refills fell behind
  // the device.
  int64_t starvedFrames = 0;
  // Why the range cannot be read on; the ring plays silence from then on.
  std::string failure;
};

// Keeps a ring of segments filled with a range of a state's 16-bit frames, silence past the
// range's end (and past the store's), and measures what played from a copy of what the ring
// holds. Every frame written plays once: refills that fall behind the device leave silence
// (counted in the reports) and go on with the range's next frames, never old ones. Holds the state,
// so that an edit or undo that installs another one cannot free the store under it. Used by one
// thread at a time: the main thread primes it, the refill thread takes it from the first segment
// end on.
class TRingFill {
 public:
  static constexpr uint32_t kSegments = 16;

  // With a source, the range's frames are the source's, from its first on.
  TRingFill(std::shared_ptr<const TAudioState> state, TDirectSoundBuffer& buffer, uint16_t channels,
            int64_t startFrame, int64_t rangeFrames, uint32_t segmentFrames,
            std::shared_ptr<TFrameSource> source = nullptr);

  // Writes the range's first frames to the whole ring. Raises what the store's read raises. A
  // source is read on the refill thread alone: its ring starts silent, and the first segment
  // end queues the source's first frames after the segment playing then.
  void Prime();
  // The device has passed a segment's end: measures what played, refills the segment that has
  // just played and tells where the cursor is. A read that fails is reported once and silences
  // the rest.
  TSegmentReport SegmentEnded();

 private:
  uint32_t RingFrames() const { return kSegments * segmentFrames_; }
  uint32_t FrameBytes() const { return channels_ * sizeof(int16_t); }
  uint32_t LastCursorFrame() const;
  void RefillSegment(uint64_t cursorSegment, TSegmentReport& report);
  void FollowSource(uint64_t cursorSegment, int64_t cursorFrame);
  void QueueSourceAhead(uint64_t cursorSegment, int64_t cursorFrame);
  void RequeueAhead(uint64_t cursorSegment);
  uint32_t SegmentsAfterPlaying(uint64_t cursorSegment) const;
  void QueueSegments(uint64_t first, uint32_t count);
  void Queue(uint32_t ringFrame, uint32_t frames);
  void ReadRange(int16_t* dest, int64_t frames);
  void CopyToRing(uint32_t ringFrame, uint32_t frames);
  void MeasureLevels(uint32_t ringFrame, uint32_t frames, TSegmentReport& report) const;

  std::shared_ptr<const TAudioState> state_;
  std::shared_ptr<TFrameSource> source_;
  TDirectSoundBuffer& buffer_;
  uint16_t channels_;
  int64_t startFrame_;
  int64_t rangeFrames_;
  uint32_t segmentFrames_;
  // Frames of the range written to the ring so far.
  int64_t queuedFrames_ = 0;
  // Frames of the ring that have played as written since the start; unlike the reported
  // position it runs on past the range's end.
  int64_t playedFrames_ = 0;
  // The segment that the next refill writes, counted from the start of playback over every
  // lap of the ring; Prime writes the first kSegments.
  uint64_t nextSegment_ = 0;
  // What the device had played at the last segment end.
  TPlayedBytes lastPlayed_;
  bool draining_ = false;
  // A source's first frames wait for the first segment end.
  bool awaitingSource_ = false;
  bool ended_ = false;
  // A read failed: only silence from then on.
  bool silenced_ = false;
  // What the ring holds, interleaved, so that the levels are measured from what played.
  std::vector<int16_t> shadow_;
};

}  // namespace quillon
