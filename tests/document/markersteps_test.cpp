// What the Markers menu asks of the document: the places it steps to, the item at the cursor,
// the changes of one item, and a change of the markers alone as a step of the history.
#include <gtest/gtest.h>

#include <functional>

#include "document/markerpicks.h"
#include "document/wavfile.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

TMarkerList Sample() {
  TMarkerList list;
  list.AddMarker({100, "a"});
  list.AddMarker({300, "b"});
  list.AddRegion({200, 900, "long"});
  list.AddRegion({250, 400, "short"});
  return list;
}

std::string Describe(const TMarkerList& list) {
  std::string text;
  for (const TMarker& m : list.markers) text += "m" + std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : list.regions)
    text += "r" + std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  return text;
}

struct TPickRow {
  const char* name;
  std::function<std::string(TMarkerList&)> run;
  const char* expected;
};

std::string Stop(std::optional<int64_t> stop) {
  return stop ? std::to_string(*stop) : "none";
}

std::string Item(std::optional<TMarkItem> item) {
  return item ? item->name : "none";
}

const TPickRow kPicks[] = {
    {"NextFromTheStart", [](TMarkerList& l) { return Stop(NextStop(l, 0, true)); }, "100"},
    {"NextPassesARegionStart", [](TMarkerList& l) { return Stop(NextStop(l, 100, true)); }, "200"},
    {"NextReachesARegionEnd", [](TMarkerList& l) { return Stop(NextStop(l, 400, true)); }, "900"},
    {"NoneAfterTheLast", [](TMarkerList& l) { return Stop(NextStop(l, 900, true)); }, "none"},
    {"PreviousIsStrictlyBefore", [](TMarkerList& l) { return Stop(NextStop(l, 300, false)); },
     "250"},
    {"NoneBeforeTheFirst", [](TMarkerList& l) { return Stop(NextStop(l, 100, false)); }, "none"},
    {"AMarkerFirst", [](TMarkerList& l) { return Item(ItemAt(l, 300)); }, "b"},
    {"ARegionAtItsEnd", [](TMarkerList& l) { return Item(ItemAt(l, 900)); }, "long"},
    {"TheShortestRegionAround", [](TMarkerList& l) { return Item(ItemAt(l, 350)); }, "short"},
    {"NothingOutside", [](TMarkerList& l) { return Item(ItemAt(l, 950)); }, "none"},
    {"MoveKeepsTheOrder",
     [](TMarkerList& l) { return MoveItem(l, ItemOf(l.markers[0]), 500) ? Describe(l) : "-"; },
     "m300:b m500:a r200-900:long r250-400:short "},
    {"MoveARegionWhole",
     [](TMarkerList& l) { return MoveItem(l, ItemOf(l.regions[1]), 0) ? Describe(l) : "-"; },
     "m100:a m300:b r0-150:short r200-900:long "},
    {"RenameOnOneLine",
     [](TMarkerList& l) {
       return RenameItem(l, ItemOf(l.markers[1]), "x\ty\nz") ? Describe(l) : "-";
     },
     "m100:a m300:x y z r200-900:long r250-400:short "},
    {"AGoneItemChangesNothing",
     [](TMarkerList& l) {
       return RemoveItem(l, {false, 300, 300, "other"}) ? "-" : Describe(l);
     },
     "m100:a m300:b r200-900:long r250-400:short "},
};

class MarkerPicksTest : public ::testing::TestWithParam<TPickRow> {};

TEST_P(MarkerPicksTest, Give) {
  TMarkerList list = Sample();
  EXPECT_EQ(GetParam().run(list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, MarkerPicksTest, ::testing::ValuesIn(kPicks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MarkerStepTest, IsUndoneAndRedoneWithoutAWorkerAndModifiedFollowsTheSavedList) {
  test::TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(1000, 100)));
  int announced = 0;
  TSubscription seen = h.document.OnMarkersSet.Subscribe([&](Twavefile*) { ++announced; });
  ASSERT_TRUE(h.document.ChangeMarkers(Sample()));
  EXPECT_TRUE(h.document.Modified());
  EXPECT_TRUE(h.document.ChangeMarkers(Sample())) << "the same list: no step";
  EXPECT_EQ(h.document.UndoStack().Count(), 1u);
  h.document.Undo();
  EXPECT_FALSE(h.document.Busy()) << "no worker for a marker step";
  EXPECT_TRUE(h.document.Markers().Empty());
  EXPECT_FALSE(h.document.Modified()) << "back at the list the file has";
  h.document.Redo();
  EXPECT_EQ(Describe(h.document.Markers()), Describe(Sample()));
  EXPECT_TRUE(h.document.Modified());
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
  EXPECT_FALSE(h.document.Modified());
  h.document.Undo();
  EXPECT_TRUE(h.document.Modified()) << "the saved file has the markers";
  EXPECT_EQ(announced, 4);
}

}  // namespace
}  // namespace quillon
