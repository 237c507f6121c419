// Markers saved as chapters in MP3, FLAC, Ogg Vorbis and Opus: ffprobe finds them, and opening
// the file gives them back at the frames their milliseconds round to.
#include <gtest/gtest.h>

#include <regex>

#include "support/document_harness.h"
#include "support/tagprobe.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

std::string Describe(const TMarkerList& list) {
  std::string text;
  for (const TMarker& m : list.markers) text += "m" + std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : list.regions)
    text += "r" + std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  return text;
}

// Each chapter's start in milliseconds and its title, as ffprobe's JSON gives them.
std::string ProbedChapters(const std::string& path) {
  const std::string json =
      test::CommandOutput("ffprobe -v error -show_chapters -of json '" + path + "'");
  const std::regex field("\"(start|title)\": \"?([^\",\n]*)");
  std::string text;
  for (auto it = std::sregex_iterator(json.begin(), json.end(), field);
       it != std::sregex_iterator(); ++it)
    text += (*it)[1] == "start" ? " " + (*it)[2].str() + ":" : (*it)[2].str();
  return text;
}

struct TChapterRow {
  const char* extension;
  const char* probed;
};

constexpr const char* kReopened = "m0:Start m1000:Üß m4000: r2000-6000:Middle ";

class ChaptersDocumentTest : public ::testing::TestWithParam<TChapterRow> {};

TEST_P(ChaptersDocumentTest, SavedMarkersAreChaptersForFfprobeAndComeBackOnOpen) {
  if (!test::HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(8000, 500)));
  TMarkerList list;
  list.AddMarker({0, "Start"});
  // 125.375 ms: saved as 125 ms, frame 1000.
  list.AddMarker({1003, "Üß"});
  list.AddMarker({4000, ""});
  list.AddRegion({2000, 6000, "Middle"});
  ASSERT_TRUE(h.document.SetMarkers(list));
  const std::string path = h.files.File(std::string("saved.") + GetParam().extension);
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveAs(path); }));
  EXPECT_EQ(ProbedChapters(path), GetParam().probed);

  TDocumentHarness reopened;
  ASSERT_TRUE(reopened.Open(path));
  EXPECT_EQ(Describe(reopened.document.Markers()), kReopened);
  // Saved again, the markers of the reopened file stay where they are.
  const std::string again = h.files.File(std::string("again.") + GetParam().extension);
  ASSERT_TRUE(reopened.Run([&](Twavefile& d) { return d.SaveAs(again); }));
  ASSERT_TRUE(reopened.Open(again));
  EXPECT_EQ(Describe(reopened.document.Markers()), kReopened);
}

const TChapterRow kChapterRows[] = {
    // FFmpeg names a chapter without a title by its element id.
    {"mp3", " 0:Start 125:Üß 250:Middle 500:chp3"},
    {"flac", " 0:Start 125:Üß 250:Middle 500:"},
    {"ogg", " 0:Start 125:Üß 250:Middle 500:"},
    {"opus", " 0:Start 125:Üß 250:Middle 500:"},
};

INSTANTIATE_TEST_SUITE_P(Formats, ChaptersDocumentTest, ::testing::ValuesIn(kChapterRows),
                         [](const auto& info) { return std::string(info.param.extension); });

TEST(ChapterDamageTest, BrokenChaptersCostANoticeAKindAndTheAudioOpensAsUsual) {
  TDocumentHarness h;
  std::vector<std::string> notices;
  const TSubscription noting = h.document.OnNotice.Subscribe(
      [&](Twavefile*, const std::string& text) { notices.push_back(text); });
  const std::string path = h.files.File("broken.flac");
  // One second: a time that is none, a chapter past the end, one out of order, a name alone.
  test::MakeWithFfmpeg(
      "-v error -f lavfi -i sine=r=8000:d=1 -metadata CHAPTER001=00:00:00.500 "
      "-metadata CHAPTER001NAME=kept -metadata CHAPTER002=0:0:7 "
      "-metadata CHAPTER003=00:00:09.000 -metadata CHAPTER004=00:00:00.250 "
      "-metadata CHAPTER009NAME=alone",
      path);
  ASSERT_TRUE(h.Open(path));
  EXPECT_EQ(h.document.FrameCount(), 8000u);
  EXPECT_EQ(Describe(h.document.Markers()), "m2000: m4000:kept ");
  EXPECT_EQ(notices.size(), 4u);
  EXPECT_TRUE(h.boxes.shown.empty());
}

}  // namespace
}  // namespace quillon
