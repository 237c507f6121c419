#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/markerlist.h"
#include "document/editplans.h"

namespace quillon {

struct TAudioState;

// What the Find Silences dialog looks for and how much silence it leaves beside each sound.
struct TSilenceSearch {
  double thresholdDb = -50;
  double minSeconds = 0.5;
  double paddingSeconds = 0.1;
};

// The silences less padFrames at each side that touches sound: the document's own start and
// end have no sound to protect. A silence no longer than its padding goes.
std::vector<TFrameSpan> PaddedSilences(const std::vector<TFrameSpan>& silences, uint64_t padFrames,
                                       uint64_t documentFrames);

// The padded silences of a state within a range, found from its peak index.
std::vector<TFrameSpan> FindPaddedSilences(const TAudioState& state, const TSilenceSearch& search,
                                           TFrameSpan within);

// Removes the padded silences of a range as the state is at the edit's turn.
TSpanPlanner DeleteSilencesPlanner(TSilenceSearch search, TFrameSpan within);
// Cuts each silence of a range (found without padding) down to keepSeconds.
TSpanPlanner ShortenSilencesWithinPlanner(TSilenceSearch search, double keepSeconds,
                                          TFrameSpan within);

// One region for each sound between the padded silences of a range, named by namePattern with
// "%1" replaced by its number from 1.
std::vector<TRegion> SoundRegions(const std::vector<TFrameSpan>& paddedSilences, TFrameSpan within,
                                  const std::string& namePattern);

}  // namespace quillon
