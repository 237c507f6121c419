#include "platform/replacementfile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "support/fixtures.h"

namespace {
std::atomic<int> umaskCalls{0};
}  // namespace

// Counts the umask changes of the program's own code: made on a worker, they give the files
// that other threads create meanwhile the wrong mode.
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
  // What open() gives a new file under the process's umask.
  const std::string plain = dir.File("plain");
  close(open(plain.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  umaskCalls = 0;
  WriteFileDurably(dir.File("new.txt"), "new", 3);
  EXPECT_EQ(umaskCalls, 0);
  EXPECT_EQ(ModeOf(dir.File("new.txt")), ModeOf(plain));
}

}  // namespace
}  // namespace quillon
