#include "document/largefile.h"

#include "document/storewindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <span>
#include <thread>

#include "localization/constants.h"
#include "platform/config.h"
#include "platform/error.h"
#include "platform/eventreport.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "platform/granularity.h"
#include "platform/mainthread.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

const std::string kSizeLimitText =
    "The size of the decompressed audio data exceeds the 2GB limit. The operation could not be "
    "performed and the file remained unchanged.";

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "";
}

class LargeFileTest : public ::testing::Test {
 protected:
  void TearDown() override {
    AllocationGranularity = SystemAllocationGranularity();
    ClearFaults();
  }
  // A store of count samples whose value at i is pattern(i), written through the bulk path.
  std::string MakeStore(const std::string& name, uint32_t count,
                        const std::function<int16_t(uint32_t)>& pattern) {
    std::string path = dir_.File(name);
    TLargeFile store(path, true, 44ull + 2ull * count);
    store.WriteHeader(MakeWavHeader(1, 44100, count * 2));
    std::vector<int16_t> values(count);
    for (uint32_t i = 0; i < count; ++i) values[i] = pattern(i);
    if (count) store.WriteSamples(values.data(), 0, count - 1);
    return path;
  }

  test::TTempFolder dir_;
};

int16_t Pattern(uint32_t i) {
  return static_cast<int16_t>(i * 7919u);
}

TEST_F(LargeFileTest, HeaderOnlyStoreCopiesNothing) {
  std::string path = MakeStore("empty", 0, Pattern);
  TLargeFile store(path, false);
  EXPECT_EQ(store.DataSize(), 0u);
  int16_t cell = 123;
  store.ReadSamples(&cell, 0, 10);
  EXPECT_EQ(cell, 123);
  TWavHeader header;
  store.ReadHeader(header);
  EXPECT_EQ(WavDataSize(header), 0u);
}

TEST_F(LargeFileTest, RangesClampToTheEndAndReversedRangesCopyNothing) {
  std::string path = dir_.File("s");
  TLargeFile store(path, true, 44 + 2 * 10);
  std::vector<int16_t> source(20, 5);
  store.WriteSamples(source.data(), 8, 100);  // only 8 and 9 exist
  store.WriteSamples(source.data(), 5, 4);
  std::vector<int16_t> out(10, -1);
  store.ReadSamples(out.data(), 0, 1000);
  EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 0, 0, 0, 0, 0, 0, 5, 5}));
  EXPECT_EQ(FileSize(path), 64u);
}

TEST_F(LargeFileTest, SizeLimitAndFreeSpaceBoundaries) {
  EXPECT_NO_THROW(CheckNewStoreSize(kMaxStoreFileBytes, std::nullopt));
  EXPECT_EQ(MessageOf([] { CheckNewStoreSize(kMaxStoreFileBytes + 1, std::nullopt); }),
            kSizeLimitText);
  EXPECT_NO_THROW(CheckNewStoreSize(1000, 1000));
  EXPECT_EQ(MessageOf([] { CheckNewStoreSize(1000, 999); }), ConstantText("outofmemory"));
  // The limit is tested before anything touches the disk.
  std::string path = dir_.File("huge");
  EXPECT_EQ(MessageOf([&] { TLargeFile(path, true, kMaxStoreFileBytes + 1); }), kSizeLimitText);
  EXPECT_FALSE(FileExists(path));
}

TEST_F(LargeFileTest, FullDiskAtCreationReportsOutOfMemoryAndLeavesNoFile) {
  std::string path = dir_.File("full");
  FailNth(TFault::Create, 1);
  EXPECT_EQ(MessageOf([&] { TLargeFile(path, true, 4096); }), ConstantText("outofmemory"));
  EXPECT_FALSE(FileExists(path));
}

