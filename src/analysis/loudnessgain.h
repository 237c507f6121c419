#pragma once

#include <optional>
#include <string>

#include "document/editplans.h"

namespace quillon {

// Normalize Loudness: one gain that brings the integrated loudness to a target, lowered where
// the true peak would pass the ceiling.
struct TLoudnessTarget {
  double lufs = -16;
  double ceilingDbtp = -1;
};

// Why a target cannot be used ("above 0 LUFS" and the like); none when it can.
std::optional<std::string> TargetRefusal(const TLoudnessTarget& target);

// The gain in dB for a measured loudness and true peak; none for silence (no loudness at all).
struct TLoudnessGain {
  double gainDb = 0;
  double resultLufs = 0;
  bool limitedByCeiling = false;
};
std::optional<TLoudnessGain> GainForTarget(double integratedLufs, double truePeakDbtp,
                                           const TLoudnessTarget& target);

// Measures the state on the worker (only within, when given), then plans that gain with its
// status line.
TGainPlanner LoudnessGainPlanner(TLoudnessTarget target,
                                 std::optional<TFrameSpan> within = std::nullopt);

}  // namespace quillon
