#include "codecs/clipformat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <utility>

#include "codecs/wavheader.h"

namespace quillon {
namespace {

using TBytes = std::vector<uint8_t>;
using TSamples = std::vector<int16_t>;

void PutLE(TBytes& to, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) to.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A chunk with its pad byte; declared overrides the size field.
TBytes Chunk(const char* id, const TBytes& payload, std::optional<uint32_t> declared = {}) {
  TBytes c(id, id + 4);
  PutLE(c, declared.value_or(static_cast<uint32_t>(payload.size())), 4);
  c.insert(c.end(), payload.begin(), payload.end());
  if (payload.size() % 2) c.push_back(0);
  return c;
}

TBytes Riff(std::initializer_list<TBytes> chunks) {
  TBytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const TBytes& c : chunks) b.insert(b.end(), c.begin(), c.end());
  WriteLE32(b.data() + 4, static_cast<uint32_t>(b.size() - 8));
  return b;
}

TBytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
           std::optional<uint16_t> blockAlign = {}) {
  uint16_t align = blockAlign.value_or(static_cast<uint16_t>(channels * bits / 8));
  TBytes f;
  for (auto [value, bytes] : {std::pair<uint64_t, int>{tag, 2},
                              {channels, 2},
                              {rate, 4},
                              {uint64_t{rate} * align, 4},
                              {align, 2},
                              {bits, 2}})
    PutLE(f, value, bytes);
  return f;
}

// Extension size, valid bits, channel mask, then the sub-format GUID, which opens with the tag.
TBytes ExtensibleFmt(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits) {
  TBytes f = Fmt(0xFFFE, channels, rate, bits);
  for (auto [value, bytes] : {std::pair<uint64_t, int>{22, 2},
                              {bits, 2},
                              {3, 4},
                              {subTag, 2},
                              {0x0080001000000000, 8},
                              {0x719B3800AA00, 6}})
    PutLE(f, value, bytes);
  return f;
}

template <typename T>
TBytes LE(const std::vector<T>& values, int bytes) {
  TBytes b;
  for (T v : values) {
    uint64_t bits;
    if constexpr (std::is_same_v<T, float>)
      bits = std::bit_cast<uint32_t>(v);
    else if constexpr (std::is_same_v<T, double>)
      bits = std::bit_cast<uint64_t>(v);
    else
      bits = static_cast<uint64_t>(v);
    PutLE(b, bits, bytes);
  }
  return b;
}

// Reads from a heap copy of exactly the block's size, so an over-read lands outside the
// allocation, where a sanitizer build reports it.
std::optional<TSamples> Read(const TBytes& block, uint16_t channels, uint32_t rate,
                             size_t size = SIZE_MAX) {
  size = std::min(size, block.size());
  auto copy = std::make_unique<uint8_t[]>(size);
  if (size) std::memcpy(copy.get(), block.data(), size);
  return ReadClipAudio(copy.get(), size, channels, rate);
}

// A 1 kHz sine of amplitude 16000 (half a percent under full scale) in every channel.
double SineAt(size_t frame, uint32_t rate) {
  return 16000 * std::sin(2 * std::numbers::pi * 1000 * static_cast<double>(frame) / rate);
}

TEST(ClipFormat, SixteenBitClipsOfTheDocumentsFormatRoundTripExactly) {
  std::mt19937 random(11);
  for (uint16_t channels : {1, 2}) {
    TSamples samples(2 * 70001);  // more than one conversion step's worth of frames
    for (int16_t& s : samples) s = static_cast<int16_t>(random());
    samples[0] = -32768;
    samples[1] = 32767;
    TBytes block = MakeClipBlock(channels, 48000, samples.data(), samples.size());
    // The canonical header, then the samples little-endian.
    TWavHeader header = MakeWavHeader(channels, 48000, static_cast<uint32_t>(samples.size() * 2));
    ASSERT_EQ(block.size(), 44 + samples.size() * 2);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), block.begin()));
    EXPECT_EQ(block[45], 0x80);
    EXPECT_TRUE(Read(block, channels, 48000) == samples) << channels;
  }
}

