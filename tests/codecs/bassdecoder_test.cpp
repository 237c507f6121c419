#include "codecs/bassdecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <random>

#include "codecs/wavheader.h"
#include "platform/error.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

using namespace test;

bool HasEncoder(const std::string& name) {
  return RunCommand("ffmpeg -hide_banner -encoders 2>/dev/null | grep -q ' " + name + " '") == 0;
}

// Left 0.5 at 440 Hz, right 0.25 at 660 Hz: swapped, mixed or misscaled channels show.
std::string TwoTones(int rate, double seconds) {
  return "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*440*t)|0.25*sin(2*PI*660*t):s=" +
         std::to_string(rate) + ":d=" + std::to_string(seconds) + "\"";
}

std::vector<int16_t> RandomSamples(size_t count) {
  std::mt19937 random(7);
  std::vector<int16_t> samples(count);
  for (int16_t& s : samples) s = static_cast<int16_t>(random());
  const int16_t edges[] = {-32768, 32767, -32767, 1, -1, 0, 3, -3};
  std::copy(std::begin(edges), std::end(edges), samples.begin());
  return samples;
}

struct TDecoded {
  std::vector<int16_t> samples;
  TChannelPeaks peaks{};
  double seconds = 0;
};

// Decodes a source and checks what every working copy must satisfy: the header agrees with the
// file size, BytesWritten with the data, and the index with one computed from the samples.
TDecoded DecodeChecked(const std::string& source, const std::string& output) {
  TDecoded d;
  TBASSDecoder decoder(source, output);
  EXPECT_TRUE(decoder.Ready());
  if (!decoder.Ready()) return d;
  std::atomic<int32_t> progress{77};
  EXPECT_TRUE(decoder.Decode(progress));
  EXPECT_EQ(progress, 0);
  std::vector<uint8_t> bytes = ReadFileBytes(output);
  if (bytes.size() < kWavHeaderSize) {
    ADD_FAILURE() << "no header in " << output;
    return d;
  }
  uint32_t data = static_cast<uint32_t>(bytes.size() - kWavHeaderSize);
  TWavHeader expected = MakeWavHeader(decoder.Channels(), decoder.SampleRate(), data);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
  EXPECT_EQ(decoder.BytesWritten(), data);

  d.samples = ReadWav16Samples(output);
  int channels = decoder.Channels();
  size_t frames = d.samples.size() / channels;
  Tindexdata reference((std::max<size_t>(1, (frames + 511) / 512) + 1) * channels);
  for (size_t i = 0; i < d.samples.size(); ++i) {
    Tindextype& e = reference[i / channels / 512 * channels + i % channels];
    e = {std::max(e.max, d.samples[i]), std::min(e.min, d.samples[i])};
  }
  Tindexdata index;
  decoder.Filter()->GetIndex(index);
  EXPECT_EQ(index, reference);
  int16_t overall;
  int32_t level;
  decoder.Filter()->GetPeaks(d.peaks, overall, level);
  d.seconds = static_cast<double>(frames) / decoder.SampleRate();
  return d;
}

struct TFormatCase {
  const char* name;
  const char* encoder;
  const char* arguments;
  const char* extension;
  uint16_t bits;
  int frameTolerance;  // lossy codecs may add or trim a codec frame or two
  double peakTolerance;
};

void PrintTo(const TFormatCase& c, std::ostream* os) {
  *os << c.name;
}

class DecoderFormats : public testing::TestWithParam<TFormatCase> {};

