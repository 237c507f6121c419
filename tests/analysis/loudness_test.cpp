// Loudness measured by libebur128 through our reading of the store, against FFmpeg's own meter
// on the same files.
#include "analysis/loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

#include "document/largefile.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::CommandOutput;
using test::TDocumentHarness;

struct TReference {
  double integrated = 0;
  double range = 0;
  double truePeak = 0;
};

double Field(const std::string& text, const std::string& name) {
  const std::regex pattern(name + R"(:\s+(-?[0-9.]+|-inf))");
  std::smatch match;
  // The summary comes last: the last match is its value.
  double value = NAN;
  for (auto it = text.cbegin(); std::regex_search(it, text.cend(), match, pattern);
       it = match.suffix().first)
    value = match[1] == "-inf" ? -INFINITY : std::stod(match[1]);
  return value;
}

TReference FfmpegMeasures(const std::string& path) {
  const std::string out = CommandOutput("ffmpeg -nostats -hide_banner -i '" + path +
                                        "' -af ebur128=peak=true -f null - 2>&1");
  return {Field(out, "I"), Field(out, "LRA"), Field(out, "Peak")};
}

TLoudness OursOf(TDocumentHarness& h) {
  const auto state = h.document.State();
  return MeasureLoudness(
      {state->samples.get(), state->channels, state->sampleRate, 0, state->frameCount});
}

struct TSourceRow {
  const char* name;
  const char* lavfi;
};

class LoudnessTest : public ::testing::TestWithParam<TSourceRow> {};

TEST_P(LoudnessTest, AgreesWithFfmpegsMeter) {
  TDocumentHarness h;
  const std::string path = h.files.File("source.wav");
  test::MakeWithFfmpeg(std::string("-f lavfi -i \"") + GetParam().lavfi + "\" -c:a pcm_s16le",
                       path);
  ASSERT_TRUE(h.Open(path));
  const TReference reference = FfmpegMeasures(path);
  const TLoudness ours = OursOf(h);
  EXPECT_NEAR(ours.integratedLufs, reference.integrated, 0.1);
  EXPECT_NEAR(ours.rangeLu, reference.range, 0.1);
  EXPECT_NEAR(ours.truePeakDbtp, reference.truePeak, 0.2);
  EXPECT_LE(ours.samplePeakDbfs, ours.truePeakDbtp + 1e-9);
  EXPECT_GE(ours.maxMomentaryLufs, ours.integratedLufs - 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, LoudnessTest,
    ::testing::Values(
        // Music-like: a chord over noise that swells, stereo.
        TSourceRow{"Music",
                   "aevalsrc='0.3*sin(2*PI*220*t)+0.2*sin(2*PI*331*t)*(1+sin(t))|"
                   "0.25*sin(2*PI*440*t)+0.1*sin(2*PI*97*t):s=44100:d=20'"},
        // Speech-like: syllables of a voiced tone with its overtones and pauses, mono.
        TSourceRow{"Speech",
                   "aevalsrc='(0.3*sin(2*PI*140*t)+0.15*sin(2*PI*420*t)+"
                   "0.08*sin(2*PI*1260*t))*gt(sin(2*PI*1.3*t),0)*"
                   "abs(sin(2*PI*4*t)):s=16000:d=15'"},
        // Loud in the middle of silence: the gate must leave the silence out.
        TSourceRow{"SilencePadded",
                   "aevalsrc='0.4*sin(2*PI*1000*t)*between(t,4,8)|"
                   "0.4*sin(2*PI*1000*t)*between(t,4,8):s=48000:d=12'"},
        // A tone whose samples miss its peaks: the true peak lies between them.
        TSourceRow{"InterSamplePeak", "aevalsrc='0.9*sin(2*PI*3001*t+PI/5):s=44100:d=5'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoudnessEdgeTest, SilenceAndAudioShorterThanAWindowMeasureMinusInfinity) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, std::vector<int16_t>(2 * 8000 * 5, 0), 8000));
  const TLoudness silent = OursOf(h);
  EXPECT_TRUE(std::isinf(silent.integratedLufs) && silent.integratedLufs < 0);
  EXPECT_TRUE(std::isinf(silent.truePeakDbtp) && silent.truePeakDbtp < 0);
  EXPECT_EQ(FormatLevel(silent.integratedLufs, "LUFS"), "-inf LUFS");
  EXPECT_EQ(FormatLevel(-16.04, "LUFS"), "-16.0 LUFS");

  TDocumentHarness one;
  ASSERT_TRUE(one.OpenSamples(1, {12000}, 8000));
  const TLoudness frame = OursOf(one);
  EXPECT_TRUE(std::isinf(frame.integratedLufs));
  EXPECT_NEAR(frame.samplePeakDbfs, 20 * std::log10(12000 / 32768.0), 0.01);
}

TEST(LoudnessEdgeTest, ACancelledMeasurementThrows) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(8000 * 10, 1000), 8000));
  const TCancelToken cancel = TCancelToken::Make();
  cancel.Cancel();
  const auto state = h.document.State();
  EXPECT_THROW(
      MeasureLoudness({state->samples.get(), 1, 8000, 0, state->frameCount}, nullptr, cancel),
      ECancelled);
}

}  // namespace
}  // namespace quillon
