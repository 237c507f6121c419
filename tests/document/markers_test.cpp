// Markers and regions follow the edits of the audio they mark, and each state of the history
// keeps its own.
#include <gtest/gtest.h>

#include <tuple>

#include "codecs/clipformat.h"
#include "codecs/wavheader.h"
#include "document/markers.h"
#include "document/splitplan.h"
#include "platform/clipboard.h"
#include "support/document_harness.h"
#include "support/tagprobe.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

// "m50:a" a marker at frame 50 named a, "r20-120:b" a region of frames 20 to 119 named b.
std::string Describe(const TMarkerList& list) {
  std::string text;
  for (const TMarker& m : list.markers) text += "m" + std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : list.regions)
    text += "r" + std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  return text;
}

// The list every row starts from, in a document of 1000 frames.
TMarkerList Initial() {
  TMarkerList list;
  for (auto [frame, name] : {std::pair{0, "start"},
                             {50, "a"},
                             {100, "b"},
                             {150, "c"},
                             {200, "d"},
                             {300, "e"},
                             {1000, "end"}})
    list.AddMarker({frame, name});
  list.AddRegion({20, 120, "over start"});
  list.AddRegion({100, 150, "at start"});
  list.AddRegion({150, 180, "inside"});
  list.AddRegion({180, 400, "over stop"});
  list.AddRegion({40, 60, "before"});
  list.AddRegion({90, 250, "around"});
  return list;
}

struct TEditRow {
  const char* name;
  std::function<bool(Twavefile&)> edit;
  const char* expected;
};

constexpr const char* kUnchanged =
    "m0:start m50:a m100:b m150:c m200:d m300:e m1000:end r20-120:over start r40-60:before "
    "r90-250:around r100-150:at start r150-180:inside r180-400:over stop ";

class MarkersTest : public ::testing::TestWithParam<TEditRow> {
 protected:
  void SetUp() override {
    SetClipboard(&clipboard_);
    const std::vector<int16_t> clip(30, 7);
    clipboard_.SetWave(MakeClipBlock(1, 8000, clip.data(), clip.size()));
  }
  void TearDown() override { SetClipboard(nullptr); }
  TMemoryClipboard clipboard_;
};

TEST_P(MarkersTest, FollowTheEditAndComeBackWithUndoAndRedo) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(1000, 100)));
  ASSERT_TRUE(h.document.SetMarkers(Initial()));
  ASSERT_EQ(Describe(h.document.Markers()), kUnchanged);
  ASSERT_TRUE(h.Run(GetParam().edit));
  EXPECT_EQ(Describe(h.document.Markers()), GetParam().expected);
  h.document.Undo();
  h.WaitIdle();
  EXPECT_EQ(Describe(h.document.Markers()), kUnchanged);
  h.document.Redo();
  h.WaitIdle();
  EXPECT_EQ(Describe(h.document.Markers()), GetParam().expected);
}