TEST_P(DecoderFormats, OpensDecodesAndIndexes) {
  const TFormatCase& c = GetParam();
  if (!HasEncoder(c.encoder)) GTEST_SKIP() << "ffmpeg has no " << c.encoder << " encoder";
  TTempDir dir;
  std::string source = dir.File(std::string("in.") + c.extension);
  MakeWithFfmpeg(TwoTones(44100, 1) + " -c:a " + c.encoder + " " + c.arguments, source);
  if (HasFatalFailure()) return;
  {
    TBASSDecoder decoder(source, dir.File("out.wav"));
    ASSERT_TRUE(decoder.Ready());
    EXPECT_EQ(decoder.Channels(), 2);
    EXPECT_EQ(decoder.SampleRate(), 44100);
    EXPECT_EQ(decoder.OriginalBits(), c.bits);
    EXPECT_EQ(decoder.OriginalResolution().isFloat, std::string(c.encoder).rfind("pcm_f", 0) == 0);
    EXPECT_NEAR(decoder.EstimatedBytes().value_or(0), 44100 * 4, 4 * (c.frameTolerance + 2));
    EXPECT_FALSE(FileExists(dir.File("out.wav")));  // opening alone writes nothing
  }
  TDecoded d = DecodeChecked(source, dir.File("out.wav"));
  EXPECT_NEAR(d.samples.size() / 2, 44100, c.frameTolerance);
  EXPECT_NEAR(d.peaks[0], 16384, 16384 * c.peakTolerance);
  EXPECT_NEAR(d.peaks[1], 8192, 8192 * c.peakTolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, DecoderFormats,
    testing::Values(TFormatCase{"u8", "pcm_u8", "", "wav", 8, 0, 0.01},
                    TFormatCase{"s16", "pcm_s16le", "", "wav", 16, 0, 0.001},
                    TFormatCase{"s24", "pcm_s24le", "", "wav", 24, 0, 0.001},
                    TFormatCase{"f32", "pcm_f32le", "", "wav", 32, 0, 0.001},
                    TFormatCase{"f64", "pcm_f64le", "", "wav", 64, 0, 0.001},
                    TFormatCase{"flac16", "flac", "-sample_fmt s16", "flac", 16, 0, 0.001},
                    TFormatCase{"flac24", "flac", "-sample_fmt s32", "flac", 24, 0, 0.001},
                    TFormatCase{"mp3", "libmp3lame", "", "mp3", 16, 2 * 1152, 0.1},
                    TFormatCase{"wma", "wmav2", "", "wma", 16, 2 * 2048, 0.1},
                    // The built-in AAC encoder overshoots at the start of the tone.
                    TFormatCase{"aac", "aac", "", "m4a", 16, 2 * 1024, 0.5},
                    TFormatCase{"vorbis", "libvorbis", "", "ogg", 16, 2 * 2048, 0.1}),
    [](const testing::TestParamInfo<TFormatCase>& info) { return info.param.name; });

TEST(Decoder, SixteenBitSamplesSurviveEveryRoute) {
  // The direct 16-bit copy (packed and planar) and the float route must agree bit for bit.
  TTempDir dir;
  for (uint16_t channels : {1, 2}) {
    std::vector<int16_t> samples = RandomSamples(3001 * channels);
    std::string wav = dir.File("known.wav");
    WriteWav16(wav, channels, 48000, samples);
    for (std::string route : {"", "pcm_s16le_planar nut", "pcm_f32le wav", "pcm_s24le wav"}) {
      SCOPED_TRACE(route + " " + std::to_string(channels));
      std::string source = wav;
      if (!route.empty()) {
        source = dir.File("conv." + route.substr(route.find(' ') + 1));
        MakeWithFfmpeg("-i '" + wav + "' -c:a " + route.substr(0, route.find(' ')), source);
        if (HasFatalFailure()) return;
      }
      WriteFileBytes(dir.File("out.wav"), std::vector<uint8_t>(100000, 0xAB));  // replaced
      EXPECT_EQ(DecodeChecked(source, dir.File("out.wav")).samples, samples);
    }
  }
}

TEST(Decoder, Mp3RatesChannelsAndDamage) {
  if (!HasEncoder("libmp3lame")) GTEST_SKIP() << "ffmpeg has no libmp3lame encoder";
  TTempDir dir;
  for (int rate : {22050, 44100}) {
    for (int channels : {1, 2}) {
      SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels");
      MakeWithFfmpeg(TwoTones(rate, 1.5) + " -ac " + std::to_string(channels) + " -c:a libmp3lame",
                     dir.File("in.mp3"));
      TBASSDecoder probe(dir.File("in.mp3"), dir.File("unused.wav"));
      EXPECT_EQ(probe.Channels(), channels);
      EXPECT_EQ(probe.SampleRate(), rate);
      int frame = rate < 32000 ? 576 : 1152;
      EXPECT_NEAR(DecodeChecked(dir.File("in.mp3"), dir.File("out.wav")).seconds, 1.5,
                  2.0 * frame / rate);
    }
  }
  // Cut in the middle of a frame: what came before decodes.
  std::vector<uint8_t> bytes = ReadFileBytes(dir.File("in.mp3"));
  WriteFileBytes(dir.File("cut.mp3"), {bytes.begin(), bytes.begin() + bytes.size() / 2 + 77});
  double cutSeconds = DecodeChecked(dir.File("cut.mp3"), dir.File("out.wav")).seconds;
  EXPECT_NEAR(cutSeconds, 0.75, 0.1);
  // Garbage in the middle loses only what it covers.
  std::mt19937 random(3);
  for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 2000; ++i) bytes[i] = uint8_t(random());
  WriteFileBytes(dir.File("garbled.mp3"), bytes);
  EXPECT_GT(DecodeChecked(dir.File("garbled.mp3"), dir.File("out.wav")).seconds, 1.2);
  // Mono 22050 Hz joined after the stereo 44100 Hz cut: converted to the format it opened with.
  std::vector<uint8_t> joined = ReadFileBytes(dir.File("cut.mp3"));
  MakeWithFfmpeg(TwoTones(22050, 1) + " -ac 1 -c:a libmp3lame", dir.File("other.mp3"));
  std::vector<uint8_t> other = ReadFileBytes(dir.File("other.mp3"));
  joined.insert(joined.end(), other.begin(), other.end());
  WriteFileBytes(dir.File("mixed.mp3"), joined);
  EXPECT_NEAR(DecodeChecked(dir.File("mixed.mp3"), dir.File("out.wav")).seconds, cutSeconds + 1,
              0.1);
}

