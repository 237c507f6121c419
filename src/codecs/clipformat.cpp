#include "codecs/clipformat.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "codecs/ffmpegapi.h"
#include "codecs/sampleconvert.h"
#include "codecs/wavheader.h"

namespace quillon {

namespace {

// Frames converted per step: the buffers stay at a few hundred KB whatever the clip.
constexpr size_t kChunkFrames = 65536;
constexpr uint16_t kMaxClipChannels = 64;
// Real rates stay within this ratio (384000 to 8000 is 48). Beyond it a rate is nonsense, and
// the resampler would spend a long time building a filter for it.
constexpr uint64_t kMaxRateRatio = 64;
// Added to the level of the resampler's messages: below the quietest.
constexpr int kQuietLog = 64;
constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;

enum class TEncoding { Unsigned8, Int16, Int24, Int32, Float32, Float64 };

struct TClipSource {
  TEncoding encoding;
  uint16_t channels;
  uint32_t rate;
  size_t frameBytes;
  const uint8_t* data;
  size_t frames;
};

bool IdIs(const uint8_t* p, const char* id) {
  return std::memcmp(p, id, 4) == 0;
}

std::optional<TEncoding> EncodingOf(uint16_t tag, uint16_t bits) {
  if (tag == kTagPcm) {
    switch (bits) {
      case 8:
        return TEncoding::Unsigned8;
      case 16:
        return TEncoding::Int16;
      case 24:
        return TEncoding::Int24;
      case 32:
        return TEncoding::Int32;
    }
  } else if (tag == kTagFloat) {
    if (bits == 32) return TEncoding::Float32;
    if (bits == 64) return TEncoding::Float64;
  }
  return std::nullopt;
}

// Walks the chunks by the block's real size alone; the RIFF size and any chunk size may lie.
std::optional<TClipSource> ParseBlock(const uint8_t* block, size_t size) {
  if (!block || size < 12 || !IdIs(block, "RIFF") || !IdIs(block + 8, "WAVE")) return std::nullopt;
  const uint8_t* fmt = nullptr;
  size_t fmtSize = 0;
  const uint8_t* data = nullptr;
  size_t dataSize = 0;
  size_t pos = 12;
  while (size - pos >= 8 && !(fmt && data)) {
    const uint8_t* id = block + pos;
    uint32_t declared = ReadLE32(block + pos + 4);
    size_t start = pos + 8;
    // A data size of 0xFFFFFFFF ("to the end") falls out of the same cut.
    size_t present = std::min<uint64_t>(declared, size - start);
    if (!fmt && IdIs(id, "fmt ")) {
      fmt = block + start;
      fmtSize = present;
    } else if (!data && IdIs(id, "data")) {
      data = block + start;
      dataSize = present;
    }
    uint64_t next = uint64_t{start} + declared + (declared & 1);
    if (next >= size) break;
    pos = static_cast<size_t>(next);
  }
  if (!fmt || !data || fmtSize < 16) return std::nullopt;

  uint16_t tag = ReadLE16(fmt);
  uint16_t channels = ReadLE16(fmt + 2);
  uint32_t rate = ReadLE32(fmt + 4);
  uint16_t blockAlign = ReadLE16(fmt + 12);
  uint16_t bits = ReadLE16(fmt + 14);
  if (tag == kTagExtensible) {
    if (fmtSize < 40) return std::nullopt;
    tag = ReadLE16(fmt + 24);  // the sub-format GUID starts with the plain tag
  }
  std::optional<TEncoding> encoding = EncodingOf(tag, bits);
  if (!encoding || channels == 0 || channels > kMaxClipChannels || rate == 0 || rate > INT_MAX)
    return std::nullopt;
  size_t frameBytes = size_t{channels} * (bits / 8);
  if (blockAlign != frameBytes) return std::nullopt;
  return TClipSource{*encoding, channels, rate, frameBytes, data, dataSize / frameBytes};
}

template <TEncoding E>
constexpr size_t kSampleBytes = E == TEncoding::Unsigned8 ? 1
                                : E == TEncoding::Int16   ? 2
                                : E == TEncoding::Int24   ? 3
                                : E == TEncoding::Float64 ? 8
                                                          : 4;

// In double, which holds every source sample exactly, so that each is rounded to 16 bits once.
template <TEncoding E>
double ReadSample(const uint8_t* p) {
  if constexpr (E == TEncoding::Unsigned8) {
    return (static_cast<double>(p[0]) - 128.0) * (1.0 / 128);
  } else if constexpr (E == TEncoding::Int16) {
    return static_cast<double>(static_cast<int16_t>(ReadLE16(p))) * (1.0 / 32768);
  } else if constexpr (E == TEncoding::Int24) {
    // Built in the top three bytes, then shifted down to sign-extend.
    uint32_t u = (uint32_t{p[0]} << 8) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 24);
    return static_cast<double>(static_cast<int32_t>(u) >> 8) * (1.0 / 8388608);
  } else if constexpr (E == TEncoding::Int32) {
    return static_cast<double>(static_cast<int32_t>(ReadLE32(p))) * (1.0 / 2147483648.0);
  } else if constexpr (E == TEncoding::Float32) {
    return std::bit_cast<float>(ReadLE32(p));
  } else {
    uint64_t u = uint64_t{ReadLE32(p)} | (uint64_t{ReadLE32(p + 4)} << 32);
    // Anything past ±2 clips the same. NaN passes through the clamp and later becomes 0.
    return std::clamp(std::bit_cast<double>(u), -2.0, 2.0);
  }
}

// Frames of the source as doubles in the document's channel count.
template <TEncoding E>
void DecodeFramesAs(const TClipSource& s, size_t first, size_t count, uint16_t outChannels,
                    double* out) {
  constexpr size_t bytes = kSampleBytes<E>;
  const uint8_t* p = s.data + first * s.frameBytes;
  const uint16_t in = s.channels;
  if (in == outChannels) {
    for (size_t i = 0; i < count * in; ++i) out[i] = ReadSample<E>(p + i * bytes);
  } else if (outChannels == 2) {
    // Mono is duplicated; of more channels, the first two are left and right.
    const size_t second = in == 1 ? 0 : bytes;
    for (size_t f = 0; f < count; ++f, p += s.frameBytes) {
      out[2 * f] = ReadSample<E>(p);
      out[2 * f + 1] = ReadSample<E>(p + second);
    }
  } else {
    // A double holds the sum of two samples of up to 32 bits exactly, so their average rounds
    // once, half to even, in DoublesToSamples.
    for (size_t f = 0; f < count; ++f, p += s.frameBytes) {
      double sum = 0;
      for (uint16_t c = 0; c < in; ++c) sum += ReadSample<E>(p + c * bytes);
      out[f] = sum / in;
    }
  }
}

void DecodeFrames(const TClipSource& s, size_t first, size_t count, uint16_t outChannels,
                  double* out) {
  switch (s.encoding) {
    case TEncoding::Unsigned8:
      return DecodeFramesAs<TEncoding::Unsigned8>(s, first, count, outChannels, out);
    case TEncoding::Int16:
      return DecodeFramesAs<TEncoding::Int16>(s, first, count, outChannels, out);
    case TEncoding::Int24:
      return DecodeFramesAs<TEncoding::Int24>(s, first, count, outChannels, out);
    case TEncoding::Int32:
      return DecodeFramesAs<TEncoding::Int32>(s, first, count, outChannels, out);
    case TEncoding::Float32:
      return DecodeFramesAs<TEncoding::Float32>(s, first, count, outChannels, out);
    case TEncoding::Float64:
      return DecodeFramesAs<TEncoding::Float64>(s, first, count, outChannels, out);
  }
}

std::vector<int16_t> ConvertAtSameRate(const TClipSource& s, uint16_t channels) {
  std::vector<int16_t> result(s.frames * channels);
  if (s.encoding == TEncoding::Int16 && s.channels == channels) {
    for (size_t i = 0; i < result.size(); ++i)
      result[i] = static_cast<int16_t>(ReadLE16(s.data + 2 * i));
    return result;
  }
  std::vector<double> values(std::min(s.frames, kChunkFrames) * channels);
  for (size_t first = 0; first < s.frames; first += kChunkFrames) {
    size_t count = std::min(kChunkFrames, s.frames - first);
    DecodeFrames(s, first, count, channels, values.data());
    DoublesToSamples(values.data(), result.data() + first * channels, count * channels);
  }
  return result;
}

struct TSwrFree {
  void operator()(SwrContext* swr) const { swr_free(&swr); }
};

std::optional<std::vector<int16_t>> Resample(const TClipSource& s, uint16_t channels,
                                             uint32_t sampleRate) {
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, channels);
  SwrContext* raw = nullptr;
  // Hostile rates can make swr_init fail; its complaint is pushed below every log level, as the
  // caller's none says it all.
  int status =
      swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_DBL, static_cast<int>(sampleRate), &layout,
                          AV_SAMPLE_FMT_DBL, static_cast<int>(s.rate), kQuietLog, nullptr);
  std::unique_ptr<SwrContext, TSwrFree> swr(raw);
  if (status < 0 || swr_init(swr.get()) < 0) return std::nullopt;

  // frames * sampleRate / rate rounded, without a product that could overflow.
  const uint64_t from = s.rate;
  const uint64_t to = sampleRate;
  const size_t target =
      static_cast<size_t>(s.frames / from * to + (s.frames % from * to + from / 2) / from);
  std::vector<int16_t> result;
  result.reserve(target * channels);
  // Input steps are sized so that each step's output stays near kChunkFrames too.
  const size_t step =
      std::max<size_t>(1, std::min<uint64_t>(kChunkFrames, kChunkFrames * from / to));
  std::vector<double> in(std::min(step, s.frames) * channels);
  std::vector<double> out;
  // Resamples the first count frames of in onto the result, up to its length.
  auto convert = [&](size_t count) {
    int capacity = swr_get_out_samples(swr.get(), static_cast<int>(count));
    if (capacity < 0) return -1;
    out.resize(std::max(out.size(), static_cast<size_t>(capacity) * channels));
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const uint8_t* inPlanes[1] = {reinterpret_cast<const uint8_t*>(in.data())};
    int got = swr_convert(swr.get(), outPlanes, capacity, inPlanes, static_cast<int>(count));
    if (got <= 0) return got;
    size_t samples =
        std::min(static_cast<size_t>(got) * channels, target * channels - result.size());
    size_t at = result.size();
    result.resize(at + samples);
    DoublesToSamples(out.data(), result.data() + at, samples);
    return got;
  };
  for (size_t first = 0; first < s.frames; first += step) {
    size_t count = std::min(step, s.frames - first);
    DecodeFrames(s, first, count, channels, in.data());
    if (convert(count) < 0) return std::nullopt;
  }
  // swr's own flush gives nothing for the last frames short of its filter's length, and nothing
  // at all for a short clip. Holding the last frame pushes the clip's end through instead, with
  // no step for the filter to ring on; what the hold adds past the clip's length is dropped.
  std::vector<double> last(channels);
  DecodeFrames(s, s.frames - 1, 1, channels, last.data());
  for (int i = 0; i < 64 && result.size() < target * channels; ++i) {
    int64_t held = swr_get_delay(swr.get(), static_cast<int64_t>(from));
    size_t count = static_cast<size_t>(std::clamp<int64_t>(held + 1, 1, step));
    in.resize(std::max(in.size(), count * channels));
    for (size_t f = 0; f < count; ++f)
      std::copy(last.begin(), last.end(), in.begin() + f * channels);
    if (convert(count) < 0) return std::nullopt;
  }
  return result;
}

}  // namespace

