#include <gtest/gtest.h>

#include "codecs/clipformat.h"
#include "codecs/wavheader.h"
#include "platform/clipboard.h"
#include "support/document_harness.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

// Frame f of channel c holds f * 2 + c + 1, so every sample is distinct and nonzero.
std::vector<int16_t> Numbered(int frames, int channels) {
  std::vector<int16_t> samples;
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c) samples.push_back(static_cast<int16_t>(f * 2 + c + 1));
  return samples;
}

std::vector<int16_t> Slice(const std::vector<int16_t>& v, size_t from, size_t to) {
  return std::vector<int16_t>(v.begin() + from, v.begin() + to);
}

class EditsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClipboard(&clipboard_); }
  void TearDown() override { SetClipboard(nullptr); }
  TMemoryClipboard clipboard_;
};

TEST_F(EditsTest, CutThenPasteAtTheSamePlaceRestoresTheSamples) {
  TDocumentHarness h;
  std::vector<int16_t> samples = Numbered(5000, 2);
  ASSERT_TRUE(h.OpenSamples(2, samples));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Cut(1000, 3000); }));
  EXPECT_EQ(h.document.FrameCount(), 3000u);
  std::vector<int16_t> cut = h.Samples();
  EXPECT_EQ(Slice(cut, 0, 2000), Slice(samples, 0, 2000));
  EXPECT_EQ(cut.back(), samples.back()) << "the last frame survives a delete";
  ASSERT_TRUE(clipboard_.HasWave());
  EXPECT_EQ(clipboard_.GetWave()->size(), 44u + 2000 * 4);

  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Paste(1000); }));
  EXPECT_EQ(h.Samples(), samples);
  EXPECT_EQ(h.document.FrameCount(), 5000u);
  EXPECT_EQ(h.document.UndoStack().Count(), 2u);
}

TEST_F(EditsTest, CopyPutsTheRangeWithTheDocumentsFormatAndChangesNothing) {
  TDocumentHarness h;
  std::vector<int16_t> samples = Numbered(600, 1);
  ASSERT_TRUE(h.OpenSamples(1, samples, 22050));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Copy(100, 200); }));
  std::vector<uint8_t> block = *clipboard_.GetWave();
  ASSERT_EQ(block.size(), 44u + 200);
  TWavHeader header;
  std::copy_n(block.begin(), 44, header.begin());
  EXPECT_EQ(WavRiffSize(header), 236u);
  EXPECT_EQ(WavDataSize(header), 200u);
  EXPECT_EQ(WavSampleRate(header), 22050u);
  EXPECT_EQ(ReadClipAudio(block.data(), block.size(), 1, 22050), Slice(samples, 100, 200));
  EXPECT_FALSE(h.document.Modified());
  EXPECT_FALSE(h.document.CanUndo());

  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Copy(7, 7); }));
  EXPECT_EQ(clipboard_.GetWave()->size(), 44u);
}

TEST_F(EditsTest, PasteAtTheStartAndOfForeignClipsConvertsToTheDocumentsFormat) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, Numbered(100, 2)));
  std::vector<int16_t> mono{100, -200, 300};
  clipboard_.SetWave(MakeClipBlock(1, 8000, mono.data(), mono.size()));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Paste(0); }));
  std::vector<int16_t> result = h.Samples();
  EXPECT_EQ(Slice(result, 0, 6), (std::vector<int16_t>{100, 100, -200, -200, 300, 300}));
  EXPECT_EQ(Slice(result, 6, 206), Numbered(100, 2));
}

TEST_F(EditsTest, PasteWithoutAudioOnTheClipboardChangesNothing) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Numbered(100, 1)));
  for (auto fill : {+[](TMemoryClipboard& c) { c.SetOther(); },
                    +[](TMemoryClipboard& c) {
                      c.SetWave({'n', 'o', 'p', 'e'});
                    }}) {
    fill(clipboard_);
    h.events.clear();
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Paste(50); }));
    EXPECT_EQ(h.events, "R");
    EXPECT_FALSE(h.document.CanUndo());
    EXPECT_FALSE(h.document.Modified());
    EXPECT_TRUE(h.document.Loaded());
    EXPECT_EQ(h.Samples(), Numbered(100, 1));
  }
}

