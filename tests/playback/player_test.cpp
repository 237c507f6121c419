#include "playback/playformat.h"
#include "playback/playunit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/eventreport.h"
#include "platform/faults.h"
#include "platform/mainthread.h"
#include "playback/audio_drivers.h"
#include "playback/previewsource.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::TDocumentHarness;
using test::TTempDir;

// Never zero, so that silence before the range can be told from the range itself.
std::vector<int16_t> Ramp(size_t count) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(1 + (i * 7919) % 30000);
  return samples;
}

class PlayerTest : public ::testing::Test {
 protected:
  ~PlayerTest() override { player.reset(); }

  void MakePlayer() {
    player = std::make_unique<TPlayer>();
    player->SetVolume(0);
    player->OnProcess = [this](int64_t index) { positions.push_back(index); };
    player->OnStatus = [this](bool action) { statuses.push_back(action); };
  }

  TWaveFormatEx Format() { return Pcm16Format(h.document.Channels(), h.document.SampleRate()); }

  void Prepare(int64_t startFrame, int64_t frames) {
    player->Prepare(&h.document, Format(), startFrame, frames);
  }

  // Plays frames from startFrame on to the player's own stop.
  void PlayToEnd(int64_t startFrame, int64_t frames) {
    Prepare(startFrame, frames);
    player->Start();
    ASSERT_TRUE(h.loop.RunUntil([this] { return !player->Playing(); }, 60s)) << "never stopped";
  }

  // What the disk device received, after the player is gone (the device flushes on closing).
  std::vector<int16_t> Received() {
    player.reset();
    std::vector<uint8_t> bytes = test::ReadFileBytes(received);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }

  // The device received leading silence, exactly expected, then only silence.
  void ExpectReceived(const std::vector<int16_t>& expected, uint16_t channels) {
    std::vector<int16_t> samples = Received();
    size_t first = 0;
    while (first < samples.size() && samples[first] == 0) ++first;
    ASSERT_EQ(first % channels, 0u);
    ASSERT_GE(samples.size() - first, expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), samples.begin() + first))
        << "the range arrived changed";
    size_t rest = first + expected.size();
    EXPECT_LT(rest, samples.size()) << "no silence after the range";
    EXPECT_TRUE(std::all_of(samples.begin() + rest, samples.end(), [](int16_t s) {
      return s == 0;
    })) << "something other than silence followed the range";
  }

  // The main thread busy while the device plays frames on, as under a long redraw: the cursor
  // is looked at often enough that no lap of the ring goes uncounted.
  void HoldWhileTheCursorMoves(uint32_t frames) {
    TDirectSoundBuffer* buffer = player->PlaybackBuffer();
    const uint64_t size = buffer->Size(), bytes = uint64_t{frames} * 2 * h.document.Channels();
    uint64_t last = buffer->GetPlayPosition(), moved = 0;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (moved < bytes && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
      const uint64_t now = buffer->GetPlayPosition();
      moved += (now + size - last) % size;
      last = now;
    }
  }

  TDocumentHarness h;
  TTempDir folder;
  std::string received = folder.File("device.raw");
  std::unique_ptr<TPlayer> player;
  std::vector<int64_t> positions;
  std::vector<bool> statuses;
};

TEST_F(PlayerTest, StereoRangeLongerThanTheBufferReachesTheDeviceInOrderThenSilence) {
  std::vector<int16_t> samples = Ramp(2 * 60000);
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  test::UseDiskDriver(received);
  MakePlayer();
  PlayToEnd(1000, 50000);
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), 50000 - 1);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_GE(positions.size(), static_cast<size_t>(50000 / 2205 - 2))
      << "about one report per segment";
  EXPECT_EQ(statuses, (std::vector<bool>{true, false}));
  EXPECT_TRUE(PlaybackIdleEvent().IsSet());
  ExpectReceived({samples.begin() + 2000, samples.begin() + 2000 + 100000}, 2);
}

TEST_F(PlayerTest, MonoRangeAt22050ReachesTheDeviceInOrderThenSilence) {
  std::vector<int16_t> samples = Ramp(22050);
  ASSERT_TRUE(h.OpenSamples(1, samples, 22050));
  test::UseDiskDriver(received);
  MakePlayer();
  PlayToEnd(100, 20000);
  EXPECT_EQ(player->SegmentSize(), 2206u);
  EXPECT_EQ(player->BufferSize(), 35296u);
  EXPECT_EQ(positions.back(), 20000 - 1);
  ExpectReceived({samples.begin() + 100, samples.begin() + 20100}, 1);
}

