// Chapters in ID3v2 tags and Vorbis comments: times round to the nearest frame and back, and
// whatever a tag holds is read as far as it makes sense, each kind of fault costing one notice.
#include "codecs/chapters.h"

#include <gtest/gtest.h>
#include <taglib/chapterframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/xiphcomment.h>

#include "codecs/id3chapters.h"
#include "codecs/xiphchapters.h"

namespace quillon {
namespace {

// At 1000 Hz, so that frames are milliseconds, in ten seconds of audio.
constexpr int64_t kFrames = 10000;

std::string Describe(const TMarkerReading& reading) {
  std::string text;
  for (const TMarker& m : reading.list.markers)
    text += "m" + std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : reading.list.regions)
    text += "r" + std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  return text + std::to_string(reading.notices.size()) + " notices";
}

TEST(ChapterTimeTest, FramesRoundToTheNearestMillisecondAndBackAndStayThere) {
  struct TRow {
    int64_t frame;
    uint32_t rate;
    uint64_t ms;
    int64_t back;
  };
  for (const TRow& row : {TRow{1003, 8000, 125, 1000},
                          {22, 44100, 0, 0},
                          {23, 44100, 1, 44},
                          {24, 48000, 1, 48},
                          {158760000, 44100, 3600000, 158760000}}) {
    EXPECT_EQ(FrameToMs(row.frame, row.rate), row.ms) << row.frame;
    EXPECT_EQ(MsToFrame(row.ms, row.rate), row.back) << row.frame;
    EXPECT_EQ(FrameToMs(row.back, row.rate), row.ms) << row.frame;
  }
  EXPECT_EQ(ChapterTimeText(3723004), "01:02:03.004");
  EXPECT_EQ(ChapterTimeText(360000000), "100:00:00.000");
  for (auto [text, ms] : {std::pair{"00:00:01.500", 1500},
                          {"1:02:03", 3723000},
                          {"00:00:00.0005", 1},
                          {"100:00:00.000", 360000000}})
    EXPECT_EQ(ParseChapterTime(text), ms) << text;
  for (const char* bad : {"0:0:7", "00:60:00", "00:00:00.", "00:00:00.5x", "", "-1:00:00"})
    EXPECT_EQ(ParseChapterTime(bad), std::nullopt) << bad;
}

struct TXiphRow {
  const char* name;
  std::vector<std::pair<std::string, std::string>> fields;
  const char* expected;
};

class XiphChaptersTest : public ::testing::TestWithParam<TXiphRow> {};

TEST_P(XiphChaptersTest, KeepWhatCanBeKept) {
  std::vector<TXiphField> fields;
  for (const auto& [key, value] : GetParam().fields) fields.push_back({key, value});
  EXPECT_EQ(Describe(MarkersOfChapters(XiphChaptersOf(fields), 1000, kFrames, "f.flac")),
            GetParam().expected);
}

const TXiphRow kXiphRows[] = {
    {"ByNumberNotByPlace",
     {{"CHAPTER002", "00:00:02.000"}, {"CHAPTER001NAME", "a"}, {"CHAPTER001", "00:00:01.000"}},
     "m1000:a m2000: 0 notices"},
    {"RegionEnd",
     {{"CHAPTER001", "00:00:01.000"}, {"CHAPTER001END", "00:00:03.000"}, {"CHAPTER001URL", "x"}},
     "r1000-3000: 0 notices"},
    {"OutOfOrder",
     {{"CHAPTER001", "00:00:05.000"}, {"CHAPTER002", "00:00:01.000"}},
     "m1000: m5000: 1 notices"},
    {"PastTheEnd",
     {{"CHAPTER001", "00:00:11.000"},
      {"CHAPTER002", "00:00:09.000"},
      {"CHAPTER002END", "00:00:12.000"}},
     "r9000-10000: 1 notices"},
    {"Twice", {{"CHAPTER001", "00:00:01.000"}, {"CHAPTER001", "00:00:02.000"}}, "m1000: 1 notices"},
    {"EndBeforeStart",
     {{"CHAPTER001", "00:00:02.000"}, {"CHAPTER001END", "00:00:01.000"}},
     "m2000: 1 notices"},
    {"BadTimesAndLoneNames",
     {{"CHAPTER001", "1:2:3"},
      {"CHAPTER002", "00:00:01.000"},
      {"CHAPTER002END", "soon"},
      {"CHAPTER003NAME", "alone"},
      {"CHAPTER0000000004", "00:00:04.000"},
      {"CHAPTERS", "x"}},
     "m1000: 2 notices"},
};

INSTANTIATE_TEST_SUITE_P(Fields, XiphChaptersTest, ::testing::ValuesIn(kXiphRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XiphChaptersTest, WrittenChaptersReadBackAndAbsurdCountsStopAtTheLimit) {
  const std::vector<TChapter> chapters = {
      {0, std::nullopt, "Start"}, {1500, 2500, "Ünïcode"}, {1500, std::nullopt, ""}};
  TagLib::Ogg::XiphComment comment;
  PutXiphChapters(comment, chapters);
  EXPECT_EQ(comment.fieldListMap()["CHAPTER002END"].front(), "00:00:02.500");
  EXPECT_EQ(XiphChaptersOf(comment).chapters, chapters);
  std::vector<std::string> keys;
  for (size_t i = 0; i <= kMaxMarkers; ++i) keys.push_back("CHAPTER" + std::to_string(i + 1));
  std::vector<TXiphField> fields;
  for (const std::string& key : keys) fields.push_back({key, "00:00:01.000"});
  const TChapterFind found = XiphChaptersOf(fields);
  EXPECT_EQ(found.chapters.size(), kMaxMarkers);
  EXPECT_TRUE(found.tooMany);
}

struct TChap {
  const char* id;
  unsigned start, end;
  const char* title;  // none when null
};

struct TId3Row {
  const char* name;
  std::vector<TChap> chapters;
  std::vector<const char*> toc;  // none when empty
  bool ordered;
  const char* expected;
};

class Id3ChaptersTest : public ::testing::TestWithParam<TId3Row> {};

TEST_P(Id3ChaptersTest, KeepWhatCanBeKept) {
  TagLib::ID3v2::Tag tag;
  for (const TChap& c : GetParam().chapters) {
    auto* frame = new TagLib::ID3v2::ChapterFrame(c.id, c.start, c.end, ~0u, ~0u);
    if (c.title) {
      auto* title = new TagLib::ID3v2::TextIdentificationFrame("TIT2");
      title->setText(c.title);
      frame->addEmbeddedFrame(title);
    }
    tag.addFrame(frame);
  }
  if (!GetParam().toc.empty()) {
    TagLib::ByteVectorList ids;
    for (const char* id : GetParam().toc) ids.append(id);
    auto* toc = new TagLib::ID3v2::TableOfContentsFrame("toc", ids);
    toc->setIsTopLevel(true);
    toc->setIsOrdered(GetParam().ordered);
    tag.addFrame(toc);
  }
  EXPECT_EQ(Describe(MarkersOfChapters(Id3ChaptersOf(tag), 1000, kFrames, "f.mp3")),
            GetParam().expected);
}

const TId3Row kId3Rows[] = {
    {"MarkersEndWhereTheyStart",
     {{"a", 0, 0, "Start"}, {"b", 1000, 4000, "Song"}, {"c", 4000, 4000, nullptr}},
     {"a", "b", "c"},
     true,
     "m0:Start m4000: r1000-4000:Song 0 notices"},
    {"OrderedButNot",
     {{"a", 5000, 6000, "late"}, {"b", 1000, 2000, "early"}},
     {"a", "b"},
     true,
     "r1000-2000:early r5000-6000:late 1 notices"},
    {"OrderedButOverlapping",
     {{"a", 1000, 5000, "x"}, {"b", 2000, 6000, "y"}},
     {"a", "b"},
     true,
     "r1000-5000:x r2000-6000:y 1 notices"},
    {"OverlapNotOrdered",
     {{"a", 1000, 5000, "x"}, {"b", 2000, 6000, "y"}},
     {"b", "a"},
     false,
     "r1000-5000:x r2000-6000:y 0 notices"},
    // The second id again, a chapter the contents do not list, one past the end and one
    // running past it, and an end before the start.
    {"Damaged",
     {{"a", 1000, 2000, "x"},
      {"a", 3000, 3000, "again"},
      {"z", 500, 500, "unlisted"},
      {"p", 10002, 11000, "past"},
      {"q", 9000, 10500, "over"},
      {"r", 7000, 6000, "reversed"}},
     {"a", "missing", "p", "q", "r"},
     false,
     "m500:unlisted m7000:reversed r1000-2000:x r9000-10000:over 3 notices"},
};

INSTANTIATE_TEST_SUITE_P(Frames, Id3ChaptersTest, ::testing::ValuesIn(kId3Rows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
