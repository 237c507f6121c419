#pragma once

#include <cstdint>

#include "document/editplans.h"

namespace quillon {

// What Trim Silence at Start and End and the silence tools remove, as planners for the
// document's span-removing edit: each finds its spans on the worker from the state it edits.
struct TSilenceSettings {
  double thresholdDb = -50;
  double minSeconds = 0.5;
  // Trim: what stays of each end's silence. Shorten: the length each silence is cut down to.
  double keepSeconds = 0.1;
};

// The silence at the two ends, less keepSeconds of each.
TSpanPlanner TrimEndsPlanner(TSilenceSettings settings);
// Every silence of at least minSeconds, cut down to keepSeconds (half of it kept at each side).
TSpanPlanner ShortenSilencesPlanner(TSilenceSettings settings);

// Seconds as whole frames at a rate, rounded to the nearest.
uint64_t SecondsToFrames(double seconds, uint32_t sampleRate);

}  // namespace quillon