TEST_F(PlayerTest, RangeShorterThanASegmentFinishesAtTheFirstNotification) {
  std::vector<int16_t> samples = Ramp(2 * 4410);
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  test::UseDiskDriver(received);
  MakePlayer();
  PlayToEnd(10, 1000);
  EXPECT_EQ(positions, (std::vector<int64_t>{1000 - 1}));
  EXPECT_EQ(statuses, (std::vector<bool>{true, false}));
  ExpectReceived({samples.begin() + 20, samples.begin() + 2020}, 2);
}

// The ring lasts 800 ms: a main thread held for 2 s must not be what refills it.
TEST_F(PlayerTest, AMainThreadHeldTwoSecondsPlaysOnWithoutAGapOrStaleAudio) {
  std::vector<int16_t> samples = Ramp(2 * 32000);
  ASSERT_TRUE(h.OpenSamples(2, samples, 8000));
  test::UseDiskDriver(received);
  MakePlayer();
  Prepare(1000, 30000);
  player->Start();
  MainThread().Post([this] { HoldWhileTheCursorMoves(2 * 8000); });
  ASSERT_TRUE(h.loop.RunUntil([this] { return !player->Playing(); }, 60s)) << "never stopped";
  EXPECT_EQ(positions.back(), 30000 - 1);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_EQ(statuses, (std::vector<bool>{true, false}));
  ExpectReceived({samples.begin() + 2000, samples.begin() + 2000 + 60000}, 2);
}

