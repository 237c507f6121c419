#include "analysis/silencechoices.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(SilenceChoicesTest, PaddingLeavesSilenceBesideEachSoundButNotAtTheDocumentsEnds) {
  struct TRow {
    std::vector<TFrameSpan> silences;
    uint64_t pad;
    std::vector<TFrameSpan> padded;
  } rows[] = {
      {{{100, 200}}, 10, {{110, 190}}},
      // The start and the end of a document of 1000 frames have no sound to pad.
      {{{0, 200}, {900, 1000}}, 10, {{0, 190}, {910, 1000}}},
      // A silence no longer than its two paddings goes.
      {{{100, 120}, {300, 321}}, 10, {{310, 311}}},
      {{{100, 200}}, 0, {{100, 200}}},
      {{{0, 1000}}, 500, {{0, 1000}}},
      {{{5, 8}}, 10, {}},
  };
  for (const TRow& row : rows) EXPECT_EQ(PaddedSilences(row.silences, row.pad, 1000), row.padded);
}

TEST(SilenceChoicesTest, EachSoundBetweenTheSilencesBecomesANumberedRegion) {
  struct TRow {
    std::vector<TFrameSpan> silences;
    TFrameSpan within;
    std::vector<TRegion> regions;
  } rows[] = {
      {{{100, 200}}, {0, 1000}, {{0, 100, "Sound 1"}, {200, 1000, "Sound 2"}}},
      {{{0, 200}, {900, 1000}}, {0, 1000}, {{200, 900, "Sound 1"}}},
      {{}, {50, 60}, {{50, 60, "Sound 1"}}},
      {{{0, 1000}}, {0, 1000}, {}},
      {{{300, 400}, {600, 700}},
       {200, 800},
       {{200, 300, "Sound 1"}, {400, 600, "Sound 2"}, {700, 800, "Sound 3"}}},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(SoundRegions(row.silences, row.within, "Sound %1"), row.regions);
}

}  // namespace
}  // namespace quillon
