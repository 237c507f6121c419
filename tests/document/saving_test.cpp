#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>

#include "codecs/wavheader.h"
#include "localization/constants.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

std::vector<int16_t> Stereo(int frames) {
  std::vector<int16_t> samples;
  for (int f = 0; f < frames; ++f) {
    samples.push_back(static_cast<int16_t>(f));
    samples.push_back(static_cast<int16_t>(-f));
  }
  return samples;
}

TWavHeader HeaderOf(const std::string& path) {
  std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  TWavHeader header{};
  if (bytes.size() >= 44) std::copy_n(bytes.begin(), 44, header.begin());
  return header;
}

TEST(SavingTest, WavSavesAreByteExactForWholeDocumentsAndRanges) {
  TDocumentHarness h;
  std::vector<int16_t> samples = Stereo(16384);  // 32768 samples: a multiple of the chunk
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  std::vector<int16_t> inverted = h.Samples();

  std::string whole = h.files.File("WHOLE.WAV");
  h.document.SetFileName(whole);
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
  EXPECT_FALSE(h.document.Modified());
  EXPECT_EQ(test::ReadFileBytes(whole), test::ReadFileBytes(h.document.TempFileName()));
  EXPECT_EQ(HeaderOf(whole), MakeWavHeader(2, 44100, 65536));

  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  std::string part = h.files.File("part.wav");
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(part, 100, 200); }));
  EXPECT_TRUE(h.document.Modified()) << "saving a range does not save the document";
  EXPECT_EQ(test::ReadFileBytes(part).size(), 444u);
  EXPECT_EQ(WavRiffSize(HeaderOf(part)), 436u);
  EXPECT_EQ(WavDataSize(HeaderOf(part)), 400u);
  std::vector<int16_t> reversed = h.Samples();
  EXPECT_EQ(test::ReadWav16Samples(part),
            std::vector<int16_t>(reversed.begin() + 200, reversed.begin() + 400));

  std::string empty = h.files.File("empty.wav");
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(empty, 5, 5); }));
  EXPECT_EQ(test::ReadFileBytes(empty).size(), 44u);
  EXPECT_EQ(h.TempFiles().size(), 3u) << "no stray files in the temporary folder";
}

TEST(SavingTest, SavingOverTheOpenedFileReplacesItAndKeepsItsPermissions) {
  TDocumentHarness h;
  std::string path = h.files.File("song.wav");
  test::WriteWav16(path, 1, 8000, {1, 2, 3, 4});
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(h.Open(path));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 1); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
  EXPECT_EQ(test::ReadWav16Samples(path), (std::vector<int16_t>{2, 3, 4}));
  struct stat info {};
  stat(path.c_str(), &info);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(h.files.List(), (std::vector<std::string>{"song.wav"}));
}

TEST(SavingTest, OtherExtensionsAndCancelledSettingsSaveNothing) {
  TDocumentHarness h;
  std::string wma = h.files.File("in.wma");
  test::MakeWithFfmpeg("-f lavfi -i sine=duration=0.5 -c:a wmav2", wma);
  ASSERT_TRUE(h.Open(wma));
  std::vector<uint8_t> before = test::ReadFileBytes(wma);
  EXPECT_FALSE(h.document.Save());
  // The refusal says which file and why.
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text,
            "Cannot save \"" + wma +
                "\": its extension names no format that can be written (.wav, .mp3, .flac, .ogg "
                "or .opus).");
  h.document.OnAskMp3Settings = [](uint32_t) { return std::optional<TMp3Choice>(); };
  EXPECT_FALSE(h.document.SaveSelection(h.files.File("x.mp3"), 0, 10));
  EXPECT_FALSE(h.document.Busy());
  EXPECT_EQ(test::ReadFileBytes(wma), before);
  EXPECT_FALSE(FileExists(h.files.File("x.mp3")));
}

TEST(SavingTest, AFailedSaveLeavesThePreviousFileAndTheModifiedFlag) {
  for (const char* name : {"old.wav", "old.mp3"}) {
    TDocumentHarness h;
    ASSERT_TRUE(h.OpenSamples(2, Stereo(50000), 44100));
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
    std::string target = h.files.File(name);
    test::WriteFileBytes(target, {'o', 'l', 'd'});
    h.document.SetFileName(target);

    FailNth(std::string(name).ends_with(".wav") ? TFault::Create : TFault::Write, 1);
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
    ClearFaults();
    ASSERT_EQ(h.boxes.shown.size(), 1u) << name;
    EXPECT_TRUE(h.document.Modified()) << name;
    EXPECT_TRUE(h.document.Loaded()) << name;
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'})) << name;
    EXPECT_EQ(h.files.List().size(), 2u) << "only the source and the old file: " << name;

    h.boxes.shown.clear();
    h.document.SetFileName("/nonexistent-quillon-folder/x.wav");
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_NE(h.boxes.shown[0].text.find("/nonexistent-quillon-folder/"), std::string::npos);
    EXPECT_TRUE(h.document.Modified());
  }
}

TEST(SavingTest, Mp3SavesEncodeTheRangeWithTheChosenSettings) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, Stereo(44100), 44100));
  h.document.OnAskMp3Settings = [](uint32_t rate) {
    EXPECT_EQ(rate, 44100u);
    return std::optional<TMp3Choice>(TMp3Choice{TMp3Mode::Cbr, 3, 0, 0, 0, false});  // 192
  };
  std::string path = h.files.File("out.MP3");
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(path, 0, 22050); }));
  EXPECT_TRUE(h.boxes.shown.empty());
  const std::string text = test::CommandOutput(
      "ffprobe -v error -show_entries stream=sample_rate,channels,bit_rate -of default=nw=1 '" +
      path + "'");
  EXPECT_NE(text.find("sample_rate=44100"), std::string::npos) << text;
  EXPECT_NE(text.find("channels=2"), std::string::npos) << text;
  EXPECT_NE(text.find("bit_rate=192000"), std::string::npos) << text;
}

}  // namespace
}  // namespace quillon
