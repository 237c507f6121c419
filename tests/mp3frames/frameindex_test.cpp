// Which sources the frame index takes, and how a document's map follows its edits.
#include "mp3frames/frameindex.h"

#include <gtest/gtest.h>

#include <functional>

#include "mp3frames/sourcemap.h"
#include "support/fixtures.h"

namespace quillon::test {
namespace {

// A LAME file's bytes: its Info frame of 417 bytes, then 128 kbit/s frames of 417 or 418.
std::vector<uint8_t> LameBytes(const TTempDir& dir, const std::string& options = "-b 128",
                               const std::string& seconds = "2") {
  const std::string wav = dir.File("in.wav"), mp3 = dir.File("in.mp3");
  EXPECT_EQ(
      RunCommand("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth " + seconds + " sine 440 vol 0.5"),
      0);
  EXPECT_EQ(RunCommand("lame --quiet " + options + " '" + wav + "' '" + mp3 + "'"), 0);
  return ReadFileBytes(mp3);
}

struct TDamage {
  const char* name;
  std::function<void(std::vector<uint8_t>&)> damage;
  const char* refusal;  // empty: the source is usable
};

TEST(Mp3FrameIndex, DamagedSourcesAreRefusedWithTheirReason) {
  TTempDir dir;
  const std::vector<uint8_t> good = LameBytes(dir);
  const TDamage rows[] = {
      {"intact", [](std::vector<uint8_t>&) {}, ""},
      {"id3 tags at both ends",
       [](std::vector<uint8_t>& b) {
         std::vector<uint8_t> id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
         id3.resize(30, 0);
         b.insert(b.begin(), id3.begin(), id3.end());
         std::vector<uint8_t> v1(128, 0);
         v1[0] = 'T', v1[1] = 'A', v1[2] = 'G';
         b.insert(b.end(), v1.begin(), v1.end());
       },
       ""},
      {"truncated last frame", [](std::vector<uint8_t>& b) { b.resize(b.size() - 100); },
       "mp3brokenframe"},
      {"junk between frames",
       [](std::vector<uint8_t>& b) { b.insert(b.begin() + 417 * 6, 7, uint8_t{0x55}); }, "mp3junk"},
      {"free format frame", [](std::vector<uint8_t>& b) { b[417 + 2] &= 0x0F; },
       "mp3freeformat"},
      {"frame count that is not the file's",
       [](std::vector<uint8_t>& b) { b[4 + 32 + 8 + 3] ^= 1; }, "mp3badlametag"},
      {"random bytes", [](std::vector<uint8_t>& b) { std::fill(b.begin(), b.end(), 0xA7); },
       "mp3junk"},
      {"nothing", [](std::vector<uint8_t>& b) { b.clear(); }, "mp3brokenframe"},
  };
  for (const TDamage& row : rows) {
    std::vector<uint8_t> bytes = good;
    row.damage(bytes);
    const std::string path = dir.File("damaged.mp3");
    WriteFileBytes(path, bytes);
    const TMp3Source source(path);
    EXPECT_EQ(source.Refusal(), row.refusal) << row.name;
    if (source.Usable()) {
      EXPECT_GT(source.DecodedLength(), 0u) << row.name;
    }
  }
}

TEST(Mp3FrameIndex, ImpossibleDelayAndPaddingAndMpeg25AreRefused) {
  TTempDir dir;
  // A few frames, whose LAME tag claims more delay and padding than they hold: at 177..179 in a
  // stereo MPEG-1 Info frame with every Xing field.
  std::vector<uint8_t> bytes = LameBytes(dir, "-b 128", "0.02");
  const std::string path = dir.File("tag.mp3");
  bytes[177] = 0xFA;
  bytes[178] = 0x0F;
  bytes[179] = 0xFF;
  WriteFileBytes(path, bytes);
  EXPECT_EQ(TMp3Source(path).Refusal(), "mp3badlametag");
  WriteFileBytes(path, LameBytes(dir, "-b 16 --resample 11.025"));
  EXPECT_EQ(TMp3Source(path).Refusal(), "mp3mpeg25");
}

struct TMapRow {
  const char* name;
  std::function<TSharedSourceMap(const TSharedSourceMap&)> edit;
  std::vector<TSourceSpan> spans;
};

TEST(SourceMap, FollowsEdits) {
  const TSharedSourceMap whole = WholeSourceMap(std::make_shared<TMp3Source>("/nonexistent"), 1000);
  const TMapRow rows[] = {
      {"delete in the middle",
       [](auto m) { return MapAfterRemove(m, 100, 300); },
       {{0, 0, 100}, {100, 300, 700}}},
      {"trim both ends",
       [](auto m) { return MapAfterRemove(MapAfterRemove(m, 900, 1000), 0, 50); },
       {{0, 50, 850}}},
      {"insert silence",
       [](auto m) { return MapAfterInsert(m, 400, 10); },
       {{0, 0, 400}, {410, 400, 600}}},
      {"fade a range", [](auto m) { return MapAfterChange(m, 0, 250); }, {{250, 250, 750}}},
      {"two cuts, the later first",
       [](auto m) { return MapAfterRemove(MapAfterRemove(m, 800, 900), 100, 200); },
       {{0, 0, 100}, {100, 200, 600}, {700, 900, 100}}},
      {"a selection",
       [](auto m) { return MapOfRange(MapAfterRemove(m, 100, 300), 50, 150); },
       {{0, 50, 50}, {50, 300, 50}}},
  };
  for (const TMapRow& row : rows) {
    const TSharedSourceMap map = row.edit(whole);
    ASSERT_TRUE(map) << row.name;
    EXPECT_EQ(map->spans, row.spans) << row.name;
    EXPECT_EQ(map->source, whole->source) << row.name;
  }
  EXPECT_EQ(MapAfterChange(whole, 0, 1000), nullptr);
  EXPECT_EQ(whole->spans, (std::vector<TSourceSpan>{{0, 0, 1000}}));
}

}  // namespace
}  // namespace quillon::test
