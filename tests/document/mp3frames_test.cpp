// Each state of a document opened from an MP3 keeps which of its frames are still the MP3's:
// edits, undo and redo bring the right map back, and a save copies exactly those frames.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "document/journal.h"
#include "mp3frames/mp3header.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

struct TKept {
  uint64_t copied = 0, encoded = 0, joins = 0;
};

// Saves the whole document to path and tells what the save kept; none when it encoded all.
std::optional<TKept> SaveKept(TDocumentHarness& h, Twavefile& document, const std::string& path) {
  std::optional<TKept> kept;
  TSubscription subscription =
      document.OnMp3FramesKept.Subscribe([&](Twavefile*, uint64_t c, uint64_t e, uint64_t j) {
        kept = TKept{c, e, j};
      });
  EXPECT_TRUE(document.SaveAs(path));
  EXPECT_TRUE(h.loop.RunUntil([&] { return !document.Busy(); }, std::chrono::seconds(60)));
  return kept;
}

std::optional<TKept> SaveKept(TDocumentHarness& h, const std::string& path) {
  return SaveKept(h, h.document, path);
}

// The audio frames of an MP3 as byte strings, found by walking its headers.
std::set<std::string> FramesOf(const std::string& path) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  std::set<std::string> frames;
  for (size_t at = 0; at + 4 <= bytes.size();) {
    std::optional<TMp3Header> header = ParseMp3Header(bytes.data() + at, bytes.size() - at);
    if (!header) break;
    frames.emplace(reinterpret_cast<const char*>(bytes.data()) + at,
                   std::min<size_t>(header->frameBytes, bytes.size() - at));
    at += header->frameBytes;
  }
  return frames;
}

class Mp3FramesDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string wav = h.files.File("in.wav");
    ASSERT_EQ(test::RunCommand("sox -n -r 44100 -c 2 -b 16 '" + wav +
                               "' synth 5 sine 300 sine 770 tremolo 2 vol 0.5"),
              0);
    ASSERT_EQ(test::RunCommand("lame --quiet -b 128 '" + wav + "' '" + source + "'"), 0);
    ASSERT_TRUE(h.Open(source));
  }
  TDocumentHarness h;
  const std::string source = h.files.File("source.mp3");
};

TEST_F(Mp3FramesDocument, UndoAndRedoBringBackEachStatesMap) {
  const std::optional<TKept> opened = SaveKept(h, h.files.File("a.mp3"));
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->encoded, 0u);
  // A cut of whole frames, then a fade over the start.
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(1152 * 40, 1152 * 80); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.FadeIn(0, 44100); }));
  const std::optional<TKept> faded = SaveKept(h, h.files.File("b.mp3"));
  ASSERT_TRUE(faded);
  EXPECT_GE(faded->encoded, 38u);  // a second of frames and the bridges
  EXPECT_LE(faded->encoded, 38u + 16u);
  ASSERT_TRUE(h.Run([](Twavefile& d) {
    d.Undo();
    return true;
  }));
  const std::optional<TKept> cut = SaveKept(h, h.files.File("c.mp3"));
  ASSERT_TRUE(cut);
  EXPECT_LE(cut->encoded, 8u);
  EXPECT_EQ(cut->joins, cut->encoded ? 1u : 0u);
  ASSERT_TRUE(h.Run([](Twavefile& d) {
    d.Undo();
    return true;
  }));
  EXPECT_EQ(SaveKept(h, h.files.File("d.mp3"))->encoded, 0u);
  ASSERT_TRUE(h.Run([](Twavefile& d) {
    d.Redo();
    return true;
  }));
  EXPECT_EQ(SaveKept(h, h.files.File("e.mp3"))->copied, cut->copied);
  // An effect over everything leaves nothing to keep: the save encodes as it always did.
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  EXPECT_FALSE(SaveKept(h, h.files.File("f.mp3")));
}

TEST_F(Mp3FramesDocument, FiveRoundsOfOpenCutSaveKeepTheOriginalBytes) {
  const std::set<std::string> original = FramesOf(source);
  std::string current = source;
  uint64_t copied = 0;
  for (int round = 0; round < 5; ++round) {
    const std::string next = h.files.File("round" + std::to_string(round) + ".mp3");
    ASSERT_TRUE(h.Open(current));
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(1152 * 10, 1152 * 15); }));
    const std::optional<TKept> kept = SaveKept(h, next);
    ASSERT_TRUE(kept);
    copied = kept->copied;
    current = next;
  }
  // What was copied every round is still the source's own frames.
  uint64_t originals = 0;
  for (const std::string& frame : FramesOf(current)) originals += original.count(frame);
  EXPECT_GE(originals + 2 * 5 * 8, copied);
  EXPECT_GT(originals, copied / 2);
}

