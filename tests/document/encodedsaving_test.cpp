// Saves in FLAC, Ogg Vorbis and Opus: what the files hold once opened again, the settings that
// reach the encoders, and the failures that must leave the previous file as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <optional>

#include "localization/constants.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

// Full-scale pseudo-random samples with both extremes: nothing a predictor could smooth over.
std::vector<int16_t> Noise(size_t count, uint32_t seed) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    samples[i] = static_cast<int16_t>(seed >> 16);
  }
  if (count >= 2) samples[0] = INT16_MIN, samples[count - 1] = INT16_MAX;
  return samples;
}

// A 1 kHz sine, half scale on the first channel and a quarter on the second.
std::vector<int16_t> Sine(uint16_t channels, uint32_t rate, uint32_t frames) {
  std::vector<int16_t> samples;
  for (uint32_t f = 0; f < frames; ++f) {
    double s = std::sin(2 * std::numbers::pi * 1000.0 * f / rate);
    for (uint16_t c = 0; c < channels; ++c)
      samples.push_back(static_cast<int16_t>(std::lround(s * (c == 0 ? 16384 : 8192))));
  }
  return samples;
}

struct TMeasure {
  double hertz;
  double rms;
};

// Frequency from upward zero crossings and RMS level of one channel, away from the ends where
// codecs fade in and pad.
TMeasure Measure(const std::vector<int16_t>& samples, uint16_t channels, uint16_t channel,
                 uint32_t rate) {
  const size_t frames = samples.size() / channels, margin = rate / 10;
  int crossings = 0;
  size_t firstCrossing = 0, lastCrossing = 0;
  double sum = 0;
  for (size_t f = margin; f + margin < frames; ++f) {
    const int16_t now = samples[f * channels + channel];
    const int16_t before = samples[(f - 1) * channels + channel];
    sum += static_cast<double>(now) * now;
    if (before < 0 && now >= 0) {
      if (crossings++ == 0) firstCrossing = f;
      lastCrossing = f;
    }
  }
  const double hertz =
      crossings > 1 ? (crossings - 1) * static_cast<double>(rate) / (lastCrossing - firstCrossing)
                    : 0;
  return {hertz, std::sqrt(sum / static_cast<double>(frames - 2 * margin))};
}

// What ffprobe says of a file's first stream and its format, as "key=value" lines.
std::string Probe(const std::string& path) {
  return test::CommandOutput(
      "ffprobe -v error -show_entries stream=codec_name,bit_rate:format=size -of default=nw=1 '" +
      path + "' 2>/dev/null");
}

long ProbedNumber(const std::string& probe, const std::string& key) {
  size_t at = probe.find(key + "=");
  return at == std::string::npos ? -1 : std::atol(probe.c_str() + at + key.size() + 1);
}

bool HaveFfprobe() {
  return test::RunCommand("ffprobe -version >/dev/null 2>&1") == 0;
}

// The total sample count and MD5 that the FLAC muxer writes back into STREAMINFO at the end.
uint64_t FlacStreamInfoFrames(const std::vector<uint8_t>& file) {
  if (file.size() < 42) return UINT64_MAX;
  uint64_t total = file[21] & 0x0F;
  for (int i = 22; i < 26; ++i) total = total << 8 | file[i];
  return total;
}

TEST(EncodedSavingTest, FlacReopensIdenticallyAtEveryRateAndChannelCount) {
  for (uint16_t channels : {1, 2}) {
    for (uint32_t rate : {8000u, 22050u, 44100u, 96000u}) {
      SCOPED_TRACE(std::to_string(channels) + " channels at " + std::to_string(rate));
      TDocumentHarness h;
      // Not a multiple of the encoder's block, so the last block is short.
      const std::vector<int16_t> samples = Noise(channels * 10007u, rate);
      ASSERT_TRUE(h.OpenSamples(channels, samples, rate));
      ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
      const std::vector<int16_t> inverted = h.Samples();
      const std::string path = h.files.File("whole.FLAC");
      h.document.SetFileName(path);
      ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
      EXPECT_TRUE(h.boxes.shown.empty());
      EXPECT_FALSE(h.document.Modified());
      EXPECT_EQ(FlacStreamInfoFrames(test::ReadFileBytes(path)), 10007u);

      const std::string one = h.files.File("one.flac");
      ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(one, 5000, 5001); }));
      ASSERT_TRUE(h.Open(path));
      EXPECT_EQ(h.document.Channels(), channels);
      EXPECT_EQ(h.document.SampleRate(), rate);
      EXPECT_EQ(h.document.OriginalBits(), 16);
      EXPECT_TRUE(h.Samples() == inverted);
      ASSERT_TRUE(h.Open(one));
      EXPECT_EQ(h.Samples(), std::vector<int16_t>(inverted.begin() + 5000 * channels,
                                                  inverted.begin() + 5001 * channels));
    }
  }
}