TEST(ClipFormat, FindsFmtAndDataAmongOtherChunks) {
  const TSamples samples = {1, -2, 300, -32768, 32767, 5};
  const TBytes data = LE(samples, 2);
  // Odd-sized chunks before and between (their pad byte must be skipped), a LIST, a fact, an
  // 18-byte fmt and chunks after data.
  TBytes fmt = Fmt(1, 2, 44100, 16);
  PutLE(fmt, 0, 2);
  TBytes block =
      Riff({Chunk("LIST", TBytes(5, 'x')), Chunk("fmt ", fmt), Chunk("fact", TBytes{3, 0, 0, 0}),
            Chunk("junk", TBytes(7, 0xFF)), Chunk("data", data), Chunk("id3 ", TBytes(3, 1))});
  EXPECT_EQ(Read(block, 2, 44100), samples);

  // Data ahead of fmt is found as well.
  block =
      Riff({Chunk("data", data), Chunk("bext", TBytes(1, 0)), Chunk("fmt ", Fmt(1, 2, 44100, 16))});
  EXPECT_EQ(Read(block, 2, 44100), samples);
}

TEST(ClipFormat, ConvertsOtherEncodingsToSixteenBits) {
  struct TCase {
    const char* name;
    TBytes fmt;
    TBytes data;
    TSamples expected;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<TCase> cases = {
      {"8-bit", Fmt(1, 1, 8000, 8), {0, 128, 255, 129, 127}, {-32768, 0, 32512, 256, -256}},
      // Halves of a 16-bit step round to even: 0.5 -> 0, 1.5 -> 2, -1.5 -> -2.
      {"24-bit",
       Fmt(1, 1, 8000, 24),
       LE(std::vector<int32_t>{0x7FFFFF, -0x800000, 0x80, 0x180, -0x180, 0x12345, -256}, 3),
       {32767, -32768, 0, 2, -2, 291, -1}},
      {"32-bit",
       Fmt(1, 1, 8000, 32),
       LE(std::vector<int32_t>{INT32_MAX, INT32_MIN, 0x18000, 0x28000, -65536, 0x01000000}, 4),
       {32767, -32768, 2, 2, -1, 256}},
      {"float",
       Fmt(3, 1, 8000, 32),
       LE(std::vector<float>{0.5f, -1.0f, 1.0f, 7.0f, std::nanf(""), 2.5f / 32768, -0.25f}, 4),
       {16384, -32768, 32767, 32767, 0, 2, -8192}},
      {"double",
       Fmt(3, 1, 8000, 64),
       LE(std::vector<double>{0.25, 1e300, -1e300, nan, 3.5 / 32768}, 8),
       {8192, 32767, -32768, 0, 4}},
      {"extensible float",
       ExtensibleFmt(3, 1, 8000, 32),
       LE(std::vector<float>{-0.5f, 0.125f}, 4),
       {-16384, 4096}},
      {"extensible 24-bit",
       ExtensibleFmt(1, 1, 8000, 24),
       LE(std::vector<int32_t>{0x400000, -0x100}, 3),
       {16384, -1}},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Read(Riff({Chunk("fmt ", c.fmt), Chunk("data", c.data)}), 1, 8000), c.expected)
        << c.name;
}

// The exact 16-bit value of sum / (count * 65536), rounded half to even and clipped.
int16_t ExactSample(int64_t sum, int64_t count) {
  const int64_t unit = count * 65536;
  int64_t q = sum >= 0 ? sum / unit : -((-sum + unit - 1) / unit);  // floor
  int64_t r = sum - q * unit;
  if (2 * r > unit || (2 * r == unit && (q & 1))) ++q;
  return static_cast<int16_t>(std::clamp<int64_t>(q, -32768, 32767));
}

// 32-bit samples carry more than a float holds; rounded through one they land a step off
// (1494122538 is 22798.5006 steps, not 22798.5).
TEST(ClipFormat, ThirtyTwoBitSamplesRoundOnceFromTheirExactValue) {
  std::mt19937 random(20);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  std::vector<int32_t> values = {1494122538, -1494122538, 0x18000, 0x28000, 0x28001, -0x18000};
  while (values.size() < 20000) values.push_back(any(random));
  TSamples mono(values.size()), mixed(values.size() / 2);
  for (size_t i = 0; i < values.size(); ++i) mono[i] = ExactSample(values[i], 1);
  for (size_t f = 0; f < mixed.size(); ++f)
    mixed[f] = ExactSample(int64_t{values[2 * f]} + values[2 * f + 1], 2);
  EXPECT_EQ(mono[0], 22799);
  EXPECT_EQ(Read(Riff({Chunk("fmt ", Fmt(1, 1, 8000, 32)), Chunk("data", LE(values, 4))}), 1, 8000),
            mono);
  // Two channels mixed to one: their sum is exact too, and rounded once.
  EXPECT_EQ(Read(Riff({Chunk("fmt ", Fmt(1, 2, 8000, 32)), Chunk("data", LE(values, 4))}), 1, 8000),
            mixed);
}

TEST(ClipFormat, MatchesTheDocumentsChannelCount) {
  TSamples mono = {5, -32768, 32767};
  TBytes monoBlock = MakeClipBlock(1, 8000, mono.data(), mono.size());
  EXPECT_EQ(Read(monoBlock, 2, 8000), (TSamples{5, 5, -32768, -32768, 32767, 32767}));

  // Averages of odd sums round half to even.
  TSamples stereo = {1, 2, 3, 2, -1, -2, -3, -2, 32767, 32767, -32768, -32768, 32767, -32768, 6, 8};
  TBytes stereoBlock = MakeClipBlock(2, 8000, stereo.data(), stereo.size());
  EXPECT_EQ(Read(stereoBlock, 1, 8000), (TSamples{2, 2, -2, -2, 32767, -32768, 0, 7}));

  // More channels: all of them averaged into mono, the first two kept for stereo.
  TSamples quad = {4, 8, 12, 16, 1, 2, 3, 4, -100, 100, 7, 7};
  TBytes quadBlock = Riff({Chunk("fmt ", Fmt(1, 4, 8000, 16)), Chunk("data", LE(quad, 2))});
  EXPECT_EQ(Read(quadBlock, 1, 8000), (TSamples{10, 2, 4}));
  EXPECT_EQ(Read(quadBlock, 2, 8000), (TSamples{4, 8, 1, 2, -100, 100}));

  // The same for another encoding: 24-bit 0x100 is one 16-bit step.
  TBytes three = Riff({Chunk("fmt ", Fmt(1, 3, 8000, 24)),
                       Chunk("data", LE(std::vector<int32_t>{0x100, 0x200, 0x600}, 3))});
  EXPECT_EQ(Read(three, 1, 8000), TSamples{3});
  EXPECT_EQ(Read(three, 2, 8000), (TSamples{1, 2}));
}

TEST(ClipFormat, ResamplesToTheDocumentsRate) {
  struct TCase {
    uint16_t fromChannels, toChannels;
    uint32_t fromRate, toRate;
  };
  // Three seconds pass through more than one conversion step; a lost or repeated step would
  // shift the phase of everything after it.
  for (TCase c : {TCase{1, 2, 22050, 44100}, {2, 1, 48000, 44100}, {2, 2, 44100, 8000}}) {
    SCOPED_TRACE(testing::Message() << c.fromRate << " -> " << c.toRate);
    TSamples sine;
    for (size_t i = 0; i < 3 * c.fromRate; ++i)
      sine.insert(sine.end(), c.fromChannels,
                  static_cast<int16_t>(std::lround(SineAt(i, c.fromRate))));
    std::optional<TSamples> read =
        Read(MakeClipBlock(c.fromChannels, c.fromRate, sine.data(), sine.size()), c.toChannels,
             c.toRate);
    ASSERT_TRUE(read);
    size_t frames = read->size() / c.toChannels;
    EXPECT_NEAR(static_cast<double>(frames), 3.0 * c.toRate, 2);
    // Within 1 % of the sine, past the edges where the filter starts and stops.
    for (size_t i = 200; i + 200 < frames; ++i)
      ASSERT_NEAR((*read)[i * c.toChannels], SineAt(i, c.toRate), 160) << i;
    if (c.toChannels == 2) {
      for (size_t i = 0; i < read->size(); i += 2) ASSERT_EQ((*read)[i], (*read)[i + 1]) << i;
    }
  }
}

TEST(ClipFormat, ResamplesClipsToTheirLastFrame) {
  // Clips shorter than the resampler's filter come out whole too (no frames at all is empty
  // audio), and a constant stays constant up to the last frame.
  const std::pair<uint32_t, uint32_t> rates[] = {
      {22050, 44100}, {44100, 22050}, {48000, 44100}, {8000, 96000}, {44100 * 64, 44100}};
  for (auto [from, to] : rates) {
    for (size_t frames : {0, 1, 2, 5, 31, 100, 1000, 100001}) {
      TSamples constant(2 * frames, 8192);
      std::optional<TSamples> read =
          Read(MakeClipBlock(2, from, constant.data(), constant.size()), 2, to);
      ASSERT_TRUE(read);
      double expected = static_cast<double>(frames) * to / from;
      EXPECT_NEAR(static_cast<double>(read->size() / 2), expected, 1) << from << " " << frames;
      for (int16_t v : *read) ASSERT_NEAR(v, 8192, 8) << from << " -> " << to << ", " << frames;
    }
  }
}

TEST(ClipFormat, RefusesWhatIsNotPcmAudio) {
  const TBytes pcm = LE(TSamples{1, 2, 3, 4}, 2);
  auto with = [&](TBytes fmt) { return Riff({Chunk("fmt ", fmt), Chunk("data", pcm)}); };
  TBytes shortExtensible = ExtensibleFmt(1, 1, 8000, 16);
  shortExtensible.resize(18);
  TBytes notWave = with(Fmt(1, 1, 8000, 16));
  notWave[11] = 'X';
  TBytes shortFmt = Fmt(1, 1, 8000, 16);
  shortFmt.resize(14);
  const std::pair<const char*, TBytes> blocks[] = {
      {"empty", {}},
      {"text", TBytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'}},
      {"RIFF alone", TBytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}},
      {"not WAVE", notWave},
      {"MP3", with(Fmt(0x55, 1, 8000, 0, 1))},
      {"extensible MP3", with(ExtensibleFmt(0x55, 1, 8000, 16))},
      {"extensible, fmt too short", with(shortExtensible)},
      {"block align", with(Fmt(1, 2, 8000, 16, 2))},
      {"no channels", with(Fmt(1, 0, 8000, 16, 2))},
      {"65 channels", with(Fmt(1, 65, 8000, 8))},
      {"rate 0", with(Fmt(1, 1, 0, 16))},
      {"rate 1 Hz", with(Fmt(1, 1, 1, 16))},
      {"12 bits", with(Fmt(1, 1, 8000, 12, 2))},
      {"16-bit float", with(Fmt(3, 1, 8000, 16))},
      {"no fmt", Riff({Chunk("data", pcm)})},
      {"no data", Riff({Chunk("fmt ", Fmt(1, 1, 8000, 16))})},
      {"fmt of 14 bytes", with(shortFmt)},
  };
  for (const auto& [name, block] : blocks) EXPECT_FALSE(Read(block, 1, 8000)) << name;
  EXPECT_FALSE(ReadClipAudio(nullptr, 0, 1, 8000));

  // Nor does a document format outside one or two channels get anything.
  TBytes good = with(Fmt(1, 1, 8000, 16));
  ASSERT_TRUE(Read(good, 1, 8000));
  EXPECT_FALSE(Read(good, 0, 8000));
  EXPECT_FALSE(Read(good, 3, 8000));
  EXPECT_FALSE(Read(good, 1, 0));
}

TEST(ClipFormat, NeverReadsPastTheBlock) {
  const TSamples samples = {10, -20, 30, -40, 50, -60, 70, -80};
  const TBytes block = MakeClipBlock(2, 8000, samples.data(), samples.size());
  // Cut anywhere: in the RIFF header, in the fmt chunk, in the data chunk's header (none), or
  // in the data (the whole frames before the cut; none at all is empty audio).
  for (size_t size = 0; size <= block.size(); ++size) {
    std::optional<TSamples> read = Read(block, 2, 8000, size);
    if (size < 44) {
      EXPECT_FALSE(read) << size;
    } else {
      ASSERT_TRUE(read) << size;
      size_t count = (size - 44) / 4 * 2;
      EXPECT_EQ(*read, TSamples(samples.begin(), samples.begin() + count)) << size;
    }
  }

  // Lying sizes: data 0xFFFFFFF0 with 10 bytes there, 0xFFFFFFFF ("to the end"), a RIFF size
  // of 4 GB or of 4 bytes, and a fmt chunk claiming more than the block holds.
  const TBytes ten = LE(TSamples{1, 2, 3, 4, 5}, 2);
  const TSamples five = {1, 2, 3, 4, 5};
  TBytes lying = Riff({Chunk("fmt ", Fmt(1, 1, 8000, 16)), Chunk("data", ten, 0xFFFFFFF0)});
  EXPECT_EQ(Read(lying, 1, 8000), five);
  lying = Riff({Chunk("fmt ", Fmt(1, 1, 8000, 16)), Chunk("data", ten, 0xFFFFFFFF)});
  EXPECT_EQ(Read(lying, 1, 8000), five);
  for (uint32_t riffSize : {0xFFFFFFFFu, 4u}) {
    WriteLE32(lying.data() + 4, riffSize);
    EXPECT_EQ(Read(lying, 1, 8000), five);
  }
  EXPECT_FALSE(Read(Riff({Chunk("fmt ", Fmt(1, 1, 8000, 16), 0xFFFFFFF0)}), 1, 8000));
  TBytes truncatedFmt = Riff({Chunk("fmt ", Fmt(1, 1, 8000, 16))});
  truncatedFmt.resize(truncatedFmt.size() - 4);
  EXPECT_FALSE(Read(truncatedFmt, 1, 8000));
}

TEST(ClipFormatRobustness, MutatedBlocksNeverCrash) {
  const TSamples samples = {100, -200, 300, -400, 500, -600, 700, -800, 900, -1000, 1, 2};
  TBytes multi = Riff({Chunk("LIST", TBytes(9, 'i')), Chunk("fmt ", ExtensibleFmt(1, 2, 48000, 24)),
                       Chunk("data", LE(std::vector<int32_t>{1, -1, 2, -2, 3, -3}, 3))});
  const TBytes seeds[] = {MakeClipBlock(2, 44100, samples.data(), samples.size()),
                          MakeClipBlock(1, 22050, samples.data(), samples.size()), multi};
  std::mt19937 random(2024);
  int accepted = 0;
  for (int round = 0; round < 4000; ++round) {
    TBytes block = seeds[round % std::size(seeds)];
    // Mostly the header and fmt fields: random bytes in sample data prove nothing.
    int flips = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < flips; ++i) {
      size_t at =
          random() % 4 ? random() % std::min<size_t>(block.size(), 72) : random() % block.size();
      block[at] = random() % 3 ? static_cast<uint8_t>(random()) : 0xFF;
    }
    size_t size = random() % 4 ? block.size() : random() % (block.size() + 1);
    std::optional<TSamples> read = Read(block, static_cast<uint16_t>(1 + round % 2), 44100, size);
    if (read) {
      ++accepted;
      // Whatever passes, the output stays within what a block this small can yield.
      EXPECT_LE(read->size(), 2 * 64 * size + 1024);
    }
  }
  EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace quillon