const TEditRow kEdits[] = {
    // Frames 100 to 199 go: markers on them too, later ones move back by 100.
    {"Delete", [](Twavefile& d) { return d.Delete(100, 200); },
     "m0:start m50:a m100:d m200:e m900:end r20-100:over start r40-60:before r90-150:around "
     "r100-300:over stop "},
    {"Cut", [](Twavefile& d) { return d.Cut(100, 200); },
     "m0:start m50:a m100:d m200:e m900:end r20-100:over start r40-60:before r90-150:around "
     "r100-300:over stop "},
    // 50 frames at 100: the marker there stays before them, a region starting there takes them.
    {"InsertSilence", [](Twavefile& d) { return d.InsertSilence(100, 50); },
     "m0:start m50:a m100:b m200:c m250:d m350:e m1050:end r20-170:over start r40-60:before "
     "r90-300:around r100-200:at start r200-230:inside r230-450:over stop "},
    {"Paste", [](Twavefile& d) { return d.Paste(150); },
     "m0:start m50:a m100:b m150:c m230:d m330:e m1030:end r20-120:over start r40-60:before "
     "r90-280:around r100-150:at start r150-210:inside r210-430:over stop "},
    // The whole document reversed: every marker mirrored, every region too.
    {"Reverse", [](Twavefile& d) { return d.Reverse(); },
     "m0:end m700:e m800:d m850:c m900:b m950:a m1000:start r600-820:over stop "
     "r750-910:around r820-850:inside r850-900:at start r880-980:over start r940-960:before "},
    {"FadeIn", [](Twavefile& d) { return d.FadeIn(100, 200); }, kUnchanged},
    {"FadeOut", [](Twavefile& d) { return d.FadeOut(0, 1000); }, kUnchanged},
    {"Normalize", [](Twavefile& d) { return d.Normalize(100); }, kUnchanged},
    {"Amplify", [](Twavefile& d) { return d.Amplify(50); }, kUnchanged},
    {"Invert", [](Twavefile& d) { return d.Invert(); }, kUnchanged},
    // A range of nothing removes nothing.
    {"DeleteNothing", [](Twavefile& d) { return d.Delete(150, 150); }, kUnchanged},
    // Everything goes but the end.
    {"DeleteAll", [](Twavefile& d) { return d.Delete(0, 1000); }, "m0:end "},
};

INSTANTIATE_TEST_SUITE_P(Edits, MarkersTest, ::testing::ValuesIn(kEdits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MarkerHistoryTest, EachStateKeepsTheListItHadAndHandSetMarkersCountAsAChange) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(1000, 100)));
  EXPECT_FALSE(h.document.Modified());
  TMarkerList first;
  first.AddMarker({500, "half"});
  // Out of the document's range: clamped to it.
  first.AddMarker({5000, "past"});
  first.AddRegion({-5, 2000, "all"});
  ASSERT_TRUE(h.document.SetMarkers(first));
  EXPECT_TRUE(h.document.Modified());
  EXPECT_EQ(Describe(h.document.Markers()), "m500:half m1000:past r0-1000:all ");
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 100); }));
  TMarkerList second = h.document.Markers();
  second.AddMarker({150, "new"});
  ASSERT_TRUE(h.document.SetMarkers(second));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 100); }));
  EXPECT_EQ(Describe(h.document.Markers()), "m50:new m300:half m800:past r0-800:all ");
  h.document.Undo();
  h.WaitIdle();
  EXPECT_EQ(Describe(h.document.Markers()), "m150:new m400:half m900:past r0-900:all ");
  h.document.Undo();
  h.WaitIdle();
  EXPECT_EQ(Describe(h.document.Markers()), "m500:half m1000:past r0-1000:all ");
  EXPECT_TRUE(h.document.Modified()) << "the opened file has no markers";
  ASSERT_TRUE(h.document.Reverse());
  EXPECT_FALSE(h.document.SetMarkers({})) << "refused while an operation runs";
  h.WaitIdle();
  h.document.Close();
  EXPECT_TRUE(h.document.Markers().Empty());
}

TEST(MarkerHistoryTest, AHundredThousandMarkersFollowAnEdit) {
  TMarkerList list;
  for (int64_t i = 0; i < 100000; ++i) list.markers.push_back({i * 10, "m"});
  for (int64_t i = 0; i < 100000; ++i) list.regions.push_back({i * 10, i * 10 + 15, "r"});
  FollowRemove(list, 500005, 600005);
  ASSERT_EQ(list.markers.size(), 90000u);
  EXPECT_EQ(list.markers[50000].frame, 500000);
  EXPECT_EQ(list.markers[50001].frame, 600010 - 100000);
  EXPECT_EQ(list.markers.back().frame, 999990 - 100000);
  ASSERT_EQ(list.regions.size(), 90000u + 1);
  EXPECT_EQ(list.regions[50000].end, 500005) << "the region across the start shrinks";
  FollowInsert(list, 0, 7);
  EXPECT_EQ(list.markers[1].frame, 17);
  EXPECT_EQ(list.markers[0].frame, 0) << "the marker at the position stays";
}