// ---- Exact rounding of wide sources ----

// The 16-bit value nearest to a sample of value `exact` in 16-bit units, halves to even.
int16_t Nearest16(long double exact) {
  if (!(exact > -32768)) return -32768;  // also NaN
  if (exact >= 32767) return 32767;
  return static_cast<int16_t>(std::nearbyintl(exact));  // half to even by default
}

// Integer samples widened to 64 bits (every integer source widens exactly), in 16-bit units. A
// long double holds every 64-bit integer exactly, and dividing by a power of two is exact.
std::vector<int16_t> ExactFromS64(const std::vector<uint8_t>& raw) {
  std::vector<int16_t> result(raw.size() / 8);
  for (size_t i = 0; i < result.size(); ++i) {
    int64_t v;
    std::memcpy(&v, raw.data() + 8 * i, 8);
    result[i] = Nearest16(static_cast<long double>(v) / 281474976710656.0L);  // 2^48
  }
  return result;
}

// Float samples widened to doubles (exactly), in 16-bit units.
std::vector<int16_t> ExactFromF64(const std::vector<uint8_t>& raw) {
  std::vector<int16_t> result(raw.size() / 8);
  for (size_t i = 0; i < result.size(); ++i) {
    double v;
    std::memcpy(&v, raw.data() + 8 * i, 8);
    result[i] = Nearest16(static_cast<long double>(v) * 32768);
  }
  return result;
}

// The source's samples as ffmpeg reads them, widened without loss into raw s64le or f64le
// (ffmpeg's data muxer writes the codec's packets as they are).
std::vector<uint8_t> WidenedWithFfmpeg(const std::string& source, const std::string& wide,
                                       const std::string& raw) {
  MakeWithFfmpeg("-i '" + source + "' -map 0:a -c:a pcm_" + wide + " -f data", raw);
  return ReadFileBytes(raw);
}

template <typename T>
void WriteRaw(const std::string& path, const std::vector<T>& values) {
  std::vector<uint8_t> bytes(values.size() * sizeof(T));
  std::memcpy(bytes.data(), values.data(), bytes.size());
  WriteFileBytes(path, bytes);
}

// Values around every kind of tie of 32-bit integers: 16-bit steps from end to end, each at its
// half and one or two below and above it, the extremes and a known hard case.
std::vector<int32_t> S32NearTies() {
  std::vector<int32_t> values = {INT32_MIN, INT32_MAX, 0x7FFF8000, 0x7FFF7FFF, int32_t(0xA2657FFF),
                                 -0x8000,   0x8000,    -0x18000,   0x18000,    0,
                                 -1,        1};
  for (int64_t q = -32768; q <= 32767; q += 41)
    for (int64_t d : {-2, -1, 0, 1, 2}) {
      int64_t v = q * 65536 + 0x8000 + d;
      if (v >= INT32_MIN && v <= INT32_MAX) values.push_back(static_cast<int32_t>(v));
    }
  return values;
}

