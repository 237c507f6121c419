#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "codecs/cache.h"
#include "document/editplans.h"

namespace quillon {

class TLargeFile;

// What a search reads: a state's peak index for the walk, its store for the edges.
struct TSilenceSource {
  const Tindexdata* index = nullptr;
  const TLargeFile* store = nullptr;
  uint16_t channels = 0;
  uint64_t frameCount = 0;
};

// The largest sample magnitude that a level in dBFS still counts as silent: every sample of a
// silent frame, in every channel, is below this.
int32_t SilenceAmplitude(double thresholdDb);

// The silences of at least minFrames frames in [within.start, within.stop): runs of frames whose
// every sample lies below the threshold. The peak index finds them; the samples of the blocks
// at their edges place each edge on its frame. A silence of fewer than two index blocks holds
// no whole block and is not found, so minFrames below that counts as two blocks.
std::vector<TFrameSpan> FindSilences(const TSilenceSource& source, double thresholdDb,
                                     uint64_t minFrames, TFrameSpan within);

// The frames to remove at the two ends, keeping keepFrames of each end's silence; none where an
// end is not silent for longer than it keeps, and none at all for a document that is silent
// throughout (there is nothing to keep then).
struct TEndTrim {
  std::optional<TFrameSpan> head;
  std::optional<TFrameSpan> tail;
  bool allSilent = false;
};
TEndTrim FindEndSilences(const TSilenceSource& source, double thresholdDb, uint64_t keepFrames);

// The sounds between silences (the spans not covered by them) within a range.
std::vector<TFrameSpan> SoundsBetween(const std::vector<TFrameSpan>& silences, TFrameSpan within);

// What to remove from each silence so that keepFrames of it stay, half at each side.
std::vector<TFrameSpan> ShortenedParts(const std::vector<TFrameSpan>& silences,
                                       uint64_t keepFrames);

}  // namespace quillon
