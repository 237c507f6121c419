#include "platform/runfiles.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/config.h"
#include "platform/filesystem.h"
#include "platform/tempfile.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

constexpr const char* kOtherRun = "0badc0de";

// Another instance: a child process that takes the run's lock, makes one file of it and lives
// until it is killed.
class TOtherInstance {
 public:
  explicit TOtherInstance(const std::string& folder) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      AdoptRun(folder, kOtherRun);
      std::ofstream(folder + "/" + RunFilePrefix(kOtherRun) + "store") << "x";
      (void)!write(ready[1], "!", 1);
      pause();
      _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    EXPECT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
  }
  ~TOtherInstance() { Kill(); }
  // Ends it as a crash would: no clean-up of any kind.
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

TEST(RunFilesTest, NamesTellTheirRun) {
  EXPECT_TRUE(IsRunId(RunId()));
  EXPECT_EQ(RunIdOfFileName(RunFilePrefix(kOtherRun) + "a1B2c3"), kOtherRun);
  EXPECT_EQ(RunIdOfFileName(RunLockName(kOtherRun)), kOtherRun);
  for (const char* name : {"~qlA1b2c3", "~ql0badc0de", "~ql0badc0dX-1", "x~ql0badc0de-1",
                           ".~ql0badc0de.lock-Ab12Cd", "~ql0badc0de-"})
    EXPECT_EQ(RunIdOfFileName(name), "") << name;
}

TEST(RunFilesTest, AnotherInstancesFilesAreTouchedOnlyAfterItHasEnded) {
  test::TTempDir dir;
  const std::string store = dir.Path() + "/" + RunFilePrefix(kOtherRun) + "store";
  const std::string unrelated = dir.Path() + "/~qlAb12Cd";  // not made by a run: never touched
  std::ofstream(unrelated) << "x";
  TOtherInstance other(dir.Path());
  EXPECT_TRUE(RunIsAlive(dir.Path(), kOtherRun));
  EXPECT_TRUE(EndedRuns(dir.Path()).empty());
  EXPECT_FALSE(DeleteRunFiles(dir.Path(), kOtherRun));
  EXPECT_FALSE(AdoptRun(dir.Path(), kOtherRun));
  EXPECT_TRUE(FileExists(store));

  other.Kill();
  EXPECT_FALSE(RunIsAlive(dir.Path(), kOtherRun));
  EXPECT_EQ(EndedRuns(dir.Path()), std::vector<std::string>{kOtherRun});
  EXPECT_TRUE(DeleteRunFiles(dir.Path(), kOtherRun));
  EXPECT_FALSE(FileExists(store));
  EXPECT_FALSE(FileExists(dir.Path() + "/" + RunLockName(kOtherRun)));
  EXPECT_TRUE(FileExists(unrelated));
}

// What a run that saved to other folders leaves there is found through its record: removed once
// the run has ended, never while it goes on, and never in a folder the caller spares.
TEST(RunFilesTest, RecordedFoldersAreSweptOnlyAfterTheirRunEnded) {
  test::TTempDir records, saves, spared;
  const std::string record = records.Path() + "/" + kOtherRun + ".folders";
  std::ofstream(record) << saves.Path() << "\n" << spared.Path() << "/\n";
  const std::string left = saves.Path() + "/" + RunFilePrefix(kOtherRun) + "store";
  const std::string kept = spared.Path() + "/" + RunFilePrefix(kOtherRun) + "state";
  std::ofstream(kept) << "x";
  auto spare = [&](const std::string& id, const std::string& folder) {
    EXPECT_EQ(id, kOtherRun);
    return folder == spared.Path() + "/";
  };

  TOtherInstance other(saves.Path());  // holds its lock in saves and writes `left` there
  SweepRecordedFolders(records.Path(), spare);
  EXPECT_TRUE(FileExists(left));
  EXPECT_TRUE(FileExists(record));

  other.Kill();
  SweepRecordedFolders(records.Path(), spare);
  EXPECT_FALSE(FileExists(left));
  EXPECT_FALSE(FileExists(saves.Path() + "/" + RunLockName(kOtherRun)));
  EXPECT_TRUE(FileExists(kept));
  EXPECT_FALSE(FileExists(record));
}

TEST(RunFilesTest, ThisRunsFilesStayUntilItReleasesThem) {
  test::TTempDir dir;
  const std::string saved = config.tempfolder;
  config.tempfolder = dir.Path() + "/";
  const std::string mine = MakeTempFileName();
  config.tempfolder = saved;
  EXPECT_EQ(RunIdOfFileName(mine.substr(dir.Path().size() + 1)), RunId());
  EXPECT_TRUE(RunIsAlive(dir.Path(), RunId()));
  EXPECT_TRUE(EndedRuns(dir.Path()).empty());
  EXPECT_FALSE(DeleteRunFiles(dir.Path(), RunId()));
  EXPECT_TRUE(FileExists(mine));
  ReleaseRunFiles();  // a clean end
  EXPECT_FALSE(FileExists(mine));
  EXPECT_FALSE(FileExists(dir.Path() + "/" + RunLockName(RunId())));
}

}  // namespace
}  // namespace quillon
