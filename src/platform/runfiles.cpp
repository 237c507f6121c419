#include "platform/runfiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <set>

#include "platform/config.h"
#include "platform/error.h"
#include "platform/tempfile.h"

namespace quillon {

namespace {

constexpr size_t kRunIdLength = 8;
constexpr std::string_view kRecordExtension = ".folders";

struct THeldLock {
  std::string folder;
  std::string runId;
  int fd;
};

std::mutex heldMutex;
std::vector<THeldLock> held;

std::string LockPath(const std::string& folder, const std::string& runId) {
  return FolderWithSlash(folder) + RunLockName(runId);
}

// True when fd is still the file at path: a lock whose file was deleted or replaced guards
// nothing any more.
bool IsFileAt(int fd, const std::string& path) {
  struct stat open {
  }, named{};
  if (fstat(fd, &open) != 0 || stat(path.c_str(), &named) != 0) return false;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Opens and locks the run's existing lock file: the descriptor, -1 when it doesn't exist or
// is locked by someone.
int LockExisting(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !IsFileAt(fd, path)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Creates the lock file already locked: it is locked under a name no one looks at, then
// renamed into place, so no other instance ever sees it unlocked.
int CreateLocked(const std::string& folder, const std::string& runId) {
  std::string pattern = LockPath(folder, runId) + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) RaiseLastOSError(folder);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 ||
      rename(name.data(), LockPath(folder, runId).c_str()) != 0) {
    int error = errno;
    unlink(name.data());
    close(fd);
    errno = error;
    RaiseLastOSError(LockPath(folder, runId));
  }
  return fd;
}

THeldLock* FindHeld(const std::string& folder, const std::string& runId) {
  for (THeldLock& lock : held)
    if (lock.folder == folder && lock.runId == runId) return &lock;
  return nullptr;
}

// Forgets a lock whose file is gone (its folder was deleted, say), so that it is made again.
void DropIfStale(const std::string& folder, const std::string& runId) {
  THeldLock* lock = FindHeld(folder, runId);
  if (!lock || IsFileAt(lock->fd, LockPath(folder, runId))) return;
  close(lock->fd);
  held.erase(held.begin() + (lock - held.data()));
}

void DeleteFilesOfRun(const std::string& folder, const std::string& runId) {
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error), end;
  for (; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    const bool isLock = name.front() == '.';
    if (!isLock && RunIdOfFileName(name) == runId && !it->is_directory(error))
      unlink(it->path().c_str());
  }
}

std::string RecordPath(const std::string& recordFolder, const std::string& runId) {
  return FolderWithSlash(recordFolder) + runId + std::string(kRecordExtension);
}

// Straight, not through the flush seam: a record is no save whose failure anyone is told of.
void FlushRecoveryFolder() {
  int fd = open(RecoveryFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Notes a folder in the run's record, one line each; written straight, as a replacement file
// would need a lock of its own first. Flushed, so that what a power cut leaves is found too.
void RecordFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(RecoveryFolder(), error);
  const std::string path = RecordPath(RecoveryFolder(), RunId());
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  const std::string line = folder + "\n";
  if (write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) && fsync(fd) == 0)
    FlushRecoveryFolder();
  close(fd);
}

std::vector<std::string> RecordedFolders(const std::string& path) {
  std::vector<std::string> folders;
  std::ifstream record(path);
  for (std::string line; std::getline(record, line);)
    if (!line.empty() && line.front() == '/') folders.push_back(FolderWithSlash(line));
  return folders;
}

// Takes this run's lock in a folder; true when it was made just now.
bool TakeRunLock(const std::string& where) {
  std::lock_guard guard(heldMutex);
  DropIfStale(where, RunId());
  if (FindHeld(where, RunId())) return false;
  held.push_back({where, RunId(), CreateLocked(where, RunId())});
  return true;
}

}  // namespace

const std::string& RunId() {
  static const std::string id = [] {
    std::random_device random;
    std::uniform_int_distribution<uint32_t> digits;
    char text[kRunIdLength + 1];
    std::snprintf(text, sizeof text, "%08x", digits(random));
    return std::string(text);
  }();
  return id;
}

