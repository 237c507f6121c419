#include "document/wavfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "codecs/cache.h"
#include "localization/constants.h"
#include "platform/event.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

const char* kUnsupported = "Could not import audio file. Format not supported or file broken";

std::vector<int16_t> StereoSamples(uint32_t frames) {
  std::vector<int16_t> samples;
  for (uint32_t f = 0; f < frames; ++f) {
    samples.push_back(static_cast<int16_t>((f * 37) % 20001 - 10000));  // odd and even values
    samples.push_back(static_cast<int16_t>(-static_cast<int32_t>(f % 3000)));
  }
  samples[10] = 32767;
  samples[11] = -32768;
  return samples;
}

// The decoder's index: blocks from maximum 0 and minimum 0, then one block of zeros.
Tindexdata DecoderIndexOf(const std::vector<int16_t>& samples, int channels) {
  Tindexdata index;
  size_t frames = samples.size() / channels;
  for (size_t block = 0; block * 512 < frames || block == 0; ++block)
    for (int c = 0; c < channels; ++c) {
      Tindextype e{0, 0};
      for (size_t f = block * 512; f < std::min(frames, block * 512 + 512); ++f) {
        e.max = std::max(e.max, samples[f * channels + c]);
        e.min = std::min(e.min, samples[f * channels + c]);
      }
      index.push_back(e);
    }
  index.resize(index.size() + channels);
  return index;
}

TEST(WavfileTest, OpenDecodesIntoATemporaryStoreWithFormatIndexAndPeaks) {
  TDocumentHarness h;
  std::vector<int16_t> samples = StereoSamples(1300);
  std::string path = h.files.File("in.wav");
  test::WriteWav16(path, 2, 44100, samples);

  ASSERT_TRUE(h.Open(path));
  const Twavefile& d = h.document;
  EXPECT_EQ(h.events, "LR");
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(d.FileName(), path);
  EXPECT_EQ(d.Channels(), 2);
  EXPECT_EQ(d.SampleRate(), 44100u);
  EXPECT_EQ(d.FrameCount(), 1300u);
  EXPECT_EQ(d.DataBytes(), 1300u * 4);
  EXPECT_DOUBLE_EQ(d.Duration(), 1300.0 / 44100);
  EXPECT_EQ(d.OriginalBits(), 16);
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(d.Progress(), 0);
  EXPECT_EQ(d.Index(), DecoderIndexOf(samples, 2));
  EXPECT_EQ(d.Peak(), 32767);
  EXPECT_EQ(d.PeakDb(), 0);
  EXPECT_EQ(d.ChannelPeaks()[1], 0);  // only negative samples on the right

  // The working copy holds the source's samples bit for bit.
  ASSERT_EQ(h.TempFiles().size(), 1u);
  EXPECT_EQ(h.TempFiles()[0].rfind("~ql", 0), 0u);
  EXPECT_EQ(test::ReadWav16Samples(d.TempFileName()), samples);

  std::string temp = d.TempFileName();
  h.document.Close();
  EXPECT_FALSE(FileExists(temp));
  EXPECT_TRUE(h.TempFiles().empty());
  EXPECT_FALSE(d.Loaded());
  EXPECT_EQ(d.FileName(), "");
}

TEST(WavfileTest, OpeningLeavesTheUsersFileAsItWas) {
  TDocumentHarness h;
  std::string path = h.files.File("readonly.wav");
  test::WriteWav16(path, 1, 8000, {1, 2, 3});
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  struct stat before {
  }, after{};
  stat(path.c_str(), &before);
  std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  ASSERT_TRUE(h.Open(path));
  stat(path.c_str(), &after);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(test::ReadFileBytes(path), bytes);
}

