#include "playback/previewsource.h"

#include <algorithm>
#include <limits>

#include "document/audiostate.h"
#include "playback/rateroundtrip.h"

namespace quillon {

namespace {

// Looped, a day at 192 kHz: the player counts on, and the position wraps in DocumentFrame.
constexpr int64_t kLoopedPlayFrames = int64_t{192000} * 86400;

std::vector<TPlayPiece> PiecesWithin(std::vector<TPlayPiece> pieces, int64_t documentFrames) {
  std::vector<TPlayPiece> kept;
  for (TPlayPiece piece : pieces) {
    piece.first = std::clamp<int64_t>(piece.first, 0, documentFrames);
    piece.frames = std::clamp<int64_t>(piece.frames, 0, documentFrames - piece.first);
    if (piece.frames > 0) kept.push_back(piece);
  }
  return kept;
}

}  // namespace

TPreviewSource::TPreviewSource(std::shared_ptr<const TAudioState> state,
                               std::vector<TPlayPiece> pieces, bool looped)
    : state_(std::move(state)),
      channels_(state_ ? state_->channels : 0),
      pieces_(PiecesWithin(std::move(pieces), state_ ? state_->frameCount : 0)),
      looped_(looped) {
  for (const TPlayPiece& piece : pieces_) passFrames_ += piece.frames;
}

TPreviewSource::~TPreviewSource() = default;

int64_t TPreviewSource::PlayFrames() const {
  return looped_ && passFrames_ > 0 ? kLoopedPlayFrames : passFrames_;
}

void TPreviewSource::SetEffect(TPreviewEffect effect) {
  {
    TMutexLock lock(mutex_);
    effect_ = std::move(effect);
  }
  changed_.store(true, std::memory_order_release);
}

void TPreviewSource::SetBypass(bool bypass) {
  {
    TMutexLock lock(mutex_);
    if (bypass_ == bypass) return;
    bypass_ = bypass;
  }
  changed_.store(true, std::memory_order_release);
}

bool TPreviewSource::Bypassed() const {
  TMutexLock lock(mutex_);
  return bypass_;
}

bool TPreviewSource::TakeChange() {
  return changed_.exchange(false, std::memory_order_acq_rel);
}

void TPreviewSource::Read(int16_t* dest, int64_t at, int64_t frames) {
  TPreviewEffect effect;
  {
    TMutexLock lock(mutex_);
    if (!bypass_) effect = effect_;
  }
  std::fill_n(dest, frames * channels_, int16_t{0});
  if (passFrames_ <= 0 || frames <= 0 || at < 0) return;
  // Past a single pass's end only silence plays.
  if (!looped_) frames = std::clamp<int64_t>(passFrames_ - at, 0, frames);
  if (looped_ && effect.RoundTripRate() > 0)
    return ReadRoundTrip(dest, at, frames, effect.RoundTripRate());
  trip_.reset();
  ReadPasses(dest, at, frames, effect);
}

void TPreviewSource::ReadPasses(int16_t* dest, int64_t at, int64_t frames,
                                const TPreviewEffect& effect) const {
  while (frames > 0) {
    const int64_t inPass = at % passFrames_;
    const int64_t take = std::min(frames, passFrames_ - inPass);
    ReadPass(dest, inPass, take);
    effect.Apply(dest, static_cast<uint64_t>(take), channels_, static_cast<uint64_t>(inPass),
                 static_cast<uint64_t>(passFrames_));
    dest += take * channels_;
    at += take;
    frames -= take;
  }
}

// The converter runs on from where the last read stopped; a jump back (the player reading again
// what it had queued) or another rate starts it afresh there.
void TPreviewSource::ReadRoundTrip(int16_t* dest, int64_t at, int64_t frames, uint32_t through) {
  if (!trip_ || trip_->Through() != through || at != tripOut_) {
    trip_ = std::make_unique<TRateRoundTrip>(state_->sampleRate, through, channels_);
    tripIn_ = at;
  }
  trip_->Pull(dest, frames, [this](int16_t* in, int64_t n) {
    std::fill_n(in, n * channels_, int16_t{0});
    ReadPasses(in, tripIn_, n, TPreviewEffect());
    tripIn_ += n;
  });
  tripOut_ = at + frames;
}

void TPreviewSource::ReadPass(int16_t* dest, int64_t at, int64_t frames) const {
  int64_t pieceStart = 0;
  for (const TPlayPiece& piece : pieces_) {
    const int64_t pieceEnd = pieceStart + piece.frames;
    if (frames > 0 && at < pieceEnd) {
      const int64_t take = std::min(frames, pieceEnd - at);
      ReadStore(dest, piece.first + (at - pieceStart), take);
      dest += take * channels_;
      at += take;
      frames -= take;
    }
    pieceStart = pieceEnd;
  }
}

void TPreviewSource::ReadStore(int16_t* dest, int64_t documentFrame, int64_t frames) const {
  const TLargeFile* store = state_->samples.get();
  const int64_t first = documentFrame * channels_;
  const int64_t last = first + frames * channels_ - 1;
  if (store && frames > 0 && last <= std::numeric_limits<uint32_t>::max())
    store->ReadSamples(dest, static_cast<uint32_t>(first), static_cast<uint32_t>(last));
}

int64_t TPreviewSource::DocumentFrame(int64_t at) const {
  if (pieces_.empty()) return 0;
  // Before the first frame plays, the cursor waits at it.
  at = std::max<int64_t>(at, 0);
  int64_t inPass = looped_ ? at % passFrames_ : std::min<int64_t>(at, passFrames_ - 1);
  for (const TPlayPiece& piece : pieces_) {
    if (inPass < piece.frames) return piece.first + inPass;
    inPass -= piece.frames;
  }
  return pieces_.back().first + pieces_.back().frames - 1;
}

std::shared_ptr<TPreviewSource> MakeLoopSource(std::shared_ptr<const TAudioState> state,
                                               int64_t first, int64_t frames) {
  return std::make_shared<TPreviewSource>(std::move(state),
                                          std::vector<TPlayPiece>{{first, frames}}, true);
}

std::shared_ptr<TPreviewSource> MakeCutPreviewSource(std::shared_ptr<const TAudioState> state,
                                                     int64_t first, int64_t stop,
                                                     int64_t leadFrames, int64_t tailFrames) {
  const int64_t leadStart = std::max<int64_t>(0, first - leadFrames);
  return std::make_shared<TPreviewSource>(
      std::move(state), std::vector<TPlayPiece>{{leadStart, first - leadStart}, {stop, tailFrames}},
      false);
}

}  // namespace quillon