std::optional<std::vector<int16_t>> ReadClipAudio(const uint8_t* block, size_t size,
                                                  uint16_t channels, uint32_t sampleRate) {
  if (channels < 1 || channels > 2 || sampleRate == 0 || sampleRate > INT_MAX) return std::nullopt;
  std::optional<TClipSource> source = ParseBlock(block, size);
  if (!source) return std::nullopt;
  const uint64_t from = source->rate;
  const uint64_t to = sampleRate;
  if (from > to * kMaxRateRatio || to > from * kMaxRateRatio) return std::nullopt;
  // In double, as a block of many gigabytes would overflow the product in 64 bits.
  const double expectedFrames = static_cast<double>(source->frames) * to / from;
  if (expectedFrames * channels * 2 > kMaxClipAudioBytes) return std::nullopt;
  if (source->frames == 0) return std::vector<int16_t>{};
  try {
    if (from == to) return ConvertAtSameRate(*source, channels);
    return Resample(*source, channels, sampleRate);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::vector<uint8_t> MakeClipBlock(uint16_t channels, uint32_t sampleRate, const int16_t* samples,
                                   size_t count) {
  uint64_t bytes = uint64_t{count} * 2;
  TWavHeader header = MakeWavHeader(channels, sampleRate, static_cast<uint32_t>(bytes));
  // Too big for the size fields: "to the end", which ReadClipAudio accepts.
  if (bytes > UINT32_MAX - 36) {
    WriteLE32(header.data() + 4, UINT32_MAX);
    WriteLE32(header.data() + 40, UINT32_MAX);
  }
  std::vector<uint8_t> block(header.size() + bytes);
  std::memcpy(block.data(), header.data(), header.size());
  for (size_t i = 0; i < count; ++i)
    WriteLE16(block.data() + header.size() + 2 * i, static_cast<uint16_t>(samples[i]));
  return block;
}

}  // namespace quillon
