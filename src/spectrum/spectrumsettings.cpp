#include "spectrum/spectrumsettings.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace quillon {

bool ValidSpectrumWindow(int64_t size) {
  return size >= kMinSpectrumWindow && size <= kMaxSpectrumWindow &&
         std::has_single_bit(static_cast<uint64_t>(size));
}

TSpectrumSettings HeldSpectrumSettings(TSpectrumSettings s) {
  const auto window =
      static_cast<uint32_t>(std::clamp(s.window, kMinSpectrumWindow, kMaxSpectrumWindow));
  s.window = static_cast<int32_t>(std::bit_floor(window));
  if (s.shape != TWindowShape::BlackmanHarris) s.shape = TWindowShape::Hann;
  if (s.scale != TFrequencyScale::Linear && s.scale != TFrequencyScale::Mel)
    s.scale = TFrequencyScale::Log;
  if (s.colourMap < 0 || s.colourMap >= kColourMapCount) s.colourMap = 1;
  s.rangeDb = std::isfinite(s.rangeDb) ? std::clamp(s.rangeDb, 20.0, 120.0) : 80.0;
  s.gainDb = std::isfinite(s.gainDb) ? std::clamp(s.gainDb, -60.0, 60.0) : 0.0;
  return s;
}

std::optional<TFrequencyScale> ParseFrequencyScale(std::string_view name) {
  if (name == "linear") return TFrequencyScale::Linear;
  if (name == "log") return TFrequencyScale::Log;
  if (name == "mel") return TFrequencyScale::Mel;
  return std::nullopt;
}

}  // namespace quillon
