#include "mp3frames/framegrid.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

// Frames of 1152 with 1105 decoded samples skipped: the first whole frame begins at 47.
constexpr TFrameGrid kGrid{1152, 1105};

TEST(FrameGridTest, BoundariesLieOnlyInMappedRangesWhereTheSourceFramesBegin) {
  // The source from 0, then a cut: document 2000 on is the source from 5000 on.
  const std::vector<TSourceSpan> spans{{0, 0, 2000}, {2000, 5000, 3000}};
  EXPECT_EQ(FrameBoundaries(spans, kGrid, 0, 5000, 100),
            (std::vector<uint64_t>{47, 1199, 2807, 3959}));
  // The limit, and a range that starts inside a span.
  EXPECT_EQ(FrameBoundaries(spans, kGrid, 48, 5000, 1), (std::vector<uint64_t>{1199}));
  // A changed range between two mapped ones has none.
  EXPECT_TRUE(FrameBoundaries({{0, 0, 40}, {4000, 4000, 10}}, kGrid, 0, 5000, 100).empty());
}

struct TNearestRow {
  uint64_t position;
  std::optional<uint64_t> nearest;
};

TEST(FrameGridTest, NearestBoundaryIsWithinOneFrameOfAMappedRange) {
  const std::vector<TSourceSpan> spans{{0, 0, 3000}, {10000, 0, 3000}};
  const TNearestRow rows[] = {
      {0, 47},        {600, 47},    {700, 1199}, {1199, 1199},
      {2999, 2351},   {3400, 2351}, {5000, {}},  // far from any mapped frame
      {9500, 10047},                             // the second span's first boundary, from before it
      {12400, 12351},
  };
  for (const TNearestRow& row : rows)
    EXPECT_EQ(NearestBoundary(spans, kGrid, row.position), row.nearest) << row.position;
  EXPECT_FALSE(NearestBoundary(spans, TFrameGrid{}, 600));
  // Both edges of a selection inside one frame would meet: it stays as it was.
  EXPECT_EQ(SnapRange(spans, kGrid, {700, 2999}), (TFrameRange{1199, 2351}));
  EXPECT_EQ(SnapRange(spans, kGrid, {1100, 1300}), (TFrameRange{1100, 1300}));
  // A small step of an edge on a boundary goes on to the next one in its way, not back.
  EXPECT_EQ(SnapRange(spans, kGrid, {47, 1299}, TFrameRange{47, 1199}), (TFrameRange{47, 2351}));
  EXPECT_EQ(SnapRange(spans, kGrid, {47, 2251}, TFrameRange{47, 2351}), (TFrameRange{47, 1199}));
}

}  // namespace
}  // namespace quillon
