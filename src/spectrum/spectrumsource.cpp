#include "spectrum/spectrumsource.h"

#include <algorithm>

namespace quillon {

void ReadFrames(const TSpectrumSource& source, int64_t first, int32_t count,
                std::vector<int16_t>& interleaved) {
  const int32_t channels = source.channels;
  interleaved.assign(static_cast<size_t>(count) * channels, 0);
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(first + count, source.frameCount);
  if (to <= from || !source.store) return;
  // A store shorter than its header says reads as zeros past its end.
  const auto firstSample = static_cast<uint32_t>(from * channels);
  const auto samples = static_cast<uint32_t>((to - from) * channels);
  source.store->ReadSamples(interleaved.data() + static_cast<size_t>(from - first) * channels,
                            firstSample, firstSample + samples - 1);
}

void SplitChannels(const std::vector<int16_t>& interleaved, int32_t channels, int32_t count,
                   std::vector<float>& planar) {
  planar.resize(static_cast<size_t>(count) * channels);
  for (int32_t ch = 0; ch < channels; ++ch) {
    float* out = planar.data() + static_cast<size_t>(ch) * count;
    const int16_t* in = interleaved.data() + ch;
    for (int32_t i = 0; i < count; ++i)
      out[i] = in[static_cast<size_t>(i) * channels] * (1.0f / 32768.0f);
  }
}

void ReadPlanarFrames(const TSpectrumSource& source, int64_t first, int32_t count,
                      std::vector<int16_t>& scratch, std::vector<float>& planar) {
  ReadFrames(source, first, count, scratch);
  SplitChannels(scratch, source.channels, count, planar);
}

}  // namespace quillon
