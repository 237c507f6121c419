// Label files and CUE sheets: what other programs write is read, what we write reads back, and
// every line that cannot be used costs one notice naming it.
#include <gtest/gtest.h>

#include "codecs/cuesheet.h"
#include "codecs/labelfile.h"
#include "codecs/markerfile.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

std::string Describe(const TMarkerReading& reading) {
  std::string text;
  for (const TMarker& m : reading.list.markers)
    text += "m" + std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : reading.list.regions)
    text += "r" + std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  for (const std::string& notice : reading.notices) text += "| " + notice + " ";
  return text;
}

TEST(LabelFileTest, EveryFrameComesBackAtEveryRate) {
  for (uint32_t rate : {8000u, 44100u, 48000u, 96000u, 192000u}) {
    SCOPED_TRACE(rate);
    TMarkerList list;
    const int64_t frames = int64_t{rate} * 3600 * 3;
    for (int64_t frame : {int64_t{0}, int64_t{1}, int64_t{rate} - 1, frames / 7, frames - 1})
      list.AddMarker({frame, "at " + std::to_string(frame)});
    list.AddRegion({3, frames - 3, "almost\tall"});
    list.AddRegion({frames / 3, frames / 3 + 1, ""});
    TMarkerReading back = ParseLabelText(FormatLabelText(list, rate), rate, frames, "x.txt");
    EXPECT_TRUE(back.notices.empty());
    list.regions[0].name = "almost all";
    EXPECT_EQ(back.list, list);
  }
}

struct TLabelRow {
  const char* text;
  const char* expected;
};

class LabelLinesTest : public ::testing::TestWithParam<TLabelRow> {};

TEST_P(LabelLinesTest, KeepWhatCanBeKeptAndNameEveryOtherLine) {
  // 10 seconds at 1000 Hz.
  EXPECT_EQ(Describe(ParseLabelText(GetParam().text, 1000, 10000, "l.txt")), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LabelLinesTest,
    ::testing::Values(
        TLabelRow{"1.5\t1.5\tA b\n2\t3\tp\xE4rt\n", "m1500:A b r2000-3000:pärt "},
        // Windows line ends, a comma for the point, a missing name, a start alone.
        TLabelRow{"0,25\t0,25\r\n4\r\n", "m250: m4000: "},
        // Frequencies of a spectral label, blank lines and tabs in the name are kept apart.
        TLabelRow{"1\t2\tx\ty\n\\\t100\t2000\n\n  \n", "r1000-2000:x\ty "},
        TLabelRow{"x\t1\tbad start\n1\t\tbad end\n3\t2\tbackwards\n-1\t-1\tnegative\n"
                  "nan\tnan\tn\n1e999\t1e999\tinf\n5\t5\tkept\n",
                  "m5000:kept | Line 1 of l.txt could not be read and was left out. "
                  "| Line 2 of l.txt could not be read and was left out. "
                  "| Line 3 of l.txt could not be read and was left out. "
                  "| Line 4 of l.txt could not be read and was left out. "
                  "| Line 5 of l.txt could not be read and was left out. "
                  "| Line 6 of l.txt could not be read and was left out. "},
        // Past the end: left out; a region's end past it is cut there.
        TLabelRow{"11\t11\tlate\n9\t1e300\tlong\n10\t10\tend\n",
                  "m10000:end r9000-10000:long "
                  "| Line 1 of l.txt lies past the end of the audio and was left out. "},
        TLabelRow{"", ""}));

TEST(CueSheetTest, TracksBecomeMarkersAndUnusableLinesAreNamed) {
  const std::string sheet =
      "\xEF\xBB\xBFREM GENRE Rock\r\n"
      "PERFORMER \"Band\"\r\n"
      "TITLE \"Side A\"\r\n"
      "FILE \"side a.wav\" WAVE\r\n"
      "  TRACK 01 AUDIO\r\n"
      "    TITLE \"First\"\r\n"
      "    INDEX 01 00:00:00\r\n"
      "  TRACK 02 AUDIO\r\n"
      "    TITLE Second song\r\n"
      "    INDEX 00 00:01:00\r\n"
      "    INDEX 01 00:02:30\r\n"
      "  TRACK 03 AUDIO\r\n"
      "    INDEX 01 00:61:00\r\n"  // line 13: no such time
      "  TRACK 04 AUDIO\r\n"
      "    INDEX 01 20:00:00\r\n"  // line 15: past the end
      "  WHATEVER\r\n"
      "  TRACK 05 AUDIO\r\n"          // line 17: no INDEX 01
      "FILE \"side b.wav\" WAVE\r\n"  // line 18: another file's times
      "  TRACK 06 AUDIO\r\n"
      "    INDEX 01 00:00:00\r\n";
  EXPECT_EQ(Describe(ParseCueSheet(sheet, 44100, 44100 * 600, "s.cue")),
            "m0:First m105840:Second song "
            "| Line 13 of s.cue could not be read and was left out. "
            "| Line 15 of s.cue lies past the end of the audio and was left out. "
            "| Line 16 of s.cue could not be read and was left out. "
            "| Line 18 of s.cue could not be read and was left out. "
            "| Line 17 of s.cue could not be read and was left out. ");
}

TEST(CueSheetTest, WhatWeWriteReadsBackToTheNearestCdFrame) {
  TMarkerList list;
  list.AddMarker({0, "One \"quoted\""});
  list.AddMarker({588 * 75 * 61 + 588 * 3, "Two"});      // 01:01:03
  list.AddMarker({588 * 10 + 200, ""});                  // rounds to 00:00:10
  list.AddRegion({588 * 20 + 400, 588 * 40, "Region"});  // rounds to 00:00:21
  TTags tags;
  tags.artist = "Band";
  tags.album = "Album";
  const std::string sheet = FormatCueSheet(list, 44100, "take.wav", tags);
  EXPECT_NE(sheet.find("PERFORMER \"Band\"\nTITLE \"Album\"\nFILE \"take.wav\" WAVE\n"),
            std::string::npos);
  EXPECT_NE(sheet.find("    INDEX 01 01:01:03\n"), std::string::npos);
  EXPECT_EQ(Describe(ParseCueSheet(sheet, 44100, 44100 * 3600, "s.cue")),
            "m0:One 'quoted' m5880: m12348:Region m2691864:Two ");
}

TEST(MarkerFileTest, ByExtensionAndUnreadableFilesSaySo) {
  test::TTempDir dir;
  TMarkerList list;
  list.AddMarker({8000, "m"});
  for (const char* name : {"a.txt", "b.CUE"}) {
    WriteMarkerFile(dir.File(name), list, 8000, "audio.wav", {});
    TMarkerReading back = ReadMarkerFile(dir.File(name), 8000, 80000);
    EXPECT_EQ(back.list, list) << name;
  }
  EXPECT_EQ(test::ReadFileBytes(dir.File("a.txt")).size(),
            std::string("1.000000\t1.000000\tm\n").size());
  TMarkerReading missing = ReadMarkerFile(dir.File("none.txt"), 8000, 80000);
  EXPECT_FALSE(missing.fileRead);
  EXPECT_EQ(missing.notices.size(), 1u);
  EXPECT_THROW(WriteMarkerFile(dir.File("no/such/folder.txt"), list, 8000, "a.wav", {}),
               std::exception);
}

}  // namespace
}  // namespace quillon