TEST(SplitPlanTest, RegionsOrTheSpansBetweenMarkersAndTheirNames) {
  auto plan = [](TMarkerList list, bool keepBeforeFirst) {
    std::string text;
    for (const TSplitPart& part : PlanSplit(list, 1000, keepBeforeFirst))
      text += std::to_string(part.start) + "-" + std::to_string(part.stop) + ":" + part.name + " ";
    return text;
  };
  TMarkerList markers;
  for (auto [frame, name] : {std::pair{100, ""}, {100, "b"}, {400, "c"}, {1000, "end"}})
    markers.AddMarker({frame, name});
  EXPECT_EQ(plan(markers, true), "0-100: 100-400:b 400-1000:c ");
  EXPECT_EQ(plan(markers, false), "100-400:b 400-1000:c ");
  TMarkerList regions = markers;
  regions.AddRegion({50, 60, "r"});
  regions.AddRegion({40, 900, "s"});
  EXPECT_EQ(plan(regions, true), "40-900:s 50-60:r ");
  EXPECT_EQ(plan({}, true), "");
  const TSplitPart part{0, 1, "a/b"};
  EXPECT_EQ(SplitFileName("%n %m", part, 3, 12, "src", "wav"), "03 a_b.wav");
  EXPECT_EQ(SplitFileName("%s - %n of %t %m 100%%", {}, 3, 9, "src", "mp3"),
            "src - 3 of 9  100%.mp3");
  EXPECT_EQ(SplitFileName("%n - %m", {}, 7, 10, "src", "flac"), "07.flac");
  EXPECT_EQ(SplitFileName("%m", {}, 7, 10, "src", "flac"), "07.flac");
}

TEST(SplitPlanTest, ByMarkersOrRegionsAsChosenWithNamesAndPaths) {
  TMarkerList list;
  list.AddMarker({100, "a"});
  list.AddMarker({700, "b"});
  list.AddRegion({50, 60, "r"});
  list.AddRegion({900, 2000, "past the end"});
  const std::tuple<TSplitBy, bool, const char*, const char*> rows[] = {
      {TSplitBy::markers, true, "%n %m", "0-100:1 100-700:2 a 700-1000:3 b "},
      {TSplitBy::markers, false, "%m", "100-700:a 700-1000:b "},
      {TSplitBy::regions, true, "%s-%n-%t", "50-60:src-1-2 900-1000:src-2-2 "},
      {TSplitBy::regionsElseMarkers, false, "%n %m", "50-60:1 r 900-1000:2 past the end "},
      {TSplitBy::markers, true, "%s", "duplicate src.wav"}};
  for (const auto& [by, keepBeforeFirst, pattern, files] : rows) {
    const TSplitFiles plan = PlanSplitFiles(list, 1000, {}, "/music/src.wav",
                                            {by, keepBeforeFirst, pattern, "wav", "/out"});
    std::string text = plan.duplicate.empty() ? "" : "duplicate " + plan.duplicate;
    for (const TSplitFile& file : plan.files) {
      if (!plan.duplicate.empty()) break;
      text += std::to_string(file.part.start) + "-" + std::to_string(file.part.stop) + ":" +
              file.name.substr(0, file.name.size() - 4) + " ";
      EXPECT_EQ(file.path, "/out/" + file.name);
    }
    EXPECT_EQ(text, files) << pattern;
  }
  TMarkerList onlyMarkers;
  onlyMarkers.AddMarker({10, ""});
  TSplitChoice byRegions;
  byRegions.by = TSplitBy::regions;
  EXPECT_TRUE(PlanSplitFiles(onlyMarkers, 1000, {}, "", byRegions).files.empty());
  // A name too long for a file name is cut at a character's start.
  std::string longName;
  for (int i = 0; i < 200; ++i) longName += "\u00e9";
  const std::string cut = SplitFileName("%m", {0, 1, longName}, 1, 1, "", "flac");
  EXPECT_LE(cut.size(), 255u);
  EXPECT_EQ(cut.substr(cut.size() - 7), "\u00e9.flac");
}

