#include <gtest/gtest.h>

#include "platform/tempfile.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

size_t TemporaryFileCount(const test::TTempDir& folder) {
  size_t count = 0;
  for (const std::string& name : folder.List()) count += name.starts_with(kTempFilePrefix);
  return count;
}

// Edits of every kind in turn, each changing the length or the samples.
bool Edit(Twavefile& d, int step) {
  switch (step % 6) {
    case 0:
      return d.Invert();
    case 1:
      return d.Reverse();
    case 2:
      return d.Delete(0, 3);
    case 3:
      return d.InsertSilence(5, 4);
    case 4:
      return d.Amplify(90);
    default:
      return d.FadeIn(0, 100);
  }
}

TEST(LongHistoryTest, TwoHundredEditsUndoToTheOpenedBytesAndRedoToTheLast) {
  constexpr int kEdits = 200;
  TDocumentHarness h;
  std::vector<int16_t> samples;
  for (int i = 0; i < 3000; ++i) samples.push_back(static_cast<int16_t>(i * 13 - 20000));
  ASSERT_TRUE(h.OpenSamples(2, samples));
  const std::vector<uint8_t> opened = test::ReadFileBytes(h.document.TempFileName());

  for (int i = 0; i < kEdits; ++i) ASSERT_TRUE(h.Run([i](Twavefile& d) { return Edit(d, i); }));
  const std::vector<uint8_t> last = test::ReadFileBytes(h.document.TempFileName());
  const Tindexdata lastIndex = h.document.Index();
  EXPECT_EQ(h.document.UndoStack().Count(), size_t{kEdits});
  EXPECT_EQ(TemporaryFileCount(h.temp), size_t{kEdits} + 1);

  for (int i = 1; i <= kEdits; ++i) {
    h.document.Undo();
    h.WaitIdle();
    ASSERT_EQ(h.document.UndoStack().Count(), size_t(kEdits - i));
    ASSERT_EQ(h.document.RedoStack().Count(), size_t(i));
  }
  EXPECT_FALSE(h.document.CanUndo());
  EXPECT_TRUE(test::ReadFileBytes(h.document.TempFileName()) == opened);

  for (int i = 1; i <= kEdits; ++i) {
    h.document.Redo();
    h.WaitIdle();
    ASSERT_EQ(h.document.RedoStack().Count(), size_t(kEdits - i));
  }
  EXPECT_TRUE(test::ReadFileBytes(h.document.TempFileName()) == last);
  EXPECT_EQ(h.document.Index(), lastIndex);
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(TemporaryFileCount(h.temp), size_t{kEdits} + 1);

  h.document.Close();
  EXPECT_EQ(TemporaryFileCount(h.temp), 0u);
}

}  // namespace
}  // namespace quillon
