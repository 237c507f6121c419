#include "shell/instancelock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/fixtures.h"

namespace quillon {
namespace {

TEST(InstanceLockTest, FirstHolderHoldsAndASecondRunsOnKnowingIt) {
  test::TTempDir dir;
  TInstanceLock first(dir.Path());
  EXPECT_EQ(first.Path(), dir.Path() + "/QUILLON");
  EXPECT_TRUE(first.Held());
  EXPECT_FALSE(first.AnotherInstance());
  {
    TInstanceLock second(dir.Path() + "/");
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(second.AnotherInstance());
  }
  // The second's failed attempt must not have released the first's hold.
  TInstanceLock third(dir.Path());
  EXPECT_TRUE(third.AnotherInstance());
}

TEST(InstanceLockTest, TheMarkerIsFreeAgainWhenTheHolderEnds) {
  test::TTempDir dir;
  { TInstanceLock first(dir.Path()); }
  TInstanceLock next(dir.Path());
  EXPECT_TRUE(next.Held());
  EXPECT_FALSE(next.AnotherInstance());
}

TEST(InstanceLockTest, AHolderInAnotherProcessIsSeen) {
  test::TTempDir dir;
  int ready[2];
  int done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TInstanceLock held(dir.Path());
    char c = held.Held() ? 'y' : 'n';
    if (write(ready[1], &c, 1) != 1) _exit(2);
    if (read(done[0], &c, 1) < 0) _exit(3);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_EQ(c, 'y');
  {
    TInstanceLock mine(dir.Path());
    EXPECT_FALSE(mine.Held());
    EXPECT_TRUE(mine.AnotherInstance());
  }
  ASSERT_EQ(write(done[1], "x", 1), 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
  TInstanceLock after(dir.Path());
  EXPECT_TRUE(after.Held());
}

TEST(InstanceLockTest, NoMarkerPossibleStillStarts) {
  test::TTempDir dir;
  test::WriteFileBytes(dir.File("plain"), {1});
  TInstanceLock lock(dir.File("plain"));  // a file where the folder should be
  EXPECT_FALSE(lock.Held());
  EXPECT_FALSE(lock.AnotherInstance());
}

}  // namespace
}  // namespace quillon