TEST(EncodedSavingTest, AnEmptyDocumentSavesAsAnEmptyFlacAndIsRefusedByOggButOneFrameIsSaved) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, Noise(2000, 7), 44100));
  // A single frame at 44.1 kHz is less than one step of the resampler to Opus's 48 kHz.
  for (const char* name : {"one.ogg", "one.opus"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(h.files.File(name), 0, 1); }));
    EXPECT_TRUE(h.boxes.shown.empty());
  }
  for (const char* name : {"one.ogg", "one.opus"}) {
    ASSERT_TRUE(h.Open(h.files.File(name))) << name;
    EXPECT_GE(h.document.FrameCount(), 1u) << name;
  }
  ASSERT_TRUE(h.Open(h.files.File("source1.wav")));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 1000); }));
  ASSERT_EQ(h.document.FrameCount(), 0u);
  const std::string flac = h.files.File("empty.flac");
  h.document.SetFileName(flac);
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_FALSE(h.document.Modified());

  // FFmpeg cannot open an Ogg stream without audio, so none is written.
  for (const char* name : {"empty.ogg", "empty.opus"}) {
    SCOPED_TRACE(name);
    h.boxes.shown.clear();
    ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(h.files.File(name), 0, 0); }));
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, ConstantText("emptyencoding"));
    EXPECT_FALSE(FileExists(h.files.File(name)));
  }
  ASSERT_TRUE(h.Open(flac));
  EXPECT_EQ(h.document.FrameCount(), 0u);
  EXPECT_EQ(h.document.Channels(), 2);
  EXPECT_EQ(h.document.SampleRate(), 44100u);
}

TEST(EncodedSavingTest, VorbisAndOpusKeepChannelsLengthAndASinesFrequencyAndLevel) {
  struct TCase {
    const char* name;
    uint32_t rate;
  };
  for (const TCase& c : {TCase{"x.ogg", 22050}, TCase{"x.OGG", 44100}, TCase{"x.opus", 44100},
                         TCase{"x.Opus", 8000}}) {
    for (uint16_t channels : {1, 2}) {
      SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(channels) + " channels at " +
                   std::to_string(c.rate));
      TDocumentHarness h;
      ASSERT_TRUE(h.OpenSamples(channels, Sine(channels, c.rate, c.rate), c.rate));
      int asked = 0;
      h.document.OnAskVorbisQuality = [&] { return ++asked, std::optional<int>(6); };
      h.document.OnAskOpusBitrate = [&] { return ++asked, std::optional<int>(128); };
      const std::string path = h.files.File(c.name);
      ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(path, 0, c.rate); }));
      EXPECT_EQ(asked, 1);
      EXPECT_TRUE(h.boxes.shown.empty());
      ASSERT_TRUE(h.Open(path));
      EXPECT_EQ(h.document.Channels(), channels);
      EXPECT_EQ(h.document.SampleRate(), c.rate);
      // One second, give or take the codecs' start and end padding.
      EXPECT_NEAR(h.document.FrameCount(), c.rate, 1024);
      const std::vector<int16_t> decoded = h.Samples();
      for (uint16_t channel = 0; channel < channels; ++channel) {
        TMeasure m = Measure(decoded, channels, channel, c.rate);
        EXPECT_NEAR(m.hertz, 1000, 5) << "channel " << channel;
        const double expected = (channel == 0 ? 16384 : 8192) / std::sqrt(2.0);
        EXPECT_NEAR(m.rms, expected, expected * 0.05) << "channel " << channel;
      }
    }
  }
}

