#include "playback/DDirectSound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/taskloop.h"
#include "playback/audio_drivers.h"
#include "support/fixtures.h"
#include "support/ports.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::TTempDir;

TWaveFormatEx MonoFormat(uint32_t rate) {
  return {WAVE_FORMAT_PCM, 1, rate, rate * 2, 2, 16, 0};
}

TDSBufferDesc Description(const TWaveFormatEx& format, uint32_t bytes, uint32_t flags) {
  TDSBufferDesc description;
  description.dwFlags = flags;
  description.dwBufferBytes = bytes;
  description.lpwfxFormat = &format;
  return description;
}

constexpr uint32_t kNotifyFlags = DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_CTRLVOLUME;

// A device on the dummy driver with the test's thread as the main thread.
class DirectSoundTest : public ::testing::Test {
 protected:
  DirectSoundTest() { SetMainThread(&loop); }
  ~DirectSoundTest() override { SetMainThread(nullptr); }

  TDirectSoundBuffer* MakeBuffer(TDirectSound& device, uint32_t bytes = 1600) {
    return device.CreateSoundBuffer(Description(format, bytes, kNotifyFlags));
  }

  TTaskLoop loop;
  TWaveFormatEx format = MonoFormat(8000);
};

TEST(DirectSoundResultTest, FailureTextsCarryTheCodeInHexAndTheTableText) {
  EXPECT_NO_THROW(CheckDirectSoundResult(0));
  try {
    CheckDirectSoundResult(DSERR_NODRIVER);
    FAIL() << "no exception";
  } catch (const EDirectSoundError& error) {
    EXPECT_STREQ(error.what(),
                 "DirectSound call failed: 88780078\rNo sound driver is available for use");
    EXPECT_EQ(static_cast<uint32_t>(error.ErrorCode()), DSERR_NODRIVER);
  }
  // A success code other than 0 fails too, with the text for codes outside the table.
  try {
    CheckDirectSoundResult(0x0878000A);
    FAIL() << "no exception";
  } catch (const EDirectSoundError& error) {
    EXPECT_STREQ(error.what(), "DirectSound call failed: 878000A\rUnrecognized error value.");
  }
}

TEST(DirectSoundDeviceTest, NoDriverFailsWithTheNoDriverCode) {
  test::UseMissingDriver();
  try {
    TDirectSound device;
    FAIL() << "the device opened";
  } catch (const EDirectSoundError& error) {
    EXPECT_EQ(static_cast<uint32_t>(error.ErrorCode()), DSERR_NODRIVER);
  }
}

TEST_F(DirectSoundTest, AFormatTheDeviceRefusesFailsWithTheBadFormatCode) {
  test::UseDummyDriver();
  TDirectSound device;
  TWaveFormatEx floats = format;
  floats.wBitsPerSample = 32;
  try {
    device.CreateSoundBuffer(Description(floats, 1600, kNotifyFlags));
    FAIL() << "the buffer was made";
  } catch (const EDirectSoundError& error) {
    EXPECT_EQ(static_cast<uint32_t>(error.ErrorCode()), DSERR_BADFORMAT);
  }
  EXPECT_EQ(device.Buffers().size(), 1u) << "a failed buffer stays unregistered";
}

TEST_F(DirectSoundTest, PositionsUpToSixtyThreeAreAcceptedAndSixtyFourRefusedBeforeUse) {
  test::UseDummyDriver();
  TDirectSound device;
  TDirectSoundBuffer* buffer = MakeBuffer(device);
  std::vector<uint32_t> positions(64);
  for (uint32_t i = 0; i < 64; ++i) positions[i] = i * 20;
  try {
    buffer->SetNotificationPositions(64, positions.data());
    FAIL() << "64 positions were accepted";
  } catch (const EDirectSoundWrapperError& error) {
    EXPECT_STREQ(error.what(), "Notification positions exceed maximum of 64");
  }
  EXPECT_TRUE(buffer->NotificationPositions().empty());
  EXPECT_EQ(TNotifyThread::LiveCount(), 0);

  buffer->SetNotificationPositions(63, positions.data());
  EXPECT_EQ(buffer->NotificationPositions().size(), 63u);
  EXPECT_EQ(TNotifyThread::LiveCount(), 1);
}

TEST_F(DirectSoundTest, SettingPositionsTwiceLeavesOneThreadWithTheSecondSet) {
  test::UseDummyDriver();
  TDirectSound device;
  TDirectSoundBuffer* buffer = MakeBuffer(device);
  uint32_t first[] = {100, 200};
  uint32_t second[] = {300, 400, DSBPN_OFFSETSTOP};
  buffer->SetNotificationPositions(2, first);
  buffer->SetNotificationPositions(3, second);
  EXPECT_EQ(TNotifyThread::LiveCount(), 1);
  EXPECT_EQ(buffer->NotificationPositions(), std::vector<uint32_t>(second, second + 3));
}

TEST_F(DirectSoundTest, DestroyingTheDeviceDestroysItsBuffersAndThreads) {
  test::UseDummyDriver();
  int before = TDirectSoundBuffer::LiveCount();
  {
    TDirectSound device;
    uint32_t positions[] = {100};
    // The dummy driver opens one device at a time, so one buffer besides the primary one.
    MakeBuffer(device)->SetNotificationPositions(1, positions);
    EXPECT_EQ(device.Buffers().size(), 2u);
    try {
      MakeBuffer(device);
      FAIL() << "a second device opened";
    } catch (const EDirectSoundError& error) {
      EXPECT_EQ(static_cast<uint32_t>(error.ErrorCode()), DSERR_ALLOCATED);
    }
    EXPECT_EQ(TNotifyThread::LiveCount(), 1);
  }
  EXPECT_EQ(TDirectSoundBuffer::LiveCount(), before);
  EXPECT_EQ(TNotifyThread::LiveCount(), 0);
}