// The same for doubles: every half step, the doubles next to it and one a billionth away.
std::vector<double> F64NearTies() {
  std::vector<double> values = {1.0,
                                -1.0,
                                1.5,
                                -7.0,
                                32767.5 / 32768,
                                -32768.5 / 32768,
                                0.0,
                                -0.0,
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity()};
  for (int q = -32768; q <= 32767; q += 41) {
    double half = (q + 0.5) / 32768;
    for (double v : {half, std::nextafter(half, 2.0), std::nextafter(half, -2.0),
                     half + 1e-9 / 32768, half - 1e-9 / 32768})
      values.push_back(v);
  }
  return values;
}

struct TWideCase {
  const char* name;
  // Makes source in dir (ffmpeg or sox); raw helpers are written next to it.
  std::function<void(const TTempDir& dir, const std::string& source)> make;
  const char* widened;  // s64le for integer sources, f64le for float ones
};

// White noise from sox, at 0.95 of full scale, three seconds of stereo at 44.1 kHz.
void SoxNoise(const std::string& encoding, const std::string& path) {
  std::string command = "sox -D -n -r 44100 -c 2 " + encoding + " '" + path +
                        "' synth 3 whitenoise vol 0.95 2>/dev/null";
  ASSERT_EQ(RunCommand(command), 0) << command;
}

std::function<void(const TTempDir&, const std::string&)> Ffmpeg(std::string arguments) {
  return [arguments](const TTempDir&, const std::string& source) {
    MakeWithFfmpeg(arguments, source);
  };
}

const char* kNoise = "-f lavfi -i \"anoisesrc=a=0.95:c=white:r=44100:d=3:seed=11\" -ac 2 ";

