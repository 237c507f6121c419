// The document's tags: taken up by Open, kept through edits and history, written by every save,
// and never in the way of the audio.
#include <gtest/gtest.h>

#include <cerrno>

#include "localization/constants.h"
#include "platform/error.h"
#include "platform/faults.h"
#include "support/document_harness.h"
#include "support/tagprobe.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

const char* kMetadata =
    "-metadata title=Tïtle -metadata artist=Ärtist -metadata album=Albüm "
    "-metadata album_artist=Band -metadata date=2021 -metadata track=3 -metadata genre=Jazz "
    "-metadata comment=Cömment";

// An MP3 with every field and a PNG cover, as a music library holds it.
std::string MakeTaggedMp3(const test::TTempDir& dir) {
  const std::string cover = dir.File("cover.png"), path = dir.File("tagged.mp3");
  test::MakeWithFfmpeg("-v error -f lavfi -i color=c=red:s=16x16:d=1 -frames:v 1", cover);
  test::MakeWithFfmpeg("-v error -f lavfi -i sine=f=440:d=1:r=44100 -i " + cover +
                           " -map 0 -map 1 -c:v copy -disposition:v attached_pic " + kMetadata,
                       path);
  return path;
}

std::string Field(const test::TProbedTags& probed, const std::string& key) {
  auto it = probed.tags.find(key);
  return it == probed.tags.end() ? "(none)" : it->second;
}

TEST(DocumentTags, TagsSurviveAnEditItsUndoAndEverySaveFormat) {
  if (!test::HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  for (const char* extension : {"wav", "mp3", "flac", "ogg", "opus"}) {
    SCOPED_TRACE(extension);
    TDocumentHarness h;
    ASSERT_TRUE(h.Open(MakeTaggedMp3(h.files)));
    EXPECT_EQ(h.document.Tags().title, "Tïtle");
    ASSERT_TRUE(h.document.Tags().cover);
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 1000); }));
    h.document.Undo();
    h.WaitIdle();
    h.document.Redo();
    h.WaitIdle();
    // Save As saves the whole document under a new name, Save Selected As a range.
    const std::string whole = h.files.File(std::string("whole.") + extension);
    const std::string part = h.files.File(std::string("part.") + extension);
    h.document.SetFileName(whole);
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
    ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(part, 100, 5000); }));
    EXPECT_TRUE(h.boxes.shown.empty());
    for (const std::string& target : {whole, part}) {
      SCOPED_TRACE(target);
      const test::TProbedTags probed = test::ProbeTags(target);
      EXPECT_EQ(Field(probed, "title"), "Tïtle");
      EXPECT_EQ(Field(probed, "artist"), "Ärtist");
      EXPECT_EQ(Field(probed, "album"), "Albüm");
      EXPECT_EQ(Field(probed, "date"), "2021");
      EXPECT_EQ(Field(probed, "track"), "3");
      EXPECT_EQ(Field(probed, "genre"), "Jazz");
      EXPECT_EQ(Field(probed, "comment"), "Cömment");
      EXPECT_EQ(probed.coverCodec, "png");
    }
  }
}

TEST(DocumentTags, AHostileTagCostsOneNoticeAndTheAudioStillOpens) {
  TDocumentHarness h;
  std::vector<std::string> notices;
  const TSubscription noting = h.document.OnNotice.Subscribe(
      [&](Twavefile*, const std::string& text) { notices.push_back(text); });
  const std::string hostile = h.files.File("hostile.wav");
  test::WriteWav16(hostile, 1, 8000, std::vector<int16_t>(800, 1000));
  // An id3 chunk after the audio whose tag declares 256 MB in a chunk of 27 bytes.
  std::vector<uint8_t> bytes = test::ReadFileBytes(hostile);
  const std::string chunk = std::string("id3 \x1B\0\0\0ID3\x03\0\0\x7F\x7F\x7F\x7F", 18) +
                            std::string("TIT2\0\0\0\x06\0\0\0Title", 16) + '\0';
  bytes.insert(bytes.end(), chunk.begin(), chunk.end());
  const uint32_t riffSize = static_cast<uint32_t>(bytes.size() - 8);
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(riffSize >> (8 * i));
  test::WriteFileBytes(hostile, bytes);
  ASSERT_TRUE(h.Open(hostile));
  EXPECT_EQ(h.document.FrameCount(), 800u);
  EXPECT_TRUE(h.document.Tags().Empty());
  EXPECT_EQ(notices, std::vector<std::string>{ConstantText("tagskipped")});
  EXPECT_TRUE(h.boxes.shown.empty());
}

TEST(DocumentTags, EveryFailedTaggedSaveLeavesTheOldTargetAsItWas) {
  TDocumentHarness h;
  ASSERT_TRUE(h.Open(MakeTaggedMp3(h.files)));
  const std::string target = h.files.File("target.flac");
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  test::WriteFileBytes(target, old);
  // The tag write is the save's last write: walk every write up to it.
  std::string lastFailure;
  for (int n = 1;; ++n) {
    SCOPED_TRACE("write " + std::to_string(n) + " fails");
    ASSERT_LT(n, 1000);
    h.boxes.shown.clear();
    FailNth(TFault::Write, n);
    ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.SaveSelection(target, 0, d.FrameCount()); }));
    const bool failed = !FaultPending(TFault::Write);
    ClearFaults();
    if (!failed) break;
    EXPECT_EQ(test::ReadFileBytes(target), old);
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    lastFailure = h.boxes.shown[0].text;
  }
  EXPECT_EQ(lastFailure,
            ConstantText("tagwriteerror") + "\n" + target + "\n" + EOSError(ENOSPC).what());
  EXPECT_EQ(Field(test::ProbeTags(target), "title"), "Tïtle");
}

TEST(DocumentTags, ClosingForgetsTheTags) {
  TDocumentHarness h;
  ASSERT_TRUE(h.Open(MakeTaggedMp3(h.files)));
  ASSERT_FALSE(h.document.Tags().Empty());
  h.document.Close();
  EXPECT_TRUE(h.document.Tags().Empty());
}

}  // namespace
}  // namespace quillon