TEST(WavMarkersDocumentTest, SavesCarryTheMarkersOfTheirRangeAsFfprobeAndOpenReadThem) {
  if (!test::HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, std::vector<int16_t>(2 * 8000, 5)));
  TMarkerList list;
  list.AddMarker({0, "Start"});
  list.AddMarker({4000, ""});
  list.AddRegion({2000, 6000, "Middle"});
  ASSERT_TRUE(h.document.SetMarkers(list));
  const std::string whole = h.files.File("whole.wav"), part = h.files.File("part.wav");
  h.document.SetFileName(whole);
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
  EXPECT_FALSE(h.document.Modified()) << "saved with its markers";
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(part, 3000, 8000); }));
  const std::string early = h.files.File("early.wav");
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(early, 0, 4000); }));
  EXPECT_EQ(test::CommandOutput("ffprobe -v error -show_entries chapter=start,end:chapter_tags "
                                "-of csv=p=0 '" +
                                whole + "'"),
            "0,2000,Start\n2000,4000,Middle\n4000,8000\n");
  EXPECT_EQ(test::ReadWav16Samples(whole), std::vector<int16_t>(2 * 8000, 5));

  TDocumentHarness reopened;
  ASSERT_TRUE(reopened.Open(whole));
  EXPECT_EQ(reopened.document.Markers(), list);
  ASSERT_TRUE(reopened.Open(part));
  EXPECT_EQ(Describe(reopened.document.Markers()), "m1000: r0-3000:Middle ");
  ASSERT_TRUE(reopened.Open(early));
  EXPECT_EQ(Describe(reopened.document.Markers()), "m0:Start r2000-4000:Middle ")
      << "the marker at its stop begins what follows";
}

TEST(WavMarkersDocumentTest, DamagedCuePointsCostANoticeAKindAndTheAudioOpensAsUsual) {
  TDocumentHarness h;
  std::vector<std::string> notices;
  const TSubscription noting = h.document.OnNotice.Subscribe(
      [&](Twavefile*, const std::string& text) { notices.push_back(text); });
  const std::string path = h.files.File("damaged.wav");
  test::WriteWav16(path, 1, 8000, std::vector<int16_t>(800, 1000));
  std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  // Three points, the last past the audio and the second repeating the first's number, and a
  // name for a point that is not there.
  const uint8_t cue[] = {'c', 'u', 'e', ' ', 76,  0,   0,   0,   3,   0, 0, 0, 1,   0,   0,   0,
                         0,   0,   0,   0,   'd', 'a', 't', 'a', 0,   0, 0, 0, 0,   0,   0,   0,
                         100, 0,   0,   0,   1,   0,   0,   0,   0,   0, 0, 0, 'd', 'a', 't', 'a',
                         0,   0,   0,   0,   0,   0,   0,   0,   200, 0, 0, 0, 2,   0,   0,   0,
                         0,   0,   0,   0,   'd', 'a', 't', 'a', 0,   0, 0, 0, 0,   0,   0,   0,
                         0,   1,   1,   0,   'L', 'I', 'S', 'T', 16,  0, 0, 0, 'a', 'd', 't', 'l',
                         'l', 'a', 'b', 'l', 6,   0,   0,   0,   9,   0, 0, 0, 'x', 0};
  bytes.insert(bytes.end(), std::begin(cue), std::end(cue));
  WriteLE32(bytes.data() + 4, static_cast<uint32_t>(bytes.size() - 8));
  test::WriteFileBytes(path, bytes);
  ASSERT_TRUE(h.Open(path));
  EXPECT_EQ(h.document.FrameCount(), 800u);
  EXPECT_EQ(h.Samples(), std::vector<int16_t>(800, 1000));
  EXPECT_EQ(Describe(h.document.Markers()), "m100: ");
  EXPECT_EQ(notices.size(), 3u);
  EXPECT_TRUE(h.boxes.shown.empty());
}

}  // namespace
}  // namespace quillon