// Every wide sample format FFmpeg delivers, packed and planar, is rounded once from the exact
// value: compared sample by sample with the nearest 16-bit value computed exactly here.
TEST(Decoder, WideSourcesRoundOnceFromTheirExactValue) {
  if (RunCommand("sox --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
  const std::vector<TWideCase> cases = {
      {"s32 noise by ffmpeg", Ffmpeg(std::string(kNoise) + "-c:a pcm_s32le"), "s64le"},
      {"s32 noise by sox",
       [](const TTempDir&, const std::string& source) {
         SoxNoise("-e signed-integer -b 32", source);
       },
       "s64le"},
      {"s32 near ties",
       [](const TTempDir& dir, const std::string& source) {
         WriteRaw(dir.File("ties.raw"), S32NearTies());
         MakeWithFfmpeg("-f s32le -ar 8000 -ac 1 -i '" + dir.File("ties.raw") + "' -c:a pcm_s32le",
                        source);
       },
       "s64le"},
      {"s32 planar noise", Ffmpeg(std::string(kNoise) + "-c:a pcm_s32le_planar -f nut"), "s64le"},
      {"s64 noise", Ffmpeg(std::string(kNoise) + "-c:a pcm_s64le"), "s64le"},
      {"u8 noise", Ffmpeg(std::string(kNoise) + "-c:a pcm_u8"), "s64le"},
      {"f64 noise by ffmpeg", Ffmpeg(std::string(kNoise) + "-c:a pcm_f64le"), "f64le"},
      {"f64 noise by sox",
       [](const TTempDir&, const std::string& source) {
         SoxNoise("-e floating-point -b 64", source);
       },
       "f64le"},
      {"f64 near ties",
       [](const TTempDir& dir, const std::string& source) {
         WriteRaw(dir.File("ties.raw"), F64NearTies());
         MakeWithFfmpeg("-f f64le -ar 8000 -ac 1 -i '" + dir.File("ties.raw") + "' -c:a pcm_f64le",
                        source);
       },
       "f64le"},
      {"f32 noise", Ffmpeg(std::string(kNoise) + "-c:a pcm_f32le"), "f64le"},
  };
  for (const TWideCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir dir;
    const std::string source = dir.File("source.wav");
    c.make(dir, source);
    if (HasFatalFailure()) return;
    const std::vector<uint8_t> raw =
        WidenedWithFfmpeg(source, c.widened, dir.File(std::string("wide.") + c.widened));
    if (HasFatalFailure()) return;
    const std::vector<int16_t> expected =
        std::string(c.widened) == "s64le" ? ExactFromS64(raw) : ExactFromF64(raw);
    const std::vector<int16_t> decoded = DecodeChecked(source, dir.File("out.wav")).samples;
    ASSERT_EQ(decoded.size(), expected.size());
    size_t off = 0, first = SIZE_MAX;
    for (size_t i = 0; i < decoded.size(); ++i)
      if (decoded[i] != expected[i] && off++ == 0) first = i;
    EXPECT_EQ(off, 0u) << "of " << decoded.size() << " samples; the first, sample " << first
                       << ", is " << (first == SIZE_MAX ? 0 : decoded[first]) << " for "
                       << (first == SIZE_MAX ? 0 : expected[first]);
  }
}

// ---- Opus at the rate its header records ----

// The Ogg page checksum: CRC-32 with polynomial 0x04C11DB7, unreflected, over the page with its
// checksum field zeroed.
uint32_t OggChecksum(const uint8_t* page, size_t size) {
  uint32_t crc = 0;
  for (size_t i = 0; i < size; ++i) {
    crc ^= static_cast<uint32_t>(i >= 22 && i < 26 ? 0 : page[i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

// Rewrites the input rate in the OpusHead of an Ogg Opus file (its first page), checksum and all.
void RecordOpusRate(std::vector<uint8_t>& file, uint32_t rate) {
  ASSERT_GT(file.size(), 27u + file[26] + 19);
  size_t size = 27 + file[26];
  for (size_t i = 0; i < file[26]; ++i) size += file[27 + i];
  const size_t head = 27 + file[26];
  ASSERT_EQ(std::string(file.begin() + head, file.begin() + head + 8), "OpusHead");
  WriteLE32(file.data() + head + 12, rate);
  WriteLE32(file.data() + 22, OggChecksum(file.data(), size));
}

// An Opus file opens at the input rate its header records, with the length its 48 kHz frames
// have at that rate; a rate no audio has (0 means "not known") leaves it at 48 kHz.
TEST(Decoder, OpusOpensAtTheRateItsHeaderRecords) {
  if (!HasEncoder("libopus")) GTEST_SKIP() << "ffmpeg has no libopus encoder";
  TTempDir dir;
  MakeWithFfmpeg(TwoTones(48000, 0.61) + " -c:a libopus", dir.File("made.opus"));
  if (HasFatalFailure()) return;
  const size_t decodedFrames =
      DecodeChecked(dir.File("made.opus"), dir.File("out.wav")).samples.size() / 2;
  ASSERT_NEAR(decodedFrames, 0.61 * 48000, 1);
  struct TCase {
    uint32_t recorded;
    int32_t opensAt;
  };
  for (const TCase& c : {TCase{22050, 22050}, TCase{8000, 8000}, TCase{96000, 96000},
                         TCase{0, 48000}, TCase{500, 48000}, TCase{0xFFFFFFFF, 48000}}) {
    SCOPED_TRACE(c.recorded);
    std::vector<uint8_t> file = ReadFileBytes(dir.File("made.opus"));
    RecordOpusRate(file, c.recorded);
    if (HasFatalFailure()) return;
    WriteFileBytes(dir.File("recorded.opus"), file);
    {
      TBASSDecoder probe(dir.File("recorded.opus"), dir.File("unused.wav"));
      EXPECT_EQ(probe.SampleRate(), c.opensAt);
    }
    const std::vector<int16_t> samples =
        DecodeChecked(dir.File("recorded.opus"), dir.File("out.wav")).samples;
    EXPECT_EQ(samples.size() / 2, decodedFrames * c.opensAt / 48000);
  }
}

// ---- More than two channels ----

// Samples of a raw s16le file.
std::vector<int16_t> RawSamples(const std::string& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

struct TSurroundCase {
  const char* name;
  uint16_t channels;
  std::function<void(const std::string& source)> make;
};

// Six tones, each channel its own frequency and level, so that a wrong matrix shows.
const char* kSixTones =
    "-f lavfi -i \"aevalsrc=0.3*sin(2*PI*300*t)|0.25*sin(2*PI*450*t)|0.35*sin(2*PI*600*t)|"
    "0.2*sin(2*PI*50*t)|0.3*sin(2*PI*750*t)|0.15*sin(2*PI*900*t):s=44100:d=1.3:c=5.1\" ";

// Sources of more than two channels open mixed down to stereo, as ffmpeg's own "-ac 2" mixes
// them (its standard matrix for the source's layout), within one step of rounding.
TEST(Decoder, SurroundSourcesMixDownToStereoAsFfmpegDoes) {
  const std::vector<TSurroundCase> cases = {
      {"5.1 layout", 6,
       [](const std::string& s) { MakeWithFfmpeg(std::string(kSixTones) + "-c:a pcm_s16le", s); }},
      {"5.1 FLAC", 6,
       [](const std::string& s) {
         MakeWithFfmpeg(std::string(kSixTones) + "-c:a flac -f flac", s);
       }},
      {"-ac 6", 6,
       [](const std::string& s) { MakeWithFfmpeg(TwoTones(48000, 1.1) + " -ac 6", s); }},
      {"-ac 4", 4,
       [](const std::string& s) { MakeWithFfmpeg(TwoTones(22050, 1.2) + " -ac 4", s); }},
      {"6 channels without a layout", 6,
       [](const std::string& s) {
         std::vector<int16_t> samples = RandomSamples(6 * 7001);
         for (int16_t& v : samples) v = static_cast<int16_t>(v / 4);
         WriteWav16(s, 6, 32000, samples);
       }},
  };
  for (const TSurroundCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir dir;
    const std::string source = dir.File("source.wav");
    c.make(source);
    if (HasFatalFailure()) return;
    MakeWithFfmpeg("-i '" + source + "' -ac 2 -c:a pcm_s16le -f s16le", dir.File("ffmpeg.raw"));
    if (HasFatalFailure()) return;
    const std::vector<int16_t> reference = RawSamples(dir.File("ffmpeg.raw"));
    {
      TBASSDecoder probe(source, dir.File("unused.wav"));
      EXPECT_EQ(probe.SourceChannels(), c.channels);
      EXPECT_EQ(probe.Channels(), 2);
    }
    const std::vector<int16_t> decoded = DecodeChecked(source, dir.File("out.wav")).samples;
    ASSERT_EQ(decoded.size(), reference.size());
    size_t off = 0, first = SIZE_MAX;
    for (size_t i = 0; i < decoded.size(); ++i)
      if (std::abs(decoded[i] - reference[i]) > 1 && off++ == 0) first = i;
    EXPECT_EQ(off, 0u) << "of " << decoded.size() << " samples differ by more than 1; the first, "
                       << first;
    int32_t peak = 0;
    for (int16_t v : decoded) peak = std::max<int32_t>(peak, std::abs(v));
    EXPECT_GT(peak, 3000);  // sound, not silence
  }
}

TEST(Decoder, UnusableSourcesAreNotReadyAndWriteNothing) {
  TTempDir dir;
  std::string words;
  for (int i = 0; i < 200; ++i) words += "This is a text file, not audio. ";
  WriteFileBytes(dir.File("text.mp3"), {words.begin(), words.end()});
  WriteFileBytes(dir.File("empty.mp3"), {});
  WriteFileBytes(dir.File("zeros.wav"), std::vector<uint8_t>(5000, 0));
  WriteWav16(dir.File("short.wav"), 2, 44100, std::vector<int16_t>(100, 5));
  std::vector<uint8_t> header = ReadFileBytes(dir.File("short.wav"));
  WriteFileBytes(dir.File("short.wav"), {header.begin(), header.begin() + 20});

  for (std::string name : {"text.mp3", "empty.mp3", "zeros.wav", "short.wav", "none", ""}) {
    SCOPED_TRACE(name);
    TBASSDecoder decoder(dir.File(name), dir.File("out.wav"));
    EXPECT_FALSE(decoder.Ready());
    EXPECT_EQ(decoder.Filter(), nullptr);
    EXPECT_EQ(decoder.EstimatedBytes(), std::nullopt);
    std::atomic<int32_t> progress{5};
    EXPECT_FALSE(decoder.Decode(progress));
    EXPECT_EQ(progress, 0);
    EXPECT_FALSE(FileExists(dir.File("out.wav")));
  }
}

TEST(Decoder, EmptyWavGivesBareHeader) {
  TTempDir dir;
  WriteWav16(dir.File("empty.wav"), 2, 44100, {});
  TBASSDecoder decoder(dir.File("empty.wav"), dir.File("out.wav"));
  std::atomic<int32_t> progress{0};
  ASSERT_TRUE(decoder.Decode(progress));
  std::vector<uint8_t> bytes = ReadFileBytes(dir.File("out.wav"));
  ASSERT_EQ(bytes.size(), 44u);
  EXPECT_EQ(ReadLE32(bytes.data() + 4), 36u);
  EXPECT_EQ(ReadLE32(bytes.data() + 40), 0u);
  Tindexdata index;
  decoder.Filter()->GetIndex(index);
  EXPECT_EQ(index, Tindexdata(4));
  EXPECT_FALSE(decoder.Decode(progress));  // the source is read once
}

// ---- The copy of plain 16-bit WAV files ----

using TBytes = std::vector<uint8_t>;

void Put16(TBytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(TBytes& b, uint32_t v) {
  Put16(b, static_cast<uint16_t>(v));
  Put16(b, static_cast<uint16_t>(v >> 16));
}

TBytes Chunk(const char* id, const TBytes& payload, std::optional<uint32_t> declared = {}) {
  TBytes b(id, id + 4);
  Put32(b, declared.value_or(static_cast<uint32_t>(payload.size())));
  b.insert(b.end(), payload.begin(), payload.end());
  if (payload.size() % 2) b.push_back(0);
  return b;
}

TBytes Fmt(uint16_t channels, bool extensible = false, uint16_t bits = 16) {
  TBytes b;
  Put16(b, extensible ? 0xFFFE : 1);
  Put16(b, channels);
  Put32(b, 44100);
  Put32(b, 44100u * channels * bits / 8);
  Put16(b, static_cast<uint16_t>(channels * bits / 8));
  Put16(b, bits);
  if (extensible) {
    Put16(b, 22);
    Put16(b, bits);
    Put32(b, channels == 1 ? 4 : 3);
    const uint8_t guid[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    b.insert(b.end(), guid, guid + 16);
  }
  return b;
}

TBytes Riff(std::initializer_list<TBytes> chunks) {
  TBytes body = {'W', 'A', 'V', 'E'};
  for (const TBytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  TBytes b = {'R', 'I', 'F', 'F'};
  Put32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

TBytes SampleBytes(size_t count) {
  std::vector<int16_t> samples = RandomSamples(count);
  TBytes b;
  for (int16_t s : samples) Put16(b, static_cast<uint16_t>(s));
  return b;
}

struct TOpened {
  bool ready = false;
  bool copied = false;
  int64_t bytesWritten = 0;
  uint16_t originalBits = 0;
  TBytes file;
  Tindexdata index;
  TChannelPeaks peaks{};
  int16_t peak = 0;
  int32_t level = 0;
  bool operator==(const TOpened& o) const {
    return ready == o.ready && bytesWritten == o.bytesWritten && originalBits == o.originalBits &&
           file == o.file && index == o.index && peaks == o.peaks && peak == o.peak &&
           level == o.level;
  }
};

TOpened Open(const std::string& source, const std::string& output, bool allowCopy) {
  TOpened o;
  TBASSDecoder decoder(source, output);
  decoder.AllowCopy(allowCopy);
  o.ready = decoder.Ready();
  if (!o.ready) return o;
  std::atomic<int32_t> progress{0};
  EXPECT_TRUE(decoder.Decode(progress));
  o.copied = decoder.CopiedAudio();
  o.bytesWritten = decoder.BytesWritten();
  o.originalBits = decoder.OriginalBits();
  o.file = ReadFileBytes(output);
  decoder.Filter()->GetIndex(o.index);
  decoder.Filter()->GetPeaks(o.peaks, o.peak, o.level);
  return o;
}

// Every file that takes the copy gives what decoding it gives, to the byte; files whose header
// says something unusual either take the copy correctly or are decoded.
TEST(Decoder, CopiedWavFilesEqualDecodedOnes) {
  TTempDir dir;
  const TBytes stereo = SampleBytes(2 * (3 * 512 + 77));
  const TBytes mono = SampleBytes(512);
  const TBytes list = Chunk("LIST", TBytes(10, 'x'));
  struct TCase {
    const char* name;
    TBytes file;
    bool copies;
  };
  TBytes truncated = Riff({Chunk("fmt ", Fmt(2)), Chunk("data", stereo, 100000)});
  TBytes partialFrame = Riff({Chunk("fmt ", Fmt(2)), Chunk("data", stereo)});
  partialFrame.resize(partialFrame.size() - 3);
  const std::vector<TCase> cases = {
      {"plain stereo", Riff({Chunk("fmt ", Fmt(2)), Chunk("data", stereo)}), true},
      {"plain mono, one block", Riff({Chunk("fmt ", Fmt(1)), Chunk("data", mono)}), true},
      {"empty", Riff({Chunk("fmt ", Fmt(2)), Chunk("data", {})}), true},
      {"chunks around", Riff({list, Chunk("fmt ", Fmt(2)), list, Chunk("data", stereo), list}),
       true},
      {"extensible", Riff({Chunk("fmt ", Fmt(2, true)), Chunk("data", stereo)}), true},
      {"size past the end", truncated, true},
      {"size unknown", Riff({Chunk("fmt ", Fmt(2)), Chunk("data", stereo, 0xFFFFFFFF)}), true},
      {"partial last frame", partialFrame, true},
      {"size of part of a frame",
       Riff({Chunk("fmt ", Fmt(2)), Chunk("data", stereo, uint32_t(stereo.size() - 2)), list}),
       true},
      {"data before fmt", Riff({Chunk("data", stereo), Chunk("fmt ", Fmt(2))}), false},
      {"odd chunk before the data",
       Riff({Chunk("fmt ", Fmt(2)), Chunk("junk", TBytes(5, 1)), Chunk("data", stereo)}), false},
      {"odd data size",
       Riff({Chunk("fmt ", Fmt(1)), Chunk("data", TBytes(mono.begin(), mono.end() - 1)), list}),
       false},
      {"second data chunk",
       Riff({Chunk("fmt ", Fmt(2)), Chunk("data", stereo), Chunk("data", stereo)}), false},
      {"24-bit", Riff({Chunk("fmt ", Fmt(2, false, 24)), Chunk("data", stereo)}), false},
      // Once hung the reader: 8 + this size wrapped to no step at all.
      {"chunk after the data declaring 4 GiB - 8",
       Riff({Chunk("fmt ", Fmt(2)), Chunk("data", stereo), Chunk("junk", {}, 0xFFFFFFF8)}), true},
      {"chunk after the data declaring 4 GiB - 9",
       Riff({Chunk("fmt ", Fmt(2)), Chunk("data", stereo), Chunk("junk", {}, 0xFFFFFFF7)}), true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = dir.File("source.wav");
    WriteFileBytes(source, c.file);
    TOpened copied = Open(source, dir.File("copied.wav"), true);
    TOpened decoded = Open(source, dir.File("decoded.wav"), false);
    EXPECT_EQ(copied.copied, c.copies);
    EXPECT_FALSE(decoded.copied);
    EXPECT_TRUE(copied == decoded);
    EXPECT_GT(copied.file.size(), 0u);
  }
}

TEST(Decoder, WriteFailureAndSizeLimit) {
  TTempDir dir;
  std::string source = dir.File("long.wav"), output = dir.File("out.wav");
  WriteWav16(source, 2, 44100, RandomSamples(441000 * 2));  // several chunks of output
  std::atomic<int32_t> progress{0};
  // Decoded, the output is written in several chunks; copied, as the header and the audio.
  for (auto [copy, failing] : {std::pair{false, 1}, {false, 2}, {false, 3}, {true, 1}, {true, 2}}) {
    SCOPED_TRACE(testing::Message() << "copy " << copy << ", write " << failing);
    TBASSDecoder decoder(source, output);
    decoder.AllowCopy(copy);
    FailNth(TFault::Write, failing);
    try {
      decoder.Decode(progress);
      ADD_FAILURE() << "no error at write " << failing;
    } catch (const EOSError& e) {
      EXPECT_EQ(e.Code(), ENOSPC);
    }
    ClearFaults();
    EXPECT_FALSE(FileExists(output));
  }

  TBASSDecoder decoder(source, output);
  EXPECT_EQ(decoder.EstimatedBytes(), 441000 * 4);
  ASSERT_TRUE(decoder.Decode(progress, 100001));
  EXPECT_GT(decoder.BytesWritten(), 100001);
  EXPECT_LT(decoder.BytesWritten(), 100001 + 65536);  // within a packet
  EXPECT_EQ(FileSize(output), static_cast<uint64_t>(44 + decoder.BytesWritten()));
  EXPECT_EQ(decoder.EstimatedBytes(), 441000 * 4);  // still known after the decode
}

}  // namespace
}  // namespace quillon