// For a refill thread that waits on its own events: the buffer's notification thread goes.
TEST_F(DirectSoundTest, EventsOfTheCallersOwnReplaceTheNotificationThreadWhileStopped) {
  test::UseDummyDriver();
  TDirectSound device;
  TDirectSoundBuffer* buffer = MakeBuffer(device);
  uint32_t positions[] = {100, DSBPN_OFFSETSTOP};
  buffer->SetNotificationPositions(2, positions);
  TNotifyEvents events;
  buffer->SetNotificationEvents(2, positions, &events);
  EXPECT_EQ(TNotifyThread::LiveCount(), 0);
  EXPECT_EQ(buffer->NotificationPositions(), std::vector<uint32_t>(positions, positions + 2));
  buffer->Play(DSBPLAY_LOOPING);
  EXPECT_THROW(buffer->SetNotificationEvents(0, nullptr, nullptr), EDirectSoundError);
  buffer->Stop();
  EXPECT_TRUE(events.Wait() & 2) << "the stop raised its event before Stop returned";
  buffer->SetNotificationEvents(0, nullptr, nullptr);
  EXPECT_TRUE(buffer->NotificationPositions().empty());
}

TEST_F(DirectSoundTest, ThePrimaryBufferHasNoNotifications) {
  test::UseDummyDriver();
  TDirectSound device;
  uint32_t positions[] = {0};
  try {
    device.PrimaryBuffer()->SetNotificationPositions(1, positions);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& error) {
    EXPECT_STREQ(error.what(), "DirectSoundNotify interface is nil (DDirectSound, line 1147)");
  }
}

TEST_F(DirectSoundTest, LockedRegionsWrapAndBadArgumentsAreRefused) {
  test::UseDummyDriver();
  TDirectSound device;
  TDirectSoundBuffer* buffer = MakeBuffer(device);
  TDirectSoundBuffer::TLocked locked = buffer->Lock(1500, 200, 0);
  EXPECT_EQ(locked.bytes1, 100u);
  EXPECT_EQ(locked.bytes2, 100u);
  buffer->Unlock(locked.ptr1, locked.bytes1, locked.ptr2, locked.bytes2);
  EXPECT_THROW(buffer->Lock(1600, 2, 0), EDirectSoundError);
  EXPECT_THROW(buffer->Unlock(&locked, 2, nullptr, 0), EDirectSoundError);
  EXPECT_THROW(buffer->SetVolume(1), EDirectSoundError);
  EXPECT_THROW(buffer->SetPlayPosition(1600), EDirectSoundError);
}

TEST_F(DirectSoundTest, PassedOffsetsAndTheStopReachTheMainThreadInOrder) {
  test::UseDummyDriver();
  TDirectSound device;
  // Half a second a lap: a slow main thread still sees the offsets one lap at a time.
  TDirectSoundBuffer* buffer = MakeBuffer(device, 8000);
  std::vector<int32_t> fired;
  buffer->OnNotify = [&](TDirectSoundBuffer* sender, int32_t index) {
    EXPECT_EQ(sender, buffer);
    EXPECT_TRUE(loop.IsMainThread());
    fired.push_back(index);
  };
  uint32_t positions[] = {2000, 6000, DSBPN_OFFSETSTOP};
  buffer->SetNotificationPositions(3, positions);
  buffer->Play(DSBPLAY_LOOPING);
  ASSERT_TRUE(loop.RunUntil([&] { return fired.size() >= 4; }, 20s));
  buffer->Stop();
  ASSERT_TRUE(loop.RunUntil([&] { return !fired.empty() && fired.back() == 2; }, 20s));
  for (size_t i = 0; i + 1 < fired.size(); ++i) EXPECT_EQ(fired[i], static_cast<int32_t>(i % 2));
}

TEST(DirectSoundDiskTest, VolumeIsAGainAndAOneShotBufferStopsAtItsEnd) {
  TTempDir folder;
  std::string received = folder.File("device.raw");
  test::UseDiskDriver(received);
  TTaskLoop loop;
  test::TScopedMainThread port(&loop);
  {
    TDirectSound device;
    TWaveFormatEx format = MonoFormat(8000);
    TDirectSoundBuffer* buffer = device.CreateSoundBuffer(Description(format, 1600, kNotifyFlags));
    TDirectSoundBuffer::TLocked locked = buffer->Lock(0, 0, DSBLOCK_ENTIREBUFFER);
    std::vector<int16_t> samples(800, 10000);
    std::memcpy(locked.ptr1, samples.data(), 1600);
    buffer->Unlock(locked.ptr1, locked.bytes1, locked.ptr2, locked.bytes2);
    buffer->SetVolume(-600);
    bool stopped = false;
    buffer->OnNotify = [&](TDirectSoundBuffer*, int32_t) { stopped = true; };
    uint32_t positions[] = {DSBPN_OFFSETSTOP};
    buffer->SetNotificationPositions(1, positions);
    buffer->Play(0);
    ASSERT_TRUE(loop.RunUntil([&] { return stopped; }, 20s));
  }
  std::vector<uint8_t> bytes = test::ReadFileBytes(received);
  std::vector<int16_t> played(bytes.size() / 2);
  std::memcpy(played.data(), bytes.data(), played.size() * 2);
  size_t loud = 0;
  for (int16_t sample : played) {
    if (sample == 0) continue;
    EXPECT_EQ(sample, 5012) << "10000 at -6 dB";
    ++loud;
  }
  EXPECT_EQ(loud, 800u) << "the buffer played once";
}

}  // namespace
}  // namespace quillon
