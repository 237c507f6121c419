#include "analysis/silencechoices.h"

#include "analysis/silenceedits.h"
#include "analysis/silences.h"
#include "document/audiostate.h"

namespace quillon {

namespace {

std::vector<TFrameSpan> RawSilences(const TAudioState& state, const TSilenceSearch& search,
                                    TFrameSpan within) {
  const TSilenceSource source{&state.peaks.index, state.samples.get(), state.channels,
                              state.frameCount};
  return FindSilences(source, search.thresholdDb,
                      SecondsToFrames(search.minSeconds, state.sampleRate), within);
}

}  // namespace

std::vector<TFrameSpan> PaddedSilences(const std::vector<TFrameSpan>& silences, uint64_t padFrames,
                                       uint64_t documentFrames) {
  std::vector<TFrameSpan> padded;
  for (const TFrameSpan& silence : silences) {
    const uint64_t start = silence.start == 0 ? 0 : silence.start + padFrames;
    const uint64_t stop = silence.stop >= documentFrames || silence.stop < padFrames
                              ? silence.stop
                              : silence.stop - padFrames;
    if (stop > start) padded.push_back({start, stop});
  }
  return padded;
}

std::vector<TFrameSpan> FindPaddedSilences(const TAudioState& state, const TSilenceSearch& search,
                                           TFrameSpan within) {
  return PaddedSilences(RawSilences(state, search, within),
                        SecondsToFrames(search.paddingSeconds, state.sampleRate), state.frameCount);
}

TSpanPlanner DeleteSilencesPlanner(TSilenceSearch search, TFrameSpan within) {
  return [search, within](const TAudioState& state, const TCancelToken&) {
    return FindPaddedSilences(state, search, within);
  };
}

TSpanPlanner ShortenSilencesWithinPlanner(TSilenceSearch search, double keepSeconds,
                                          TFrameSpan within) {
  return [search, keepSeconds, within](const TAudioState& state, const TCancelToken&) {
    return ShortenedParts(RawSilences(state, search, within),
                          SecondsToFrames(keepSeconds, state.sampleRate));
  };
}

std::vector<TRegion> SoundRegions(const std::vector<TFrameSpan>& paddedSilences, TFrameSpan within,
                                  const std::string& namePattern) {
  std::vector<TRegion> regions;
  for (const TFrameSpan& sound : SoundsBetween(paddedSilences, within)) {
    std::string name = namePattern;
    if (const size_t mark = name.find("%1"); mark != std::string::npos)
      name.replace(mark, 2, std::to_string(regions.size() + 1));
    regions.push_back(
        {static_cast<int64_t>(sound.start), static_cast<int64_t>(sound.stop), std::move(name)});
  }
  return regions;
}

}  // namespace quillon
