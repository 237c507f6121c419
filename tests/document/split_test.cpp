// Splitting a document into files: the parts laid end to end are the document, each carries the
// document's tags with its own number and title, and a stop keeps the finished files whole and
// leaves nothing of the one it was writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "document/splitplan.h"
#include "document/splitrun.h"
#include "localization/constants.h"
#include "platform/cancel.h"
#include "support/document_harness.h"
#include "support/tagprobe.h"

namespace quillon {
namespace {

constexpr int kFrames = 120000;

// A stereo document whose samples all differ, with three markers, a region and tags.
struct TSplitScene {
  TSplitScene() {
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 13 + 5);
    EXPECT_TRUE(h.OpenSamples(2, samples));
    TMarkerList list;
    for (auto [frame, name] : {std::pair{30000, "One"}, {60000, "Two/Three"}, {90000, "Four"}})
      list.AddMarker({frame, name});
    list.AddRegion({10000, 20000, "Solo"});
    EXPECT_TRUE(h.document.SetMarkers(list));
    TTags tags;
    tags.artist = "Band";
    tags.album = "Side A";
    h.document.SetTags(tags);
    h.document.SetFileName(h.files.File("side.wav"));
    notes = h.document.OnNotice.Subscribe(
        [this](Twavefile*, const std::string& text) { notices.push_back(text); });
  }
  TSplitFiles Plan(TSplitBy by, bool keepBeforeFirst = true) {
    TSplitChoice choice{by, keepBeforeFirst, "%n %m", "wav", h.files.File("parts")};
    return PlanSplitFiles(h.document.Markers(), h.document.FrameCount(), h.document.Tags(),
                          h.document.FileName(), choice);
  }
  // The names in the parts folder, sorted; the run's lock that every save there takes aside.
  std::vector<std::string> Written() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(h.files.File("parts")))
      if (const std::string name = entry.path().filename().string(); !name.starts_with(".~ql"))
        names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<int16_t> Slice(int64_t start, int64_t stop) const {
    return {samples.begin() + 2 * start, samples.begin() + 2 * stop};
  }

  std::vector<int16_t> samples = std::vector<int16_t>(2 * kFrames);
  test::TDocumentHarness h;
  std::vector<std::string> notices;
  TSubscription notes;
};

TEST(SplitRunTest, WavPartsLaidEndToEndAreTheDocumentAndFfprobeReadsTheirTags) {
  const struct {
    TSplitBy by;
    bool keepBeforeFirst;
    std::vector<std::string> names;
    int64_t from, to;  // the document's frames the parts cover end to end
  } rows[] = {
      {TSplitBy::markers,
       true,
       {"1.wav", "2 One.wav", "3 Two_Three.wav", "4 Four.wav"},
       0,
       kFrames},
      {TSplitBy::markers, false, {"1 One.wav", "2 Two_Three.wav", "3 Four.wav"}, 30000, kFrames},
      {TSplitBy::regions, true, {"1 Solo.wav"}, 10000, 20000},
  };
  for (const auto& row : rows) {
    TSplitScene scene;
    const TSplitFiles plan = scene.Plan(row.by, row.keepBeforeFirst);
    ASSERT_TRUE(scene.h.Run([&](Twavefile& d) { return d.Split(plan.files); }));
    EXPECT_TRUE(scene.h.boxes.shown.empty());
    EXPECT_EQ(scene.Written(), row.names);
    std::vector<int16_t> joined;
    for (const TSplitFile& file : plan.files) {
      const auto part = test::ReadWav16Samples(file.path);
      joined.insert(joined.end(), part.begin(), part.end());
      if (!test::HaveFfprobe()) continue;
      const auto probed = test::ProbeTags(file.path).tags;
      const std::string number = std::to_string(&file - plan.files.data() + 1);
      EXPECT_EQ(probed.at("track"), number + "/" + std::to_string(plan.files.size()));
      EXPECT_EQ(probed.count("title") ? probed.at("title") : "", file.part.name);
      EXPECT_EQ(probed.at("artist") + probed.at("album"), "BandSide A") << file.path;
    }
    EXPECT_EQ(joined, scene.Slice(row.from, row.to)) << row.names.front();
    EXPECT_EQ(scene.notices.back(), ConstantText("splitdone", {std::to_string(row.names.size()),
                                                               scene.h.files.File("parts")}));
  }
}

class SplitCancelTest : public ::testing::Test {
 protected:
  void TearDown() override { CancelAtNthCheck(0); }
};

TEST_F(SplitCancelTest, AStopKeepsTheFinishedFilesWholeAndRemovesTheOneBeingWritten) {
  int checks = 0;
  {
    TSplitScene scene;
    CancelAtNthCheck(INT32_MAX);
    ASSERT_TRUE(
        scene.h.Run([&](Twavefile& d) { return d.Split(scene.Plan(TSplitBy::markers).files); }));
    checks = CancelChecksCounted();
  }
  ASSERT_GT(checks, 8);
  // The first look, one in the middle, and the last.
  for (const int n : {1, checks / 2, checks}) {
    TSplitScene scene;
    const TSplitFiles plan = scene.Plan(TSplitBy::markers);
    auto progress = std::make_shared<TSplitProgress>();
    CancelAtNthCheck(n);
    scene.h.Run([&](Twavefile& d) { return d.Split(plan.files, progress); });
    ASSERT_FALSE(CancelPending()) << n;
    CancelAtNthCheck(0);
    // The first files of the plan, each whole; nothing else, no unfinished file under any name.
    const std::vector<std::string> written = scene.Written();
    const size_t kept = written.size();
    EXPECT_LT(kept, plan.files.size()) << n;
    EXPECT_TRUE(n != checks / 2 || kept > 0) << "the middle falls in a later file";
    EXPECT_EQ(static_cast<size_t>(progress->file.load()), kept + 1) << n;
    for (size_t i = 0; i < kept; ++i) {
      EXPECT_EQ(written[i], plan.files[i].name) << n;
      EXPECT_EQ(test::ReadWav16Samples(plan.files[i].path),
                scene.Slice(plan.files[i].part.start, plan.files[i].part.stop));
    }
    EXPECT_TRUE(scene.h.boxes.shown.empty()) << n;
    EXPECT_EQ(scene.notices.back(), ConstantText("splitstopped", {std::to_string(kept), "4",
                                                                  scene.h.files.File("parts")}));
  }
}

TEST(SplitRunTest, AFolderThatCannotBeMadeIsToldAndNothingIsKept) {
  TSplitScene scene;
  test::WriteFileBytes(scene.h.files.File("file"), {'x'});
  const TSplitFile blocked{{0, 10, ""}, "x.wav", scene.h.files.File("file/x.wav"), {}};
  EXPECT_TRUE(scene.h.Run([&](Twavefile& d) { return d.Split({blocked}); }));
  ASSERT_EQ(scene.h.boxes.shown.size(), 1u);
  EXPECT_NE(scene.h.boxes.shown[0].text.find(scene.h.files.File("file")), std::string::npos);
  EXPECT_EQ(scene.notices.back(),
            ConstantText("splitfailed", {"0", "1", scene.h.files.File("file")}));
}

}  // namespace
}  // namespace quillon