TEST_F(LargeFileTest, SequentialReadAcrossTheWindowBoundaryMatchesAndRemapsAligned) {
  QUILLON_MAIN_THREAD_ONLY();
  const uint32_t count = 20 * 1024 * 1024;  // 40 MiB of samples: two windows
  std::string path = MakeStore("big", count, Pattern);
  auto store = std::make_shared<TLargeFile>(path, false);
  std::vector<int16_t> all(count);
  store->ReadSamples(all.data(), 0, count - 1);
  for (uint32_t i = 0; i < count; i += 4099) ASSERT_EQ(all[i], Pattern(i)) << i;
  EXPECT_EQ(all[count - 1], Pattern(count - 1));

  // Byte offset 33,554,432 is sample 16,777,194: from a window at 0 it moves to that offset.
  TStoreWindow window(store);
  EXPECT_EQ(window.ReadSample(0), Pattern(0));
  ASSERT_EQ(window.WindowStart(), 0u);
  EXPECT_EQ(window.ReadSample(16777193), Pattern(16777193));
  EXPECT_EQ(window.WindowStart(), 0u);
  EXPECT_EQ(window.ReadSample(0), Pattern(0));
  EXPECT_EQ(window.ReadSample(16777194), Pattern(16777194));
  EXPECT_EQ(window.WindowStart(), 33554432u);
  EXPECT_LE(window.WindowEnd() - window.WindowStart(), kMaxWindowBytes);

  // A read outside the window maps at the granularity multiple at or below its offset.
  AllocationGranularity = 65536;
  EXPECT_EQ(window.ReadSample(100009), Pattern(100009));
  EXPECT_EQ(window.WindowStart(), (44u + 200018u) / 65536u * 65536u);
}

// A span that one window can hold is given whole and in place, the window moving for it; it
// ends where the store ends, or where a window must.
TEST_F(LargeFileTest, SpansAreTheStoresOwnSamplesAsFarAsAWindowReaches) {
  QUILLON_MAIN_THREAD_ONLY();
  const uint32_t count = 17 * 1024 * 1024;  // more than one window
  TStoreWindow window(std::make_shared<TLargeFile>(MakeStore("mapped", count, Pattern), false));
  const uint32_t perWindow = kMaxWindowBytes / 2;
  const struct {
    uint32_t first;
    uint32_t count;
    uint32_t given;
  } rows[] = {{0, 1000, 1000},       {16777190, 100, 100},  // across the first window's end
              {count - 10, 10, 10},  {count - 10, 11, 10},  {count, 1, 0},
              {5, 0, 0},             {100, perWindow, perWindow - 100 - 22}};
  for (const auto& row : rows) {
    const std::span<const int16_t> span = window.Span(row.first, row.count);
    ASSERT_EQ(span.size(), row.given) << row.first << " + " << row.count;
    for (uint32_t i = 0; i < span.size(); i += 1 + span.size() / 4096)
      ASSERT_EQ(span[i], Pattern(row.first + i)) << row.first << " + " << i;
    if (!span.empty()) {
      EXPECT_EQ(span.back(), Pattern(row.first + span.size() - 1));
    }
  }
}

TEST_F(LargeFileTest, CopyFromMatchesSampleBySampleAcrossWindowsOfBothStores) {
  QUILLON_MAIN_THREAD_ONLY();
  const uint32_t count = 18 * 1024 * 1024;
  std::string sourcePath = MakeStore("src", count, Pattern);
  TLargeFile source(sourcePath, false);
  auto written = std::make_shared<TLargeFile>(dir_.File("dst"), true, 44ull + 2ull * count);
  TLargeFile& target = *written;
  TStoreWindow window(written);
  // Offsets chosen so that the two stores cross their window ends at different places.
  const uint32_t srcIndex = 1234567, dstIndex = 77, n = count - srcIndex - 10;
  target.CopyFrom(source, srcIndex, dstIndex, n);
  target.CopyFrom(source, 0, 0, 0);
  target.CopyFrom(source, 0, 0, -5);
  for (uint32_t i = 0; i < n; i += 997)
    ASSERT_EQ(window.ReadSample(dstIndex + i), Pattern(srcIndex + i)) << i;
  EXPECT_EQ(window.ReadSample(dstIndex + n - 1), Pattern(srcIndex + n - 1));
  EXPECT_EQ(window.ReadSample(dstIndex + n), 0);
  EXPECT_EQ(window.ReadSample(dstIndex - 1), 0);
}

