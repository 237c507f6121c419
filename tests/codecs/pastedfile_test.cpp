#include "codecs/pastedfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "codecs/wavheader.h"
#include "platform/config.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

using test::TTempDir;

class FileClipTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // The decoded copy never outlives the paste.
    EXPECT_TRUE(work.List().empty());
  }
  TFileClip Read(const std::vector<std::string>& paths, uint16_t channels = 2,
                 uint32_t rate = 44100, int64_t maxBytes = kMaxFileClipBytes) {
    return ReadFileClip(paths, channels, rate, progress, config.tempfolder, maxBytes);
  }

  TTempDir files;
  test::TTempFolder work;
  std::atomic<int32_t> progress{0};
};

TEST_F(FileClipTest, MonoAt22050BecomesStereoAt44100WithTheToneKept) {
  // Half a second of a 1 kHz tone at half scale.
  std::vector<int16_t> tone(11025);
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<int16_t>(
        std::lround(16384 * std::sin(2 * std::numbers::pi * 1000 * i / 22050.0)));
  test::WriteWav16(files.File("mono.wav"), 1, 22050, tone);

  TFileClip clip = Read({files.File("mono.wav")});
  ASSERT_TRUE(clip.refusal.empty()) << clip.refusal;
  ASSERT_EQ(clip.samples.size(), 2u * 22050);
  int peak = 0;
  double energy = 0;
  for (size_t f = 0; f < 22050; ++f) {
    EXPECT_EQ(clip.samples[2 * f], clip.samples[2 * f + 1]) << "frame " << f;
    peak = std::max(peak, std::abs(int{clip.samples[2 * f]}));
    energy += static_cast<double>(clip.samples[2 * f]) * clip.samples[2 * f];
  }
  EXPECT_NEAR(peak, 16384, 300);
  // A resampled sine keeps its level: RMS of half scale is 16384 / sqrt 2.
  EXPECT_NEAR(std::sqrt(energy / 22050), 16384 / std::numbers::sqrt2, 200);
  EXPECT_EQ(progress.load(), 0);
}

TEST_F(FileClipTest, CompressedFilesDecodeLikeOpenAndStereoFoldsToMono) {
  test::MakeWithFfmpeg(
      "-f lavfi -i \"sine=frequency=440:sample_rate=48000:duration=0.5\" -ac 2 "
      "-c:a flac",
      files.File("tone.flac"));
  TFileClip clip = Read({files.File("tone.flac")}, 1, 8000);
  ASSERT_TRUE(clip.refusal.empty()) << clip.refusal;
  EXPECT_EQ(clip.samples.size(), 4000u);
  EXPECT_GT(*std::max_element(clip.samples.begin(), clip.samples.end()), 1000);
}

TEST_F(FileClipTest, UnusableFilesAreRefusedWithAMessageNamingThem) {
  test::WriteFileBytes(files.File("notes.txt"), {'h', 'e', 'l', 'l', 'o', '\n'});
  test::WriteWav16(files.File("empty.wav"), 2, 44100, {});
  test::WriteWav16(files.File("a.wav"), 1, 8000, {1, 2, 3});
  test::MakeWithFfmpeg("-f lavfi -i \"sine=sample_rate=8000:duration=0.1\" -ac 6",
                       files.File("six.wav"));

  struct TCase {
    std::vector<std::string> paths;
    std::string expected;
  };
  const std::vector<TCase> cases{
      {{files.File("gone.wav")}, "\"" + files.File("gone.wav") + "\" does not exist."},
      {{files.File("notes.txt")}, "\"" + files.File("notes.txt") + "\" holds no audio"},
      {{files.Path()}, "holds no audio"},
      {{files.File("empty.wav")}, "is empty"},
      {{files.File("six.wav")}, "has 6 channels"},
      {{files.File("a.wav"), files.File("a.wav")}, "names 2 files"},
      {{}, "names no file"},
  };
  for (const TCase& c : cases) {
    TFileClip clip = Read(c.paths);
    EXPECT_TRUE(clip.samples.empty());
    EXPECT_NE(clip.refusal.find(c.expected), std::string::npos) << clip.refusal;
  }
}

TEST_F(FileClipTest, AudioBeyondTheLimitIsRefusedBeforeOrAfterConversion) {
  // One second of mono at 8000 Hz: 16000 bytes as decoded.
  test::WriteWav16(files.File("second.wav"), 1, 8000, std::vector<int16_t>(8000, 5));
  const std::string path = files.File("second.wav");
  EXPECT_NE(Read({path}, 1, 8000, 15999).refusal.find("too long to paste"), std::string::npos);
  // The source fits, but stereo at 44100 Hz would take 176400 bytes.
  EXPECT_NE(Read({path}, 2, 44100, 100000).refusal.find("too long to paste"), std::string::npos);
  TFileClip fits = Read({path}, 1, 8000, 16000);
  EXPECT_TRUE(fits.refusal.empty()) << fits.refusal;
  EXPECT_EQ(fits.samples, std::vector<int16_t>(8000, 5));
}

}  // namespace
}  // namespace quillon