// Refills held up past a whole lap of the ring (a slow disk, say) must leave a gap of silence,
// counted, and then go on with the range's next frames, never ones that played already.
TEST_F(PlayerTest, RefillsThatFallBehindPlaySilenceThenTheRestOfTheRangeInOrder) {
  std::vector<int16_t> samples = Ramp(2 * 32000);
  ASSERT_TRUE(h.OpenSamples(2, samples, 8000));
  test::UseDiskDriver(received);
  MakePlayer();
  Prepare(1000, 20000);
  int refills = 0;
  TDirectSoundBuffer* buffer = player->PlaybackBuffer();
  const uint64_t lap = player->BufferSize() + 4 * player->SegmentSize();
  TRefillThread::SetRefillHook([&] {
    if (++refills != 3) return;
    const uint64_t from = buffer->Played().bytes;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (buffer->Played().bytes - from < lap && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
  });
  player->Start();
  ASSERT_TRUE(h.loop.RunUntil([this] { return !player->Playing(); }, 60s)) << "never stopped";
  TRefillThread::SetRefillHook(nullptr);
  EXPECT_GT(player->StarvedFrames(), 4 * 400) << "the gap was not counted";
  EXPECT_EQ(positions.back(), 20000 - 1);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  std::vector<int16_t> got = Received();
  std::erase(got, int16_t{0});
  EXPECT_TRUE(
      std::equal(samples.begin() + 2000, samples.begin() + 2000 + 40000, got.begin(), got.end()))
      << "stale, missing or reordered audio around the gap";
}

TEST_F(PlayerTest, EmptyRangeReportsZeroAndStopsAtTheSecondNotification) {
  ASSERT_TRUE(h.OpenSamples(2, Ramp(2 * 4410), 44100));
  test::UseDummyDriver();
  MakePlayer();
  PlayToEnd(0, 0);
  EXPECT_EQ(positions, (std::vector<int64_t>{0}));
  EXPECT_EQ(statuses, (std::vector<bool>{true, false}));
}

TEST_F(PlayerTest, RangePastTheStoreEndPlaysSilenceThere) {
  std::vector<int16_t> samples = Ramp(2 * 1000);
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  test::UseDiskDriver(received);
  MakePlayer();
  PlayToEnd(900, 1000);
  ExpectReceived({samples.begin() + 1800, samples.end()}, 2);
}

TEST_F(PlayerTest, StartArmsSeventeenNotificationsAtTheSegmentEnds) {
  ASSERT_TRUE(h.OpenSamples(2, Ramp(2 * 44100), 44100));
  test::UseDummyDriver();
  MakePlayer();
  Prepare(0, 44100);
  EXPECT_EQ(player->SegmentSize(), 8820u);
  EXPECT_EQ(player->BufferSize(), 141120u);
  player->Start();
  std::vector<uint32_t> expected;
  for (uint32_t k = 1; k <= 15; ++k) expected.push_back(8820 * k);
  expected.push_back(141119);
  expected.push_back(DSBPN_OFFSETSTOP);
  EXPECT_EQ(player->PlaybackBuffer()->NotificationPositions(), expected);
  EXPECT_FALSE(PlaybackIdleEvent().IsSet());
  player->Stop();
  EXPECT_TRUE(PlaybackIdleEvent().IsSet());
}

TEST_F(PlayerTest, StopNotificationAfterStopChangesNothing) {
  ASSERT_TRUE(h.OpenSamples(2, Ramp(2 * 44100), 44100));
  test::UseDummyDriver();
  MakePlayer();
  Prepare(0, 44100);
  player->Start();
  ASSERT_TRUE(h.loop.RunUntil([this] { return !positions.empty(); }, 20s));
  player->Stop();
  std::vector<int64_t> reported = positions;
  // Serve the stop notification and anything still queued.
  h.loop.RunUntil([] { return false; }, 300ms);
  EXPECT_EQ(positions, reported);
  EXPECT_EQ(statuses, (std::vector<bool>{true, false})) << "one OnStatus(false) per stop";
  EXPECT_FALSE(player->Playing());
  // After a stop only a new Prepare makes the buffer playable again.
  player->Start();
  EXPECT_FALSE(player->Playing());
  EXPECT_TRUE(PlaybackIdleEvent().IsSet());
}

TEST_F(PlayerTest, LevelsFollowWhatPlayedPerChannel) {
  std::vector<int16_t> samples(2 * 44100);
  for (size_t f = 0; f < samples.size() / 2; ++f) samples[2 * f] = f % 2 ? 32767 : -32767;
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  test::UseDummyDriver();
  MakePlayer();
  Prepare(0, 44100);
  player->Start();
  ASSERT_TRUE(h.loop.RunUntil([this] { return positions.size() >= 2; }, 20s));
  int16_t meter[2] = {};
  player->GetLevels(meter);
  EXPECT_EQ(player->Level(0), 32767);
  EXPECT_EQ(player->Level(1), 0);
  EXPECT_EQ(meter[0], 127) << "full scale";
  EXPECT_EQ(meter[1], 1) << "silence";
  player->Stop();
}

TEST_F(PlayerTest, AnEditDuringPlaybackStopsItAndRunsOnlyAfterTheStop) {
  std::vector<int16_t> samples = Ramp(2 * 88200);
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  test::UseDummyDriver();
  MakePlayer();
  Prepare(0, 88200);
  player->Start();
  size_t readyBefore = std::count(h.events.begin(), h.events.end(), 'R');
  ASSERT_TRUE(h.document.Invert());
  // The store is about to be replaced: the player lets go of it at its next segment.
  size_t readyAtStop = 0;
  player->OnStatus = [&](bool action) {
    if (!action) readyAtStop = std::count(h.events.begin(), h.events.end(), 'R');
  };
  ASSERT_TRUE(h.loop.RunUntil([&] { return !player->Playing(); }, 20s));
  h.WaitIdle();
  EXPECT_EQ(readyAtStop, readyBefore) << "the operation ended during playback";
  EXPECT_EQ(std::count(h.events.begin(), h.events.end(), 'R'), readyBefore + 1);
  EXPECT_EQ(h.Samples()[0], -samples[0]);
}

TEST_F(PlayerTest, RefillThatFailsStopsPlaybackAndIsToldOnce) {
  ASSERT_TRUE(h.OpenSamples(2, Ramp(2 * 88200), 44100));
  test::UseDummyDriver();
  MakePlayer();
  Prepare(0, 88200);
  FailNth(TFault::Read, 1);
  player->Start();
  ASSERT_TRUE(h.loop.RunUntil([this] { return !player->Playing(); }, 20s));
  h.loop.RunUntil([] { return false; }, 200ms);
  ClearFaults();
  EXPECT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(statuses, (std::vector<bool>{true, false}));
  EXPECT_TRUE(PlaybackIdleEvent().IsSet());
}

TEST_F(PlayerTest, PrepareThatFailsLeavesNothingToStart) {
  ASSERT_TRUE(h.OpenSamples(2, Ramp(2 * 4410), 44100));
  test::UseDummyDriver();
  MakePlayer();
  FailNth(TFault::Read, 1);
  EXPECT_THROW(Prepare(0, 4410), EOSError);
  ClearFaults();
  player->Start();
  EXPECT_FALSE(player->Playing());
}

TEST_F(PlayerTest, BufferThatCannotBeMadeIsReportedWithItsFormat) {
  ASSERT_TRUE(h.OpenSamples(2, Ramp(2 * 4410), 44100));
  test::UseDummyDriver();
  MakePlayer();
  TakeQueuedEventReports();
  TWaveFormatEx format = Format();
  format.nChannels = 9;
  EXPECT_THROW(player->Prepare(&h.document, format, 0, 100), EDirectSoundError);
  std::vector<std::string> reports = TakeQueuedEventReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0],
            "DirectSound call failed: 88780064\rThe specified WAVE format is not supported "
            "Format: Format:     65534\r\nChannels:   9\r\nSamplerate:       44100\r\n"
            "BytesPerSecond: 793800\r\nBlockAlign: 18\r\nBitsPerSample: 16\r\ncbSize: 22\r\n"
            "Valid bits:   16\r\nChannelsmask: 0\r\n"
            "KSDataFormat: {00000001-0000-0010-8000-00AA00389B71}\r\n");
  player->Start();
  EXPECT_FALSE(player->Playing());
  EXPECT_TRUE(PlaybackIdleEvent().IsSet());
}