TEST_F(EditsTest, PasteOfANamedFileInsertsItConvertedAsOneUndoableStep) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, Numbered(100, 2), 16000));
  // Mono at half the document's rate: each sample becomes about two stereo frames.
  test::WriteWav16(h.files.File("voice.wav"), 1, 8000, std::vector<int16_t>(400, 3000));
  clipboard_.SetFiles({h.files.File("voice.wav")});
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Paste(40); }));
  EXPECT_TRUE(h.boxes.shown.empty());
  std::vector<int16_t> result = h.Samples();
  ASSERT_EQ(h.document.FrameCount(), 900u);
  EXPECT_EQ(Slice(result, 0, 80), Slice(Numbered(100, 2), 0, 80));
  EXPECT_EQ(Slice(result, 1680, 1800), Slice(Numbered(100, 2), 80, 200));
  // Away from the clip's edges the constant level comes through unchanged in both channels.
  EXPECT_EQ(Slice(result, 880, 884), (std::vector<int16_t>{3000, 3000, 3000, 3000}));
  EXPECT_EQ(h.document.UndoStack().Count(), 1u);

  h.document.Undo();
  h.WaitIdle();
  EXPECT_EQ(h.Samples(), Numbered(100, 2));
}

TEST_F(EditsTest, PasteOfUnusableFilesTellsWhyAndChangesNothing) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Numbered(100, 1)));
  test::WriteFileBytes(h.files.File("text.txt"), {'a', 'b', 'c'});
  test::WriteWav16(h.files.File("a.wav"), 1, 8000, {1, 2});
  const std::vector<std::vector<std::string>> lists{
      {h.files.File("missing.wav")},
      {h.files.File("text.txt")},
      {h.files.File("a.wav"), h.files.File("a.wav")},
  };
  for (const auto& list : lists) {
    clipboard_.SetFiles(list);
    h.boxes.shown.clear();
    h.events.clear();
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Paste(50); }));
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_NE(h.boxes.shown[0].text.find(list.size() > 1 ? "names 2 files" : list[0]),
              std::string::npos)
        << h.boxes.shown[0].text;
    EXPECT_EQ(h.events, "R");
    EXPECT_FALSE(h.document.CanUndo());
    EXPECT_FALSE(h.document.Modified());
    EXPECT_EQ(h.Samples(), Numbered(100, 1));
  }
}

TEST_F(EditsTest, InsertSilenceAnywhereIncludingTheEndAndZeroFrames) {
  TDocumentHarness h;
  std::vector<int16_t> samples = Numbered(50, 2);
  ASSERT_TRUE(h.OpenSamples(2, samples));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.InsertSilence(50, 3); }));
  std::vector<int16_t> appended = samples;
  appended.resize(106, 0);
  EXPECT_EQ(h.Samples(), appended);
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.InsertSilence(1, 2); }));
  EXPECT_EQ(Slice(h.Samples(), 0, 8), (std::vector<int16_t>{1, 2, 0, 0, 0, 0, 3, 4}));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.InsertSilence(0, 0); }));
  EXPECT_EQ(h.document.UndoStack().Count(), 3u);
  EXPECT_EQ(h.document.FrameCount(), 55u);
}

TEST_F(EditsTest, DeletingEverythingLeavesAnEmptyDocumentWithAnEmptyIndex) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Numbered(1000, 1)));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 1000); }));
  EXPECT_EQ(h.document.FrameCount(), 0u);
  EXPECT_TRUE(h.Samples().empty());
  EXPECT_EQ(h.document.Index(), Tindexdata(1));
  EXPECT_EQ(h.document.Peak(), 0);
  EXPECT_EQ(h.document.PeakDb(), -90);
}

TEST_F(EditsTest, RangesThatDoNotFitAreRefusedWithAMessage) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Numbered(100, 1)));
  const std::function<bool(Twavefile&)> bad[] = {
      [](Twavefile& d) { return d.Delete(50, 10); },
      [](Twavefile& d) { return d.Cut(-1, 10); },
      [](Twavefile& d) { return d.Copy(0, 101); },
      [](Twavefile& d) { return d.FadeIn(90, 200); },
      [](Twavefile& d) { return d.Paste(101); },
      [](Twavefile& d) { return d.InsertSilence(-5, 10); },
      [](Twavefile& d) { return d.InsertSilence(10, -1); },
  };
  for (const auto& request : bad) {
    h.boxes.shown.clear();
    EXPECT_FALSE(h.Run(request));
    EXPECT_EQ(h.boxes.shown.size(), 1u);
  }
  EXPECT_NE(h.boxes.shown.back().text.find("silence"), std::string::npos);
  EXPECT_FALSE(h.document.CanUndo());
  EXPECT_EQ(h.Samples(), Numbered(100, 1));
}

}  // namespace
}  // namespace quillon
