// Markers saved as chapters in MP3, FLAC, Ogg Vorbis and Opus: ffprobe finds them, and opening
// the file gives them back at the frames their milliseconds round to.
#include <gtest/gtest.h>

#include <regex>

#include "support/document_harness.h"
#include "support/tagprobe.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

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

class ChaptersDocumentTest : public ::testing::TestWithParam<std::pair<const char*, const char*>> {
};

TEST_P(ChaptersDocumentTest, SavedMarkersAreChaptersForFfprobeAndComeBackOnOpen) {
  if (!test::HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(8000, 500)));
  // 1003 frames are 125.375 ms: saved as 125 ms, frame 1000.
  const TMarkerList list{{{0, "Start"}, {1003, "Üß"}, {4000, ""}}, {{2000, 6000, "Middle"}}};
  TMarkerList reopened = list;
  reopened.markers[1].frame = 1000;
  ASSERT_TRUE(h.document.SetMarkers(list));
  const std::string path = h.files.File(std::string("saved.") + GetParam().first);
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveAs(path); }));
  EXPECT_EQ(ProbedChapters(path), GetParam().second);
  // Saved again, the markers of the reopened file stay where they are.
  const std::string again = h.files.File(std::string("again.") + GetParam().first);
  for (const std::string& file : {path, again}) {
    TDocumentHarness next;
    ASSERT_TRUE(next.Open(file));
    EXPECT_EQ(next.document.Markers(), reopened) << file;
    ASSERT_TRUE(next.Run([&](Twavefile& d) { return d.SaveAs(again); }));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ChaptersDocumentTest,
                         // FFmpeg names a chapter without a title by its element id.
                         ::testing::Values(std::pair{"mp3", " 0:Start 125:Üß 250:Middle 500:chp3"},
                                           std::pair{"flac", " 0:Start 125:Üß 250:Middle 500:"},
                                           std::pair{"ogg", " 0:Start 125:Üß 250:Middle 500:"},
                                           std::pair{"opus", " 0:Start 125:Üß 250:Middle 500:"}),
                         [](const auto& info) { return std::string(info.param.first); });

TEST(ChapterDamageTest, BrokenChaptersCostANoticeAKindAndTheAudioOpensAsUsual) {
  TDocumentHarness h;
  size_t notices = 0;
  const TSubscription noting =
      h.document.OnNotice.Subscribe([&](Twavefile*, const std::string&) { ++notices; });
  const std::string path = h.files.File("broken.flac");
  // In a second of audio: a time that is none, a chapter past the end, one out of order.
  test::MakeWithFfmpeg(
      "-v error -f lavfi -i sine=r=8000:d=1 -metadata CHAPTER001=00:00:00.500 "
      "-metadata CHAPTER002=0:0:7 -metadata CHAPTER003=00:00:09.000 "
      "-metadata CHAPTER004=00:00:00.250",
      path);
  ASSERT_TRUE(h.Open(path));
  EXPECT_EQ(h.document.FrameCount(), 8000u);
  EXPECT_EQ(h.document.Markers(), (TMarkerList{{{2000, ""}, {4000, ""}}, {}}));
  EXPECT_EQ(notices, 3u);
}

}  // namespace
}  // namespace quillon