// Hold: the main thread is held for three segments at the first report and when draining begins.
enum class TAtEnd { Wait, Hold, Stop };
struct TEdgeRow {
  const char* name;
  uint16_t channels;
  int64_t frames;
  TAtEnd atEnd;
};
constexpr int64_t kRingFrames = 6400;  // 16 segments of 400 frames at 8000 Hz
class PlayerEdgeTest : public PlayerTest, public ::testing::WithParamInterface<TEdgeRow> {};

TEST_P(PlayerEdgeTest, ReportsLevelsAndPositionPerStateAndTheDeviceGetsTheRangeThenSilence) {
  const auto [name, channels, frames, atEnd] = GetParam();
  std::vector<int16_t> samples = Ramp((frames + 10) * channels);
  ASSERT_TRUE(h.OpenSamples(channels, samples, 8000));
  test::UseDiskDriver(received);
  MakePlayer();
  const int64_t last = std::max<int64_t>(frames - 1, 0);
  // Copies: Clang 14 cannot capture structured bindings.
  player->OnProcess = [&, frames = frames, atEnd = atEnd](int64_t frame) {
    const bool draining = player->State() == TPlayer::TState::Draining;
    if (atEnd == TAtEnd::Hold && (positions.empty() || (draining && positions.back() != last)))
      HoldWhileTheCursorMoves(1200);
    if (draining) {
      EXPECT_EQ(frame, last);
    } else {
      EXPECT_GT(frames - frame, 400) << "more than a segment to go while playing";
      EXPECT_GT(player->Level(0), 0) << "the meter showed silence while the range played";
    }
    positions.push_back(frame);
  };
  Prepare(5, frames);
  EXPECT_EQ(player->State(), TPlayer::TState::Ready);
  player->Start();
  player->Start();  // changes nothing while playing
  EXPECT_EQ(player->State(), TPlayer::TState::Playing);
  if (atEnd == TAtEnd::Stop) {
    ASSERT_TRUE(h.loop.RunUntil([&] { return player->State() == TPlayer::TState::Draining; }, 20s));
    player->Stop();
  }
  ASSERT_TRUE(h.loop.RunUntil([&] { return player->State() == TPlayer::TState::Idle; }, 20s));
  EXPECT_EQ(statuses, (std::vector<bool>{true, false}));
  EXPECT_EQ(positions.back(), last);
  // The range (its start, when stopped) between silences.
  std::vector<int16_t> got = Received();
  auto first = std::find_if(got.begin(), got.end(), [](int16_t s) { return s != 0; });
  auto end = samples.begin() + (5 + frames) * channels;
  auto [played, after] = std::mismatch(samples.begin() + 5 * channels, end, first, got.end());
  EXPECT_TRUE(atEnd == TAtEnd::Stop || played == end) << "the range arrived changed";
  EXPECT_EQ(std::count(after, got.end(), 0), got.end() - after) << "not silence after the range";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlayerEdgeTest,
    ::testing::Values(TEdgeRow{"EmptyStereo", 2, 0, TAtEnd::Wait},
                      TEdgeRow{"OneFrameMono", 1, 1, TAtEnd::Wait},
                      TEdgeRow{"OneFrameStereo", 2, 1, TAtEnd::Wait},
                      TEdgeRow{"RingLessAFrameMono", 1, kRingFrames - 1, TAtEnd::Wait},
                      TEdgeRow{"RingStereo", 2, kRingFrames, TAtEnd::Wait},
                      TEdgeRow{"RingAndAFrameStereo", 2, kRingFrames + 1, TAtEnd::Wait},
                      TEdgeRow{"HeldMono", 1, kRingFrames + 1, TAtEnd::Hold},
                      TEdgeRow{"HeldStereo", 2, 2 * kRingFrames + 100, TAtEnd::Hold},
                      TEdgeRow{"StopWhileDrainingStereo", 2, kRingFrames + 1, TAtEnd::Stop}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerTest, ACutPreviewReachesTheDeviceAsBothSidesOfTheCutThenSilence) {
  std::vector<int16_t> samples = Ramp(2 * 20000);
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  test::UseDiskDriver(received);
  MakePlayer();
  auto source = MakeCutPreviewSource(h.document.State(), 8000, 12000, 4000, 3000);
  player->Prepare(&h.document, Format(), source, source->PlayFrames());
  player->Start();
  ASSERT_TRUE(h.loop.RunUntil([this] { return !player->Playing(); }, 60s)) << "never stopped";
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(source->DocumentFrame(positions.back()), 14999);
  std::vector<int16_t> expected(samples.begin() + 8000, samples.begin() + 16000);
  expected.insert(expected.end(), samples.begin() + 24000, samples.begin() + 30000);
  ExpectReceived(expected, 2);
}

// The ring queues 750 ms ahead; a change is written over what is queued after the segment
// playing when the next segment ends, so it is heard a segment or two later rather than after
// the fourteen queued. The bound leaves room for a slow main thread.
TEST_F(PlayerTest, AnEffectChangedWhileALoopPlaysReachesTheDeviceBeforeTheQueuedSegments) {
  constexpr int64_t kLoop = 20000;
  std::vector<int16_t> samples = Ramp(2 * kLoop);
  ASSERT_TRUE(h.OpenSamples(2, samples, 44100));
  test::UseDiskDriver(received);
  MakePlayer();
  auto source = MakeLoopSource(h.document.State(), 0, kLoop);
  int64_t changedAt = -1;
  player->OnProcess = [&](int64_t at) {
    positions.push_back(at);
    if (positions.size() == 8) {
      changedAt = at;
      source->SetEffect(TPreviewEffect::Amplify(50));
    }
    if (positions.size() == 24) player->Stop();
  };
  player->Prepare(&h.document, Format(), source, source->PlayFrames());
  player->Start();
  ASSERT_TRUE(h.loop.RunUntil([this] { return !player->Playing(); }, 60s)) << "never stopped";
  const uint32_t segment = player->SegmentSize() / 4;
  std::vector<int16_t> got = Received();
  size_t first = 0;
  while (first < got.size() && got[first] == 0) ++first;
  auto original = [&](size_t sample) { return samples[sample % samples.size()]; };
  size_t change = first;
  while (change < got.size() && got[change] == original(change - first)) ++change;
  const int64_t changeFrame = static_cast<int64_t>(change - first) / 2;
  ASSERT_GT(changedAt, 0);
  EXPECT_GT(changeFrame, changedAt) << "the change was heard before it was made";
  EXPECT_LE(changeFrame - changedAt, 8 * segment);
  RecordProperty("change_heard_after_frames", std::to_string(changeFrame - changedAt));
  const size_t checked = std::min(got.size(), change + size_t{10} * segment * 2);
  ASSERT_GT(checked, change + segment * 2);
  for (size_t k = change; k < checked; ++k)
    ASSERT_EQ(got[k], static_cast<int16_t>(original(k - first) * 0.5)) << "sample " << k;
}

TEST(PlayerFactoryTest, APreparedPlayerIsTakenOnceItIsReady) {
  TDocumentHarness h;
  test::UseDummyDriver();
  EXPECT_FALSE(PlayerPreparing());
  PreparePlayer();
  EXPECT_TRUE(PlayerPreparing());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!PreparedPlayerReady() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(PreparedPlayerReady());
  EXPECT_NE(CreatePlayer(), nullptr);
  EXPECT_FALSE(PlayerPreparing());
}

TEST(PlayerFactoryTest, NoDeviceTellsTheUserOnceAndGivesNoPlayer) {
  TDocumentHarness h;
  test::UseMissingDriver();
  EXPECT_EQ(CreatePlayer(), nullptr);
  EXPECT_EQ(CreatePlayer(), nullptr);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text,
            "DirectSound call failed: 88780078\rNo sound driver is available for use");
}

TEST(PlayerVolumeTest, VolumeWithoutABufferIsStoredForTheNextPrepare) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Ramp(8000), 8000));
  test::UseDummyDriver();
  TPlayer player;
  EXPECT_EQ(player.Volume(), TPlayer::kDefaultVolume);
  player.SetVolume(-242);
  TWaveFormatEx format = {WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
  player.Prepare(&h.document, format, 0, 100);
  EXPECT_EQ(player.PlaybackBuffer()->Volume(), -242);
}

}  // namespace
}  // namespace quillon
