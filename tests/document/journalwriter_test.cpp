#include "document/journalwriter.h"

#include <gtest/gtest.h>

#include <future>

#include "document/journal.h"
#include "localization/constants.h"
#include "platform/filesystem.h"
#include "platform/orderedwriter.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

std::vector<int16_t> Ramp(int count) {
  std::vector<int16_t> samples(count);
  for (int i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(i * 7);
  return samples;
}

// A disk that does not answer holds only the writer: the edits go on, and once the disk is back
// the journal holds the newest state, not any of those in between.
TEST(JournalWriterTest, AStalledDiskNeverHoldsTheEditsAndTheNewestStateIsWritten) {
  test::TTempDir data;
  TOrderedWriter writer;
  std::promise<void> disk;
  std::optional<TJournalWriter> journal(std::in_place, data.Path(), writer);
  test::TDocumentHarness h;
  const TSubscription recording =
      h.document.OnStateChanged.Subscribe([&](Twavefile* d) { journal->Record(*d); });
  ASSERT_TRUE(h.OpenSamples(1, Ramp(1000)));
  writer.Drain();
  const uint64_t before = writer.Done();

  writer.Post([stalled = disk.get_future().share()] { stalled.wait(); });
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  auto recorded = ReadJournalFile(journal->Path());
  ASSERT_TRUE(recorded);
  EXPECT_TRUE(recorded->undo.empty()) << "written while the disk was stalled";

  disk.set_value();
  writer.Drain();
  EXPECT_EQ(writer.Done(), before + 2) << "the stall, then one journal for three states";
  recorded = ReadJournalFile(journal->Path());
  ASSERT_TRUE(recorded);
  EXPECT_EQ(recorded->undo.size(), 3u);
  EXPECT_EQ(recorded->current, h.document.TempFileName());
  EXPECT_TRUE(recorded->modified);

  // A clean end deletes the journal after the writes queued before it.
  const std::string path = journal->Path();
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  journal.reset();
  EXPECT_FALSE(FileExists(path));
}

TEST(JournalWriterTest, AJournalThatCannotBeWrittenIsToldOnceOnTheMainThread) {
  TOrderedWriter writer;
  test::TDocumentHarness h;
  TJournalWriter journal("/proc/none", writer);
  const TSubscription recording =
      h.document.OnStateChanged.Subscribe([&](Twavefile* d) { journal.Record(*d); });
  ASSERT_TRUE(h.OpenSamples(1, Ramp(100)));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  writer.Drain();
  h.loop.RunPending();
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].caption, ConstantText("journalcaption"));
}

}  // namespace
}  // namespace quillon
