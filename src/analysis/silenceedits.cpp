#include "analysis/silenceedits.h"

#include <cmath>

#include "analysis/silences.h"
#include "document/audiostate.h"

namespace quillon {

namespace {

TSilenceSource SourceOf(const TAudioState& state) {
  return {&state.peaks.index, state.samples.get(), state.channels, state.frameCount};
}

}  // namespace

uint64_t SecondsToFrames(double seconds, uint32_t sampleRate) {
  return seconds <= 0 ? 0 : static_cast<uint64_t>(std::llround(seconds * sampleRate));
}

TSpanPlanner TrimEndsPlanner(TSilenceSettings settings) {
  return [settings](const TAudioState& state, const TCancelToken&) {
    const TEndTrim trim = FindEndSilences(SourceOf(state), settings.thresholdDb,
                                          SecondsToFrames(settings.keepSeconds, state.sampleRate));
    std::vector<TFrameSpan> spans;
    if (trim.head) spans.push_back(*trim.head);
    if (trim.tail) spans.push_back(*trim.tail);
    return spans;
  };
}

TSpanPlanner ShortenSilencesPlanner(TSilenceSettings settings) {
  return [settings](const TAudioState& state, const TCancelToken&) {
    const std::vector<TFrameSpan> silences =
        FindSilences(SourceOf(state), settings.thresholdDb,
                     SecondsToFrames(settings.minSeconds, state.sampleRate), {0, state.frameCount});
    return ShortenedParts(silences, SecondsToFrames(settings.keepSeconds, state.sampleRate));
  };
}

}  // namespace quillon
