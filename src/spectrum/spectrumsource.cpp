#include "spectrum/spectrumsource.h"

#include <algorithm>

namespace quillon {

void ReadPlanarFrames(const TSpectrumSource& source, int64_t first, int32_t count,
                      std::vector<int16_t>& scratch, std::vector<float>& planar) {
  const int32_t channels = source.channels;
  planar.assign(static_cast<size_t>(count) * channels, 0.0f);
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(first + count, source.frameCount);
  if (to <= from || !source.store) return;
  const auto frames = static_cast<size_t>(to - from);
  // A store shorter than its header says reads as zeros past its end.
  scratch.assign(frames * channels, 0);
  const auto firstSample = static_cast<uint32_t>(from * channels);
  source.store->ReadSamples(scratch.data(), firstSample,
                            static_cast<uint32_t>(firstSample + frames * channels - 1));
  const size_t offset = static_cast<size_t>(from - first);
  for (int32_t ch = 0; ch < channels; ++ch) {
    float* out = planar.data() + static_cast<size_t>(ch) * count + offset;
    const int16_t* in = scratch.data() + ch;
    for (size_t i = 0; i < frames; ++i) out[i] = in[i * channels] * (1.0f / 32768.0f);
  }
}

}  // namespace quillon