// The refusal names the file and says why, in the system's or FFmpeg's words or our own.
TEST(WavfileTest, UnreadableSourcesFailWithTheirReasonAndLeaveNoTemporaryFile) {
  TDocumentHarness h;
  test::WriteFileBytes(h.files.File("notes.mp3"), {'h', 'e', 'l', 'l', 'o', '\n'});
  std::filesystem::create_directory(h.files.File("folder.mp3"));
  test::MakeWithFfmpeg("-f lavfi -i testsrc=duration=0.2:size=32x32:rate=5 -c:v ffv1",
                       h.files.File("video.mkv"));
  const std::pair<const char*, std::string> rows[] = {
      {"notes.mp3", "Invalid argument"},  // FFmpeg's own words for it
      {"missing.wav", "No such file or directory"},
      {"folder.mp3", "Is a directory"},
      {"video.mkv", "The file holds no audio stream."},
  };
  for (const auto& [name, reason] : rows) {
    const std::string path = h.files.File(name);
    h.events.clear();
    h.boxes.shown.clear();
    EXPECT_FALSE(h.Open(path));
    EXPECT_EQ(h.events, "R") << "OnLoaded must not be raised";
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].caption, "File Loading Error!");
    EXPECT_EQ(h.boxes.shown[0].text, std::string(kUnsupported) + "\n" + path + ": " + reason);
    EXPECT_FALSE(h.document.Samples());
    EXPECT_EQ(h.document.FileName(), "") << "a file that did not open names nothing";
    EXPECT_TRUE(h.TempFiles().empty());
  }
}

// A file of more than two channels opens mixed down to stereo and says so once, in the status
// bar: not again for edits, undo and redo, which keep the source's channel count.
TEST(WavfileTest, AFileOfMoreChannelsOpensMixedDownAndSaysSoOnce) {
  struct TCase {
    uint16_t channels;
    const char* notice;  // none for mono and stereo
  };
  for (const TCase& c :
       {TCase{6, "mixed down from 6 channels to stereo"},
        TCase{4, "mixed down from 4 channels to stereo"}, TCase{2, nullptr}, TCase{1, nullptr}}) {
    SCOPED_TRACE(c.channels);
    TDocumentHarness h;
    std::vector<std::string> notices;
    const TSubscription noting = h.document.OnNotice.Subscribe(
        [&](Twavefile*, const std::string& text) { notices.push_back(text); });
    const std::string path = h.files.File("surround.wav");
    test::WriteWav16(path, c.channels, 48000, std::vector<int16_t>(c.channels * 3000u, 1000));
    ASSERT_TRUE(h.Open(path));
    EXPECT_TRUE(h.boxes.shown.empty());
    EXPECT_EQ(h.document.Channels(), std::min<uint16_t>(c.channels, 2));
    EXPECT_EQ(h.document.SourceChannels(), c.channels);
    EXPECT_EQ(h.document.FrameCount(), 3000u);
    EXPECT_EQ(notices, c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{});
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.CanUndo() && (d.Undo(), true); }));
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.CanRedo() && (d.Redo(), true); }));
    EXPECT_EQ(h.document.SourceChannels(), c.channels);
    EXPECT_EQ(notices.size(), c.notice ? 1u : 0u);
  }
}

// Stands in for a window: counts the operations it hears end while it exists.
class TListener {
 public:
  TListener(Twavefile& document, int& heard) : heard_(heard) {
    subscriptions_ += document.OnReady.Subscribe([this](Twavefile*) { ++heard_; });
  }

 private:
  int& heard_;
  TSubscriptions subscriptions_;
};

TEST(WavfileTest, AListenerThatIsGoneIsNeverCalledBack) {
  TDocumentHarness h;
  int heardByLiving = 0;
  int heardByGone = 0;
  const TListener living(h.document, heardByLiving);
  std::make_unique<TListener>(h.document, heardByGone).reset();
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(1000, 1000)));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  EXPECT_EQ(heardByLiving, 2);
  EXPECT_EQ(heardByGone, 0);
}

TEST(WavfileTest, AFileWithoutFramesOpensSilent) {
  TDocumentHarness h;
  std::string path = h.files.File("empty.wav");
  test::WriteWav16(path, 2, 22050, {});
  ASSERT_TRUE(h.Open(path));
  EXPECT_EQ(h.document.FrameCount(), 0u);
  EXPECT_EQ(h.document.Peak(), 0);
  EXPECT_EQ(h.document.PeakDb(), -90);
  EXPECT_EQ(h.document.Index(), Tindexdata(4));
}