// Where the pasted clip was copied from: its frames stay the source's unless from another file.
struct TPasteRow {
  const char* name;
  bool fromOtherFile;
  bool reopenBeforePaste;
};

class Mp3FramesPaste : public Mp3FramesDocument, public ::testing::WithParamInterface<TPasteRow> {};

TEST_P(Mp3FramesPaste, KeepsTheFramesOfAClipFromTheSameSource) {
  const TPasteRow& row = GetParam();
  constexpr uint64_t kClipStart = 1152 * 20, kClipStop = 1152 * 60;
  if (row.fromOtherFile) {
    const std::string wav = h.files.File("other.wav"), other = h.files.File("other.mp3");
    ASSERT_EQ(test::RunCommand("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 5 sine 500"), 0);
    ASSERT_EQ(test::RunCommand("lame --quiet -b 128 '" + wav + "' '" + other + "'"), 0);
    ASSERT_TRUE(h.Open(other));
  }
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.Copy(kClipStart, kClipStop); }));
  if (row.fromOtherFile || row.reopenBeforePaste) {
    ASSERT_TRUE(h.Open(source));
  }
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Paste(1152 * 100); }));
  const std::optional<TKept> kept = SaveKept(h, h.files.File("pasted.mp3"));
  ASSERT_TRUE(kept);
  // At most the bridges of the two joins around the clip, or else the clip's 40 frames as well.
  if (!row.fromOtherFile)
    EXPECT_LE(kept->encoded, 16u);
  else
    EXPECT_GE(kept->encoded, 40u);
}

INSTANTIATE_TEST_SUITE_P(Sources, Mp3FramesPaste,
                         ::testing::Values(TPasteRow{"SameDocument", false, false},
                                           TPasteRow{"SameFileReopened", false, true},
                                           TPasteRow{"OtherFile", true, false}),
                         [](const ::testing::TestParamInfo<TPasteRow>& info) {
                           return info.param.name;
                         });

// A recovered document saves as the one its journal recorded would: a journal of an older run
// (no map lines), or a source written since, saves by encoding.
struct TRecoveryRow {
  const char* name;
  bool olderJournal;
  bool sourceTouched;
  bool keeps;
};

class Mp3FramesRecovery : public Mp3FramesDocument,
                          public ::testing::WithParamInterface<TRecoveryRow> {};

std::string WithoutMapLines(const std::string& journal) {
  std::string kept;
  std::istringstream lines(journal);
  for (std::string line; std::getline(lines, line);)
    if (!line.starts_with("mp3")) kept += line + "\n";
  return kept;
}

TEST_P(Mp3FramesRecovery, SavesTheFramesItsJournalMapped) {
  const TRecoveryRow& row = GetParam();
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(1152 * 40, 1152 * 80); }));
  std::string journal = FormatJournal(JournalStateOf(h.document));
  if (row.olderJournal) journal = WithoutMapLines(journal);
  if (row.sourceTouched) {
    ASSERT_EQ(test::RunCommand("touch -d 2001-01-01 '" + source + "'"), 0);
  }
  std::optional<TJournalState> state = ParseJournal(journal);
  ASSERT_TRUE(state);
  Twavefile next;
  ASSERT_TRUE(next.Recover(*state));
  ASSERT_TRUE(h.loop.RunUntil([&] { return !next.Busy(); }, std::chrono::seconds(60)));
  ASSERT_TRUE(next.Loaded());
  const std::optional<TKept> cut = SaveKept(h, next, h.files.File("cut.mp3"));
  EXPECT_EQ(cut.has_value(), row.keeps);
  EXPECT_LE(cut.value_or(TKept{}).encoded, 8u);
  // The state before the cut had the whole source.
  next.Undo();
  ASSERT_TRUE(h.loop.RunUntil([&] { return !next.Busy(); }, std::chrono::seconds(60)));
  const std::optional<TKept> whole = SaveKept(h, next, h.files.File("whole.mp3"));
  EXPECT_EQ(whole.has_value(), row.keeps);
  EXPECT_EQ(whole.value_or(TKept{}).encoded, 0u);
  next.Close();
}

INSTANTIATE_TEST_SUITE_P(Journals, Mp3FramesRecovery,
                         ::testing::Values(TRecoveryRow{"WithMaps", false, false, true},
                                           TRecoveryRow{"OlderJournal", true, false, false},
                                           TRecoveryRow{"SourceTouched", false, true, false}),
                         [](const ::testing::TestParamInfo<TRecoveryRow>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace quillon
