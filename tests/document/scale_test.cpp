// Documents at the size limit. Each opens a sparse source of about 2 GB and writes stores of that
// size to the temporary folder, so these tests take tens of seconds and several GB of disk for
// their run; they are labelled "scale" (ctest -LE scale leaves them out).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "codecs/wavheader.h"
#include "document/largefile.h"
#include "platform/filesystem.h"
#include "platform/tempfile.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

// Store sizes are the header and whole 16-bit mono frames, so even: the largest allowed is one
// byte under the limit and the next one is one byte over it.
constexpr uint64_t kLargestStore = kMaxStoreFileBytes - 1;
constexpr uint64_t kSmallestRefused = kMaxStoreFileBytes + 1;
constexpr uint32_t kRate = 8000;

const char* kTooLargeText = "The size of the decompressed audio data exceeds the 2GB limit.";
const char* kEditTooLargeText =
    "The size of the decompressed audio data exceeds the 2GB limit. The operation could not be "
    "performed and the file remained unchanged.";

// A mono WAV whose samples are a hole in the file: silence that costs no disk and no writing.
void MakeSparseWav(const std::string& path, uint64_t fileBytes) {
  TWavHeader header = MakeWavHeader(1, kRate, static_cast<uint32_t>(fileBytes - kWavHeaderSize));
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(write(fd, header.data(), header.size()), static_cast<ssize_t>(header.size()));
  EXPECT_EQ(ftruncate(fd, static_cast<off_t>(fileBytes)), 0);
  close(fd);
}

size_t TemporaryFileCount(const test::TTempDir& folder) {
  size_t count = 0;
  for (const std::string& name : folder.List()) count += name.starts_with(kTempFilePrefix);
  return count;
}

TEST(ScaleTest, TheLargestDocumentOpensAndEditsAndGrowingItIsRefused) {
  TDocumentHarness h;
  std::string source = h.files.File("largest.wav");
  ASSERT_NO_FATAL_FAILURE(MakeSparseWav(source, kLargestStore));
  ASSERT_TRUE(h.Open(source));
  const uint32_t frames = static_cast<uint32_t>((kLargestStore - kWavHeaderSize) / 2);
  EXPECT_EQ(h.document.FrameCount(), frames);
  EXPECT_EQ(FileSize(h.document.TempFileName()), kLargestStore);
  EXPECT_TRUE(h.boxes.shown.empty());

  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 1); }));
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(h.document.FrameCount(), frames - 1);
  EXPECT_EQ(FileSize(h.document.TempFileName()), kLargestStore - 2);

  // Two frames more would take the store one byte over the limit.
  const std::string current = h.document.TempFileName();
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.InsertSilence(0, 2); }));
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, kEditTooLargeText);
  EXPECT_EQ(h.document.TempFileName(), current);
  EXPECT_EQ(h.document.FrameCount(), frames - 1);
  EXPECT_EQ(TemporaryFileCount(h.temp), 2u);

  h.document.Close();
  EXPECT_EQ(TemporaryFileCount(h.temp), 0u);
}

TEST(ScaleTest, OneByteOverTheLimitIsRefusedAndLeavesNothing) {
  TDocumentHarness h;
  std::string source = h.files.File("over.wav");
  ASSERT_NO_FATAL_FAILURE(MakeSparseWav(source, kSmallestRefused));
  EXPECT_FALSE(h.Open(source));
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].caption, "File Loading Error!");
  EXPECT_EQ(h.boxes.shown[0].text, kTooLargeText);
  EXPECT_EQ(TemporaryFileCount(h.temp), 0u);
  EXPECT_EQ(FileSize(source), kSmallestRefused);
}

}  // namespace
}  // namespace quillon