TEST(WavfileTest, AFullDiskDuringTheDecodeFailsTheOpenAndDeletesThePartialCopy) {
  TDocumentHarness h;
  std::string path = h.files.File("long.wav");
  test::WriteWav16(path, 2, 44100, StereoSamples(400000));  // more than one write buffer
  FailNth(TFault::Write, 2);
  EXPECT_FALSE(h.Open(path));
  ClearFaults();
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].caption, "File Loading Error!");
  EXPECT_EQ(h.boxes.shown[0].text, ConstantText("outofmemory"));
  EXPECT_TRUE(h.TempFiles().empty());
  EXPECT_EQ(h.events, "R");
}

TEST(WavfileTest, WorkWaitsForPlaybackAndRequestsWhileBusyChangeNothing) {
  TDocumentHarness h;
  std::string first = h.files.File("a.wav"), second = h.files.File("b.wav");
  test::WriteWav16(first, 1, 8000, {1, 2, 3});
  test::WriteWav16(second, 2, 8000, {1, 2, 3, 4});
  // A request made from OnReady comes while the document is still busy.
  const TSubscription reopening =
      h.document.OnReady.Subscribe([&](Twavefile* sender) { sender->Open(second); });

  PlaybackIdleEvent().Reset();
  h.document.Open(first);
  h.loop.RunUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_TRUE(h.document.Busy());
  EXPECT_FALSE(h.document.Loaded());
  h.document.Open(second);
  h.document.Close();
  EXPECT_EQ(h.document.FileName(), first);
  EXPECT_EQ(h.document.Operation(), static_cast<uint32_t>(opOpen));

  PlaybackIdleEvent().Set();
  h.WaitIdle();
  EXPECT_EQ(h.events, "LR");
  EXPECT_EQ(h.document.FileName(), first);
  EXPECT_EQ(h.document.Channels(), 1);
  EXPECT_FALSE(h.document.Busy());
}

TEST(WavfileTest, RebuiltIndexCoversEveryLengthAndStartsMinimaHigh) {
  TDocumentHarness h;
  // 300 positive frames: the rebuild replaces the decoder's index even for short documents.
  std::vector<int16_t> shortSamples;
  for (int i = 0; i < 300; ++i) shortSamples.push_back(static_cast<int16_t>(100 + i));
  std::string shortPath = h.files.File("short.wav");
  test::WriteWav16(shortPath, 1, 8000, shortSamples);
  ASSERT_TRUE(h.Open(shortPath));
  EXPECT_EQ(h.document.Index(), (Tindexdata{{399, 0}, {0, 0}}));
  h.document.BuildPeakIndex();
  EXPECT_EQ(h.document.Index(), (Tindexdata{{399, 100}}));
  EXPECT_EQ(h.document.Peak(), 399);
  EXPECT_EQ(h.document.PeakDb(), PeakToDb(399));
  h.document.Close();

  // A stereo document of 1024 frames: 6 entries, the last two (0, 0).
  std::vector<int16_t> stereo = StereoSamples(1024);
  std::string stereoPath = h.files.File("stereo.wav");
  test::WriteWav16(stereoPath, 2, 8000, stereo);
  ASSERT_TRUE(h.Open(stereoPath));
  Tindexdata decoded = h.document.Index();
  h.document.BuildPeakIndex();
  const Tindexdata& rebuilt = h.document.Index();
  ASSERT_EQ(rebuilt.size(), 6u);
  EXPECT_EQ(rebuilt[4], (Tindextype{0, 0}));
  EXPECT_EQ(rebuilt[5], (Tindextype{0, 0}));
  // Full blocks agree with the decoder's where their minima are below 0.
  EXPECT_EQ(rebuilt[0], decoded[0]);
  EXPECT_EQ(rebuilt[2], decoded[2]);
  EXPECT_EQ(h.document.Peak(), 32767);
  EXPECT_EQ(h.document.Progress(), 0);
}

}  // namespace
}  // namespace quillon
