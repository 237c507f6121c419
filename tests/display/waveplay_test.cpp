#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "display/waveview.h"
#include "platform/event.h"
#include "playback/audio_drivers.h"
#include "playback/playunit.h"
#include "support/document_harness.h"
#include "support/wait.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;

// A view over 8000 mono frames, none of them silent, played through SDL's disk driver.
class WavePlayTest : public ::testing::Test {
 protected:
  WavePlayTest() {
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>(1 + (i * 7919) % 30000);
    EXPECT_TRUE(harness.OpenSamples(1, samples, 8000));
    view.AttachDocument(&harness.document);
    test::UseDiskDriver(received);
  }
  ~WavePlayTest() override {
    SetPlayerOpeningHook(nullptr);
    test::UseDummyDriver();
  }

  // What the device received, without the silence it started with; the device flushes when the
  // player lets it go.
  std::vector<int16_t> Received() {
    view.Player()->Release();
    std::vector<uint8_t> bytes = test::ReadFileBytes(received);
    std::vector<int16_t> got(bytes.size() / 2);
    std::memcpy(got.data(), bytes.data(), got.size() * 2);
    got.erase(got.begin(), std::find_if(got.begin(), got.end(), [](int16_t s) { return s != 0; }));
    return got;
  }

  test::TDocumentHarness harness;
  std::string received = harness.files.File("device.raw");
  std::vector<int16_t> samples = std::vector<int16_t>(8000);
  TWaveView view;
};

struct TRangeRow {
  const char* name;
  uint32_t start, stop;
  bool selected;
};
class WavePlayRangeTest : public WavePlayTest, public ::testing::WithParamInterface<TRangeRow> {};

TEST_P(WavePlayRangeTest, PlaysTheRangeToItsLastFrameThenSilence) {
  const TRangeRow row = GetParam();
  if (row.selected) view.SetSelection(row.start, row.stop, true);
  if (!row.selected) view.SetCursorPos(row.start);
  ASSERT_TRUE(view.HasPlayer());
  view.StartPlay();
  ASSERT_TRUE(view.Playing());
  ASSERT_TRUE(test::WaitUntil([&] { return !view.Playing(); }));
  EXPECT_EQ(view.CursorPos(), row.stop - 1) << "the play cursor ends on the last frame";
  std::vector<int16_t> got = Received();
  const size_t frames = row.stop - row.start;
  ASSERT_GE(got.size(), frames);
  EXPECT_TRUE(std::equal(samples.begin() + row.start, samples.begin() + row.stop, got.begin()));
  EXPECT_TRUE(std::all_of(got.begin() + frames, got.end(), [](int16_t s) { return s == 0; }))
      << "more than the range played";
}

INSTANTIATE_TEST_SUITE_P(Rows, WavePlayRangeTest,
                         ::testing::Values(TRangeRow{"OneFrameSelected", 100, 101, true},
                                           TRangeRow{"SelectionLongerThanTheRing", 10, 7000, true},
                                           TRangeRow{"TheLastFrameFromTheCursor", 7999, 8000,
                                                     false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The device opens until the test lets it: a Play meanwhile returns at once and plays once it is
// open, unless a Stop came in between.
class WavePlayOpeningTest : public WavePlayTest, public ::testing::WithParamInterface<bool> {};

TEST_P(WavePlayOpeningTest, APlayWhileTheDeviceOpensStartsWhenItIsOpenWithoutWaitingForIt) {
  const bool stopWhileOpening = GetParam();
  TEvent open(true, false);
  SetPlayerOpeningHook([&open] { open.WaitFor(20s); });
  bool prepared = false;
  TSubscription done = PlayerPreparedEvent().Subscribe([&] { prepared = true; });
  view.OpenPlayerAside();
  view.StartPlay();
  EXPECT_TRUE(view.PlayerOpening()) << "the play waited for the device";
  EXPECT_FALSE(view.Playing());
  if (stopWhileOpening) view.StopPlay();
  open.Set();
  ASSERT_TRUE(test::WaitUntil([&] { return prepared; }));
  EXPECT_EQ(view.Playing(), !stopWhileOpening);
  view.StopPlay();
}

INSTANTIATE_TEST_SUITE_P(StopOrNot, WavePlayOpeningTest, ::testing::Bool());

TEST_F(WavePlayTest, AFirstPlayBeforeTheDeviceWasOpenedOpensItAsideAndPlaysOnceItIsOpen) {
  TEvent open(true, false);
  SetPlayerOpeningHook([&open] { open.WaitFor(20s); });
  view.StartPlay();
  EXPECT_TRUE(view.PlayerOpening()) << "the play opened the device on the main thread";
  open.Set();
  ASSERT_TRUE(test::WaitUntil([&] { return view.Playing(); }));
  view.StopPlay();
}

}  // namespace
}  // namespace quillon