TEST_F(LargeFileTest, FailedReadIsReportedWithItsContextAndRethrown) {
  std::string path = MakeStore("r", 1000, Pattern);
  TLargeFile store(path, false);
  TakeQueuedEventReports();
  SetStoreReportContext([] { return TStoreReportContext{true, 6}; });
  FailNth(TFault::Read, 1);
  std::vector<int16_t> out(10);
  EXPECT_THROW(store.ReadSamples(out.data(), 990, 5000), EOSError);
  SetStoreReportContext(nullptr);
  std::vector<std::string> reports = TakeQueuedEventReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(reports[0].starts_with(EOSError(EIO).what())) << reports[0];
  EXPECT_NE(
      reports[0].find(" Start pos: 990, end pos: 999, filesize: 2000, granularity: " +
                      std::to_string(AllocationGranularity) + ", startview: 0, stopview: 2044"),
      std::string::npos)
      << reports[0];
  EXPECT_NE(reports[0].find(", index: 990, buffer: "), std::string::npos) << reports[0];
  EXPECT_TRUE(reports[0].ends_with(", busy: -1, op: 6")) << reports[0];
  // The store recovers on the next access.
  store.ReadSamples(out.data(), 990, 999);
  EXPECT_EQ(out[9], Pattern(999));
}

// A worker's bulk reads while the main thread moves its window over the same store: the worker
// reads the right samples, and its failed read's report names that read (its range, the window
// a mapping of its first sample would take, its buffer), never where the main thread's window is.
struct TConcurrentReadCase {
  uint32_t first, last, reportedLast;
  uint64_t startView, stopView;
};

class ConcurrentReadTest : public LargeFileTest,
                           public ::testing::WithParamInterface<TConcurrentReadCase> {};

TEST_P(ConcurrentReadTest, WorkerReadsRightAndReportsItsOwnRangeWhileTheWindowMoves) {
  QUILLON_MAIN_THREAD_ONLY();
  const TConcurrentReadCase& row = GetParam();
  constexpr uint32_t kCount = 20000000;  // 40 MB: more than one window
  AllocationGranularity = 65536;
  auto store = std::make_shared<TLargeFile>(MakeStore("shared", kCount, Pattern), false);
  TStoreWindow window(store);
  TakeQueuedEventReports();
  std::atomic<uint32_t> moves{0};
  std::atomic<bool> done{false};
  std::vector<int16_t> all(kCount), failed(kCount);
  std::thread worker([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (moves < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    store->ReadSamples(all.data(), 0, kCount - 1);
    FailNth(TFault::Read, 1);
    EXPECT_THROW(store->ReadSamples(failed.data(), row.first, row.last), EOSError);
    done = true;
  });
  // The view's reads jump between the store's start, end and middle: each moves the window.
  const uint32_t jumps[] = {0, kCount - 1, kCount / 2};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (uint32_t n = 0; !done && std::chrono::steady_clock::now() < deadline; moves = ++n)
    EXPECT_EQ(window.ReadSample(jumps[n % 3]), Pattern(jumps[n % 3]));
  worker.join();
  for (uint32_t i = 0; i < kCount; ++i)
    if (all[i] != Pattern(i)) FAIL() << "sample " << i;
  const std::vector<std::string> reports = TakeQueuedEventReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(
      reports[0],
      std::string(EOSError(EIO).what()) + " Start pos: " + std::to_string(row.first) +
          ", end pos: " + std::to_string(row.reportedLast) +
          ", filesize: 40000000, granularity: 65536, startview: " + std::to_string(row.startView) +
          ", stopview: " + std::to_string(row.stopView) + ", index: " + std::to_string(row.first) +
          ", buffer: " + std::to_string(reinterpret_cast<uintptr_t>(failed.data())) +
          ", busy: 0, op: 0");
}

// The window starts at byte 44 + 2 * first rounded down to 65536 and spans 32 MiB at most.
INSTANTIATE_TEST_SUITE_P(
    Rows, ConcurrentReadTest,
    ::testing::Values(TConcurrentReadCase{990, 999, 999, 0, 33554432},
                      TConcurrentReadCase{16777194, 16777300, 16777300, 33554432, 40000044},
                      TConcurrentReadCase{19999990, 30000000, 19999999, 39976960, 40000044}));

}  // namespace
}  // namespace quillon
