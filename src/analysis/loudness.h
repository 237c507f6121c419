#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/cancel.h"

namespace quillon {

class TLargeFile;

// Loudness as EBU R 128 and ITU-R BS.1770 define it. A quantity with nothing to measure (all
// silence, or less audio than its window) is minus infinity.
struct TLoudness {
  double integratedLufs = 0;
  double rangeLu = 0;
  double maxMomentaryLufs = 0;
  double maxShortTermLufs = 0;
  double truePeakDbtp = 0;
  double samplePeakDbfs = 0;
};

// The frames of a store that a measurement reads: interleaved 16-bit samples, frames
// [firstFrame, firstFrame + frameCount).
struct TMeasuredRange {
  const TLargeFile* store = nullptr;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint64_t firstFrame = 0;
  uint64_t frameCount = 0;
};

// Measures a range; the true peak is found on a second thread while the loudness is measured
// on this one. progress (0..100) and cancel are looked at between chunks; throws ECancelled.
TLoudness MeasureLoudness(const TMeasuredRange& range, std::atomic<int32_t>* progress = nullptr,
                          const TCancelToken& cancel = {});

// A level in the result's unit for a person: "-16.2 LUFS", or "-inf LUFS" for silence.
std::string FormatLevel(double value, const char* unit);

}  // namespace quillon
