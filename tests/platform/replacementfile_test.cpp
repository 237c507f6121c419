#include "platform/replacementfile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "platform/error.h"
#include "platform/faults.h"
#include "platform/filesteps.h"
#include "support/fixtures.h"

namespace {
std::atomic<int> umaskCalls{0};
}  // namespace

// Counts every change of the process's umask made from this program's own code: changing it
// on a worker gives the files other threads create meanwhile the wrong mode.
mode_t umask(mode_t mask) noexcept {
  ++umaskCalls;
  return static_cast<mode_t>(syscall(SYS_umask, mask));
}

namespace quillon {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST(ReplacementFileTest, ANewTargetGetsTheUsualModeWithoutTheUmaskBeingChanged) {
  test::TTempDir dir;
  // The mode open() gives a new file under the process's umask.
  const std::string plain = dir.File("plain");
  close(open(plain.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  umaskCalls = 0;
  WriteFileDurably(dir.File("new.txt"), "new", 3);
  EXPECT_EQ(umaskCalls, 0);
  EXPECT_EQ(ModeOf(dir.File("new.txt")), ModeOf(plain));
}

struct TFailedFlushRow {
  const char* name;
  int failingFlush;  // 1: the new file's, 2: the folder's
  std::vector<uint8_t> targetAfter;
};

void PrintTo(const TFailedFlushRow& row, std::ostream* out) {
  *out << row.name;
}

class ReplacementFileFlushTest : public ::testing::TestWithParam<TFailedFlushRow> {};

TEST_P(ReplacementFileFlushTest, AFailedFlushFailsTheCommitAndLeavesNoReplacementFile) {
  test::TTempDir dir;
  const std::string target = dir.File("list.txt");
  test::WriteFileBytes(target, {'o', 'l', 'd'});
  FailNth(TFault::Flush, GetParam().failingFlush);
  StartRecordingFileSteps();
  EXPECT_THROW(WriteFileDurably(target, "new", 3), EOSError);
  const std::vector<TFileStepRecord> steps = StopRecordingFileSteps();
  ClearFaults();
  EXPECT_EQ(test::ReadFileBytes(target), GetParam().targetAfter);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"list.txt"});
  // Nothing after the failure: no rename over a file that is not on the disk.
  EXPECT_EQ(steps.size(), static_cast<size_t>(GetParam().failingFlush == 1 ? 0 : 2));
}

INSTANTIATE_TEST_SUITE_P(Rows, ReplacementFileFlushTest,
                         ::testing::Values(TFailedFlushRow{"NewFile", 1, {'o', 'l', 'd'}},
                                           TFailedFlushRow{"Folder", 2, {'n', 'e', 'w'}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