bool IsRunId(const std::string& id) {
  return id.size() == kRunIdLength && std::all_of(id.begin(), id.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

std::string RunFilePrefix(const std::string& runId) {
  return kTempFilePrefix + runId + "-";
}

std::string RunLockName(const std::string& runId) {
  return "." + (kTempFilePrefix + runId) + ".lock";
}

std::string RunIdOfFileName(const std::string& fileName) {
  const size_t prefix = std::char_traits<char>::length(kTempFilePrefix);
  const bool isLock = fileName.size() == prefix + kRunIdLength + 6 && fileName[0] == '.' &&
                      fileName.ends_with(".lock");
  const size_t start = isLock ? prefix + 1 : prefix;
  if (fileName.compare(isLock ? 1 : 0, prefix, kTempFilePrefix) != 0) return {};
  if (!isLock &&
      (fileName.size() <= start + kRunIdLength + 1 || fileName[start + kRunIdLength] != '-'))
    return {};
  std::string id = fileName.substr(start, kRunIdLength);
  return IsRunId(id) ? id : std::string();
}

void HoldRunLock(const std::string& folder) {
  TakeRunLock(FolderWithSlash(folder));
}

void HoldRecordedRunLock(const std::string& folder) {
  std::error_code error;
  std::string where = FolderWithSlash(std::filesystem::absolute(folder, error).string());
  if (error) where = FolderWithSlash(folder);
  // Noted after the lock exists, so that a sweep reading the record finds the run alive.
  if (TakeRunLock(where)) RecordFolder(where);
}

void SweepRecordedFolders(
    const std::string& recordFolder,
    const std::function<bool(const std::string& runId, const std::string& folder)>& spare) {
  std::error_code error;
  std::filesystem::directory_iterator it(recordFolder, error), end;
  std::vector<std::pair<std::string, std::string>> records;
  for (; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!name.ends_with(kRecordExtension)) continue;
    std::string id = name.substr(0, name.size() - kRecordExtension.size());
    if (IsRunId(id) && id != RunId()) records.emplace_back(id, it->path().string());
  }
  for (const auto& record : records) {
    const std::string& id = record.first;
    const std::string& path = record.second;
    std::vector<std::string> folders = RecordedFolders(path);
    // Every folder in the record holds the run's lock while the run goes on.
    if (std::any_of(folders.begin(), folders.end(),
                    [&](const std::string& folder) { return RunIsAlive(folder, id); }))
      continue;
    bool settled = true;
    for (const std::string& folder : folders)
      if (!spare(id, folder)) settled = DeleteRunFiles(folder, id) && settled;
    if (settled) unlink(path.c_str());
  }
}

bool AdoptRun(const std::string& folder, const std::string& runId) {
  const std::string where = FolderWithSlash(folder);
  std::lock_guard guard(heldMutex);
  DropIfStale(where, runId);
  if (FindHeld(where, runId)) return true;
  const std::string path = LockPath(where, runId);
  int fd = LockExisting(path);
  if (fd < 0 && access(path.c_str(), F_OK) != 0) {
    try {
      fd = CreateLocked(where, runId);
    } catch (const EOSError&) {
      return false;
    }
  }
  if (fd < 0) return false;
  held.push_back({where, runId, fd});
  return true;
}

void ReleaseAdoptedRun(const std::string& folder, const std::string& runId) {
  const std::string where = FolderWithSlash(folder);
  std::lock_guard guard(heldMutex);
  THeldLock* lock = FindHeld(where, runId);
  if (!lock || runId == RunId()) return;
  DeleteFilesOfRun(where, runId);
  if (IsFileAt(lock->fd, LockPath(where, runId))) unlink(LockPath(where, runId).c_str());
  close(lock->fd);
  held.erase(held.begin() + (lock - held.data()));
}

bool RunIsAlive(const std::string& folder, const std::string& runId) {
  const std::string path = LockPath(folder, runId);
  {
    std::lock_guard guard(heldMutex);
    if (THeldLock* lock = FindHeld(FolderWithSlash(folder), runId);
        lock && IsFileAt(lock->fd, path))
      return true;
  }
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return locked;
}

std::vector<std::string> EndedRuns(const std::string& folder) {
  std::set<std::string> ids;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error), end;
  for (; !error && it != end; it.increment(error)) {
    std::string id = RunIdOfFileName(it->path().filename().string());
    if (!id.empty()) ids.insert(id);
  }
  std::vector<std::string> ended;
  for (const std::string& id : ids)
    if (!RunIsAlive(folder, id)) ended.push_back(id);
  return ended;
}

bool DeleteRunFiles(const std::string& folder, const std::string& runId) {
  const std::string where = FolderWithSlash(folder);
  {
    std::lock_guard guard(heldMutex);
    if (FindHeld(where, runId)) return false;
  }
  const std::string path = LockPath(where, runId);
  int fd = LockExisting(path);
  if (fd < 0 && access(path.c_str(), F_OK) == 0) return false;
  DeleteFilesOfRun(where, runId);
  if (fd >= 0) {
    unlink(path.c_str());
    close(fd);
  }
  return true;
}

void ReleaseRunFiles() {
  std::lock_guard guard(heldMutex);
  for (const THeldLock& lock : held) {
    DeleteFilesOfRun(lock.folder, lock.runId);
    if (IsFileAt(lock.fd, LockPath(lock.folder, lock.runId)))
      unlink(LockPath(lock.folder, lock.runId).c_str());
    close(lock.fd);
  }
  held.clear();
  unlink(RecordPath(RecoveryFolder(), RunId()).c_str());
}

std::string RecoveryFolder() {
  return UserDataFolder() + "/recovery/";
}

}  // namespace quillon
