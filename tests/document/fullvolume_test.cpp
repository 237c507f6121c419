// A real small volume that fills up: the system's own "no space" must end edits, opens and saves
// as cleanly as the test seam's.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "localization/constants.h"
#include "platform/config.h"
#include "platform/filesystem.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

constexpr int kFrames = 300000;  // 1.2 MB of stereo samples on a 2 MiB volume

std::vector<int16_t> Stereo(int frames) {
  std::vector<int16_t> samples;
  for (int i = 0; i < frames * 2; ++i) samples.push_back(static_cast<int16_t>(i * 31));
  return samples;
}

// Noise, which no encoder can squeeze into the little room left.
std::vector<int16_t> StereoNoise(int frames) {
  std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
  uint32_t seed = 1;
  for (int16_t& sample : samples)
    sample = static_cast<int16_t>((seed = seed * 1664525u + 1013904223u) >> 16);
  return samples;
}

class FullVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small volume needs root";
    if (mount("tmpfs", volume_.Path().c_str(), "tmpfs", 0, "size=2m") != 0)
      GTEST_SKIP() << "cannot mount a small volume: " << std::strerror(errno);
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) umount2(volume_.Path().c_str(), MNT_DETACH);
  }

  // Leaves about bytes free on the volume.
  void FillVolumeUpTo(uint64_t bytes) {
    std::optional<uint64_t> free = FreeDiskSpace(volume_.Path());
    ASSERT_TRUE(free && *free > bytes);
    test::WriteFileBytes(volume_.File("filler"), std::vector<uint8_t>(*free - bytes));
  }

  test::TTempDir volume_;
  bool mounted_ = false;
};

TEST_F(FullVolumeTest, AnEditThatDoesNotFitFailsAndRollsBackAndTheNextOneFits) {
  TDocumentHarness h;
  config.tempfolder = volume_.Path() + "/";
  ASSERT_TRUE(h.OpenSamples(2, Stereo(kFrames), 44100));
  const std::vector<std::string> files = volume_.List();
  const std::vector<uint8_t> bytes = test::ReadFileBytes(h.document.TempFileName());

  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.InsertSilence(0, 1000); }));
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, ConstantText("outofmemory"));
  EXPECT_TRUE(h.document.Loaded());
  EXPECT_FALSE(h.document.CanUndo());
  EXPECT_FALSE(h.document.Modified());
  EXPECT_EQ(volume_.List(), files);
  EXPECT_TRUE(test::ReadFileBytes(h.document.TempFileName()) == bytes);

  h.boxes.shown.clear();
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 200000); }));
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(h.document.FrameCount(), 100000u);
}

TEST_F(FullVolumeTest, AnOpenThatDoesNotFitLeavesNothing) {
  // Half the room is refused before decoding; a little less than enough passes that check and
  // meets the full volume while decoding.
  for (uint64_t room : {uint64_t{600000}, uint64_t{kFrames} * 4 - 4096}) {
    SCOPED_TRACE(room);
    TDocumentHarness h;
    config.tempfolder = volume_.Path() + "/";
    ASSERT_NO_FATAL_FAILURE(FillVolumeUpTo(room));
    EXPECT_FALSE(h.OpenSamples(2, Stereo(kFrames), 44100));
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, ConstantText("outofmemory"));
    EXPECT_EQ(volume_.List(), std::vector<std::string>{"filler"});
    std::remove(volume_.File("filler").c_str());
  }
}

TEST_F(FullVolumeTest, SavesToAFullVolumeKeepTheOldTargetAndLeaveNoPartialFile) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, StereoNoise(kFrames), 44100));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  const std::vector<uint8_t> old{'o', 'l', 'd'};
  // The WAV save is refused before it writes; the encoded saves (a tenth of the size or more)
  // meet the full volume while writing.
  for (const char* name : {"old.wav", "old.mp3", "old.flac", "old.ogg", "old.opus"}) {
    SCOPED_TRACE(name);
    std::string target = volume_.File(name);
    test::WriteFileBytes(target, old);
    ASSERT_NO_FATAL_FAILURE(FillVolumeUpTo(16384));
    h.boxes.shown.clear();
    h.document.SetFileName(target);
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    const std::string& text = h.boxes.shown[0].text;
    EXPECT_TRUE(text == ConstantText("outofmemory") ||
                text.find(std::strerror(ENOSPC)) != std::string::npos)
        << text;
    EXPECT_TRUE(h.document.Modified());
    EXPECT_TRUE(test::ReadFileBytes(target) == old);
    EXPECT_EQ(volume_.List(), (std::vector<std::string>{"filler", name}));
    std::remove(volume_.File("filler").c_str());
    std::remove(target.c_str());
  }
}

}  // namespace
}  // namespace quillon
