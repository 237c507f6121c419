#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

struct AVMurMur3;

namespace quillon {

// What a column's or a group's levels are made from, as a 128-bit digest: equal digests stand
// for equal samples, wherever in which state of the document they lie.
struct TSpectrumDigest {
  std::array<uint8_t, 16> bytes{};
  bool operator==(const TSpectrumDigest&) const = default;
};

struct TSpectrumDigestHash {
  size_t operator()(const TSpectrumDigest& digest) const {
    size_t value;
    std::memcpy(&value, digest.bytes.data(), sizeof(value));
    return value;
  }
};

// FFmpeg's MurmurHash3 over pieces of samples. One object per thread.
class TSpectrumHasher {
 public:
  // Throws Exception when FFmpeg cannot be loaded.
  TSpectrumHasher();
  ~TSpectrumHasher();
  TSpectrumHasher(const TSpectrumHasher&) = delete;
  TSpectrumHasher& operator=(const TSpectrumHasher&) = delete;

  // The digest of each block of blockFrames frames of interleaved, blockCount blocks.
  void Blocks(const int16_t* interleaved, int32_t channels, int32_t blockFrames, int32_t blockCount,
              std::vector<TSpectrumDigest>& digests);
  // The digest of count digests in a row, told apart from a block's by kind.
  TSpectrumDigest Combine(const TSpectrumDigest* digests, size_t count, uint8_t kind);

 private:
  AVMurMur3* context_ = nullptr;
};

// A column's window spans four hops: its digest is that of the four blocks under it.
inline constexpr int32_t kBlocksPerWindow = 4;
inline constexpr uint8_t kColumnDigest = 1;
inline constexpr uint8_t kGroupDigest = 2;

}  // namespace quillon
