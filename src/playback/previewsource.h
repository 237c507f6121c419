// previewsource: parts of the document played one after another, once or looped, through an
// effect that may change while they play.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/annotatedmutex.h"
#include "playback/framesource.h"
#include "playback/previeweffect.h"

namespace quillon {

struct TAudioState;
class TRateRoundTrip;

// A part of the document's frames.
struct TPlayPiece {
  int64_t first = 0;
  int64_t frames = 0;
};

// Plays pieces of one state of the document in order: a selection looped through an effect, a
// loop of the selection, or what lies either side of a selection, skipping it. The refill
// thread reads it ahead of the play cursor, so the effect is computed there, never on the
// audio callback nor on the main thread; the main thread changes the effect or the bypass, and
// the next segment end has the frames queued ahead read again, so that a change is heard
// after the segment playing now. Holds the state, so that an edit cannot free the store.
class TPreviewSource : public TFrameSource {
 public:
  // Pieces past the store's end are cut to it; empty ones are dropped.
  TPreviewSource(std::shared_ptr<const TAudioState> state, std::vector<TPlayPiece> pieces,
                 bool looped);
  ~TPreviewSource() override;

  // The frames of one pass through the pieces.
  int64_t PassFrames() const { return passFrames_; }
  // The frames the player is to play: one pass, or, looped, more than anyone listens to.
  int64_t PlayFrames() const;

  void SetEffect(TPreviewEffect effect) QUILLON_EXCLUDES(mutex_);
  // The original frames instead of the effect's; the effect stays set.
  void SetBypass(bool bypass) QUILLON_EXCLUDES(mutex_);
  bool Bypassed() const QUILLON_EXCLUDES(mutex_);

  void Read(int16_t* dest, int64_t at, int64_t frames) override QUILLON_EXCLUDES(mutex_);
  bool TakeChange() override;
  int64_t DocumentFrame(int64_t at) const override;

 private:
  // Frames from at on through a per-sample effect, across the passes' ends when looped.
  void ReadPasses(int16_t* dest, int64_t at, int64_t frames, const TPreviewEffect& effect) const;
  void ReadRoundTrip(int16_t* dest, int64_t at, int64_t frames, uint32_t through);
  // One pass's frames from at on, without crossing its end.
  void ReadPass(int16_t* dest, int64_t at, int64_t frames) const;
  void ReadStore(int16_t* dest, int64_t documentFrame, int64_t frames) const;

  std::shared_ptr<const TAudioState> state_;
  uint16_t channels_;
  std::vector<TPlayPiece> pieces_;
  bool looped_;
  int64_t passFrames_ = 0;
  mutable TMutex mutex_;
  TPreviewEffect effect_ QUILLON_GUARDED_BY(mutex_);
  bool bypass_ QUILLON_GUARDED_BY(mutex_) = false;
  std::atomic<bool> changed_{false};
  // The reader's own: a rate round trip runs on from where the last read stopped.
  std::unique_ptr<TRateRoundTrip> trip_;
  int64_t tripIn_ = 0;
  int64_t tripOut_ = 0;
};

// The selection [first, first + frames) looped.
std::shared_ptr<TPreviewSource> MakeLoopSource(std::shared_ptr<const TAudioState> state,
                                               int64_t first, int64_t frames);
// What lies before and after the selection [first, stop), leadFrames before it and tailFrames
// after it, as far as the document reaches, played once.
std::shared_ptr<TPreviewSource> MakeCutPreviewSource(std::shared_ptr<const TAudioState> state,
                                                     int64_t first, int64_t stop,
                                                     int64_t leadFrames, int64_t tailFrames);

}  // namespace quillon
