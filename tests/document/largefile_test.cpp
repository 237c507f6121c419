#include "document/largefile.h"

#include <gtest/gtest.h>

#include <numeric>

#include "localization/constants.h"
#include "platform/config.h"
#include "platform/error.h"
#include "platform/eventreport.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "platform/granularity.h"
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
  const uint32_t count = 20 * 1024 * 1024;  // 40 MiB of samples: two windows
  std::string path = MakeStore("big", count, Pattern);
  TLargeFile store(path, false);
  std::vector<int16_t> all(count);
  store.ReadSamples(all.data(), 0, count - 1);
  for (uint32_t i = 0; i < count; i += 4099) ASSERT_EQ(all[i], Pattern(i)) << i;
  EXPECT_EQ(all[count - 1], Pattern(count - 1));

  // Byte offset 33,554,432 is sample 16,777,194: from a window at 0 it moves to that offset.
  store.ReadHeader(*std::make_unique<TWavHeader>());
  ASSERT_EQ(store.WindowStart(), 0u);
  EXPECT_EQ(store.ReadSample(16777193), Pattern(16777193));
  EXPECT_EQ(store.WindowStart(), 0u);
  EXPECT_EQ(store.ReadSample(16777194), Pattern(16777194));
  EXPECT_EQ(store.WindowStart(), 33554432u);
  EXPECT_LE(store.WindowEnd() - store.WindowStart(), kMaxWindowBytes);

  // A read outside the window maps at the granularity multiple at or below its offset.
  AllocationGranularity = 65536;
  EXPECT_EQ(store.ReadSample(100009), Pattern(100009));
  EXPECT_EQ(store.WindowStart(), (44u + 200018u) / 65536u * 65536u);
}

// Samples that the window can hold are given in place, the window moving when it must; past the
// store's end, or more than a window, there are none.
TEST_F(LargeFileTest, MappedSamplesAreTheStoresOwnOrNone) {
  const uint32_t count = 17 * 1024 * 1024;  // more than one window
  TLargeFile store(MakeStore("mapped", count, Pattern), false);
  const struct {
    uint32_t first;
    uint32_t count;
    bool given;
  } rows[] = {{0, 1000, true},        {16777190, 100, true},  // across the first window's end
              {count - 10, 10, true}, {count - 10, 11, false},
              {5, 0, false},          {100, kMaxWindowBytes / 2, false}};
  for (const auto& row : rows) {
    const int16_t* samples = store.MappedSamples(row.first, row.count);
    ASSERT_EQ(samples != nullptr, row.given) << row.first << " + " << row.count;
    for (uint32_t i = 0; samples && i < row.count; ++i)
      ASSERT_EQ(samples[i], Pattern(row.first + i)) << row.first << " + " << i;
  }
}

TEST_F(LargeFileTest, CopyFromMatchesSampleBySampleAcrossWindowsOfBothStores) {
  const uint32_t count = 18 * 1024 * 1024;
  std::string sourcePath = MakeStore("src", count, Pattern);
  TLargeFile source(sourcePath, false);
  TLargeFile target(dir_.File("dst"), true, 44ull + 2ull * count);
  // Offsets chosen so that the two stores cross their window ends at different places.
  const uint32_t srcIndex = 1234567, dstIndex = 77, n = count - srcIndex - 10;
  target.CopyFrom(source, srcIndex, dstIndex, n);
  target.CopyFrom(source, 0, 0, 0);
  target.CopyFrom(source, 0, 0, -5);
  for (uint32_t i = 0; i < n; i += 997)
    ASSERT_EQ(target.ReadSample(dstIndex + i), Pattern(srcIndex + i)) << i;
  EXPECT_EQ(target.ReadSample(dstIndex + n - 1), Pattern(srcIndex + n - 1));
  EXPECT_EQ(target.ReadSample(dstIndex + n), 0);
  EXPECT_EQ(target.ReadSample(dstIndex - 1), 0);
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

}  // namespace
}  // namespace quillon
