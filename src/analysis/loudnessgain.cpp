#include "analysis/loudnessgain.h"

#include <cmath>

#include "analysis/loudness.h"
#include "document/audiostate.h"
#include "localization/constants.h"

namespace quillon {

std::optional<std::string> TargetRefusal(const TLoudnessTarget& target) {
  if (!std::isfinite(target.lufs) || target.lufs > 0 || target.lufs < -70)
    return ConstantText("loudnesstargetrange");
  if (!std::isfinite(target.ceilingDbtp) || target.ceilingDbtp > 0 || target.ceilingDbtp < -30)
    return ConstantText("loudnessceilingrange");
  return std::nullopt;
}

std::optional<TLoudnessGain> GainForTarget(double integratedLufs, double truePeakDbtp,
                                           const TLoudnessTarget& target) {
  if (!std::isfinite(integratedLufs)) return std::nullopt;
  TLoudnessGain gain{target.lufs - integratedLufs, target.lufs, false};
  if (std::isfinite(truePeakDbtp) && truePeakDbtp + gain.gainDb > target.ceilingDbtp) {
    gain.gainDb = target.ceilingDbtp - truePeakDbtp;
    gain.resultLufs = integratedLufs + gain.gainDb;
    gain.limitedByCeiling = true;
  }
  return gain;
}

TGainPlanner LoudnessGainPlanner(TLoudnessTarget target, std::optional<TFrameSpan> within) {
  return [target, within](const TAudioState& state, const TCancelToken& cancel) {
    const TFrameSpan span = within.value_or(TFrameSpan{0, state.frameCount});
    const TLoudness measured = MeasureLoudness(
        {state.samples.get(), state.channels, state.sampleRate, span.start, span.Length()}, nullptr,
        cancel);
    const auto gain = GainForTarget(measured.integratedLufs, measured.truePeakDbtp, target);
    if (!gain) return TGainPlan{std::nullopt, ConstantText("loudnesssilent")};
    const std::string result = FormatLevel(gain->resultLufs, "LUFS");
    return TGainPlan{std::pow(10.0, gain->gainDb / 20),
                     gain->limitedByCeiling ? ConstantText("loudnesslimited", "%1", result)
                                            : ConstantText("loudnessreached", "%1", result)};
  };
}

}  // namespace quillon