// The input rate that an Opus file's header records (OpusHead, first packet of the first Ogg
// page, whose segment table follows the page's 27-byte header); none when there is no such head.
std::optional<uint32_t> OpusHeadInputRate(const std::vector<uint8_t>& file) {
  constexpr size_t kPageHeader = 27, kHeadSize = 19, kRateOffset = 12;
  if (file.size() < kPageHeader || std::memcmp(file.data(), "OggS", 4) != 0) return std::nullopt;
  const size_t head = kPageHeader + file[kPageHeader - 1];
  if (file.size() < head + kHeadSize || std::memcmp(file.data() + head, "OpusHead", 8) != 0)
    return std::nullopt;
  const uint8_t* rate = file.data() + head + kRateOffset;
  return uint32_t{rate[0]} | uint32_t{rate[1]} << 8 | uint32_t{rate[2]} << 16 |
         uint32_t{rate[3]} << 24;
}

// What ffprobe says of an Opus file's stream: the codec, 48 kHz (Opus's own rate) and channels.
std::string ProbedOpusStream(const std::string& path) {
  const std::string text = test::CommandOutput(
      "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 '" + path +
      "' 2>/dev/null");
  // The first line, with its newline.
  return text.substr(0, text.find('\n') + 1);
}

TEST(EncodedSavingTest, OpusRecordsTheDocumentsRateAndReopensAtItWithTheSameLength) {
  if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  for (uint32_t rate : {8000u, 16000u, 44100u, 48000u}) {
    for (uint16_t channels : {1, 2}) {
      SCOPED_TRACE(std::to_string(channels) + " channels at " + std::to_string(rate));
      TDocumentHarness h;
      // An odd length, no whole number of Opus frames at any rate.
      const uint32_t frames = rate / 2 + 37;
      ASSERT_TRUE(h.OpenSamples(channels, Sine(channels, rate, frames), rate));
      h.document.OnAskOpusBitrate = [] { return std::optional<int>(96); };
      const std::string path = h.files.File("kept.opus");
      ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(path, 0, frames); }));
      EXPECT_TRUE(h.boxes.shown.empty());
      EXPECT_EQ(ProbedOpusStream(path), "opus,48000," + std::to_string(channels) + "\n");
      EXPECT_EQ(OpusHeadInputRate(test::ReadFileBytes(path)), rate);
      ASSERT_TRUE(h.Open(path));
      EXPECT_EQ(h.document.SampleRate(), rate);
      EXPECT_EQ(h.document.FrameCount(), frames);
      EXPECT_EQ(h.document.Channels(), channels);
    }
  }
}

TEST(EncodedSavingTest, TheChosenQualityAndBitrateReachTheEncoder) {
  if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  TDocumentHarness h;
  const std::vector<int16_t> samples = Noise(2 * 44100 * 2, 3);
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  const std::string source = h.files.File("source1.wav");
  // ffmpeg's own encodes of the same audio at the same settings are the yardstick.
  auto reference = [&](const std::string& codecOptions, const std::string& name) {
    std::string path = h.files.File(name);
    test::MakeWithFfmpeg("-v error -i '" + source + "' " + codecOptions, path);
    return Probe(path);
  };
  for (int quality : {0, 8}) {
    SCOPED_TRACE("Vorbis quality " + std::to_string(quality));
    h.document.OnAskVorbisQuality = [=] { return std::optional<int>(quality); };
    const std::string path = h.files.File("q" + std::to_string(quality) + ".ogg");
    ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(path, 0, 88200); }));
    const std::string ours = Probe(path);
    EXPECT_NE(ours.find("codec_name=vorbis"), std::string::npos) << ours;
    const std::string theirs =
        reference("-c:a libvorbis -q:a " + std::to_string(quality), "ref.ogg");
    // The nominal bitrate in the stream's header follows from the quality alone.
    EXPECT_GT(ProbedNumber(ours, "bit_rate"), 0) << ours;
    EXPECT_EQ(ProbedNumber(ours, "bit_rate"), ProbedNumber(theirs, "bit_rate")) << ours << theirs;
  }
  long smaller = 0;
  for (int kbps : {32, 160}) {
    SCOPED_TRACE("Opus " + std::to_string(kbps) + " kbit/s");
    h.document.OnAskOpusBitrate = [=] { return std::optional<int>(kbps); };
    const std::string path = h.files.File("b" + std::to_string(kbps) + ".opus");
    ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(path, 0, 88200); }));
    const std::string ours = Probe(path);
    EXPECT_NE(ours.find("codec_name=opus"), std::string::npos) << ours;
    const std::string theirs =
        reference("-c:a libopus -b:a " + std::to_string(kbps) + "k", "ref.opus");
    const double size = ProbedNumber(ours, "size"), expected = ProbedNumber(theirs, "size");
    EXPECT_NEAR(size, expected, expected * 0.05) << ours << theirs;
    EXPECT_GT(size, smaller);
    smaller = static_cast<long>(size);
  }
}

