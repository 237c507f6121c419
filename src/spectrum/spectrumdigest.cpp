#include "spectrum/spectrumdigest.h"

#include "codecs/ffmpegapi.h"
#include "platform/error.h"

namespace quillon {

TSpectrumHasher::TSpectrumHasher() : context_(av_murmur3_alloc()) {
  if (!context_) throw Exception("FFmpeg cannot make a hash context");
}

TSpectrumHasher::~TSpectrumHasher() {
  av_free(context_);
}

void TSpectrumHasher::Blocks(const int16_t* interleaved, int32_t channels, int32_t blockFrames,
                             int32_t blockCount, std::vector<TSpectrumDigest>& digests) {
  digests.resize(static_cast<size_t>(blockCount));
  const size_t bytes = static_cast<size_t>(blockFrames) * channels * sizeof(int16_t);
  const auto* data = reinterpret_cast<const uint8_t*>(interleaved);
  for (int32_t b = 0; b < blockCount; ++b) {
    av_murmur3_init(context_);
    av_murmur3_update(context_, data + b * bytes, bytes);
    av_murmur3_final(context_, digests[static_cast<size_t>(b)].bytes.data());
  }
}

TSpectrumDigest TSpectrumHasher::Combine(const TSpectrumDigest* digests, size_t count,
                                         uint8_t kind) {
  av_murmur3_init(context_);
  av_murmur3_update(context_, &kind, 1);
  av_murmur3_update(context_, reinterpret_cast<const uint8_t*>(digests),
                    count * sizeof(TSpectrumDigest));
  TSpectrumDigest digest;
  av_murmur3_final(context_, digest.bytes.data());
  return digest;
}

}  // namespace quillon