TEST(EncodedSavingTest, CancelledOrOutOfRangeSettingsStartNoSave) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Noise(1000, 1), 8000));
  h.document.OnAskVorbisQuality = [] { return std::optional<int>(); };
  h.document.OnAskOpusBitrate = [] { return std::optional<int>(); };
  EXPECT_FALSE(h.document.SaveSelection(h.files.File("x.ogg"), 0, 10));
  EXPECT_FALSE(h.document.SaveSelection(h.files.File("x.opus"), 0, 10));
  EXPECT_TRUE(h.boxes.shown.empty());
  h.document.OnAskVorbisQuality = [] { return std::optional<int>(kVorbisQualityMax + 1); };
  h.document.OnAskOpusBitrate = [] { return std::optional<int>(kOpusBitrateMin - 1); };
  EXPECT_FALSE(h.document.SaveSelection(h.files.File("x.ogg"), 0, 10));
  EXPECT_FALSE(h.document.SaveSelection(h.files.File("x.opus"), 0, 10));
  ASSERT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_NE(h.boxes.shown[0].text.find("-1 to 10"), std::string::npos) << h.boxes.shown[0].text;
  EXPECT_NE(h.boxes.shown[1].text.find("16 to 256"), std::string::npos) << h.boxes.shown[1].text;
  EXPECT_FALSE(h.document.Busy());
  EXPECT_EQ(h.files.List(), std::vector<std::string>{"source1.wav"});
}

// Every way a save can fail after it started: the old file stays, the document stays modified
// and nothing of the new file is left.
TEST(EncodedSavingTest, RefusedRatesAndWriteErrorsLeaveThePreviousFile) {
  struct TCase {
    const char* name;
    uint32_t rate;
    bool failWrite;
    const char* constant;
  };
  // FFmpeg's FLAC encoder takes no rate above 65535 Hz that is not a multiple of 10, its Vorbis
  // encoder no rate above 200 kHz.
  for (const TCase& c :
       {TCase{"old.flac", 65537, false, "encoderrefused"},
        TCase{"old.ogg", 200001, false, "encoderrefused"},
        TCase{"old.flac", 44100, true, "writeerror"}, TCase{"old.ogg", 44100, true, "writeerror"},
        TCase{"old.opus", 44100, true, "writeerror"}}) {
    SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.rate));
    TDocumentHarness h;
    ASSERT_TRUE(h.OpenSamples(2, Noise(2 * 20000, 5), c.rate));
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
    const std::string target = h.files.File(c.name);
    test::WriteFileBytes(target, {'o', 'l', 'd'});
    h.document.SetFileName(target);
    if (c.failWrite) FailNth(TFault::Write, 1);
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
    ClearFaults();
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    const std::string& text = h.boxes.shown[0].text;
    EXPECT_EQ(text.rfind(ConstantText(c.constant), 0), 0u) << text;
    if (!c.failWrite) {
      EXPECT_NE(text.find(std::to_string(c.rate) + " Hz"), std::string::npos);
    }
    EXPECT_TRUE(h.document.Modified());
    EXPECT_TRUE(h.document.Loaded());
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(h.files.List().size(), 2u) << "only the source and the old file";
  }
}

}  // namespace
}  // namespace quillon
