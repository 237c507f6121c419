#include "platform/diskflush.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/error.h"
#include "platform/faults.h"
#include "platform/filesteps.h"

namespace quillon {

namespace {

// Read before main, so that no signal handler ever reads the environment.
const bool flushesLeftOut = std::getenv("QUILLON_BENCH_NO_FLUSH") != nullptr;

int SyncToDisk(int fd) {
  if (int error = FaultError(TFault::Flush)) return error;
  if (flushesLeftOut) return 0;
  while (fsync(fd) != 0)
    if (errno != EINTR) return errno;
  return 0;
}

// The folder part of path ("." when it has none) into a buffer: no allocation may happen here.
bool CopyFolderPart(const char* path, char (&folder)[PATH_MAX]) {
  const char* slash = std::strrchr(path, '/');
  if (!slash) {
    std::strcpy(folder, ".");
    return true;
  }
  const size_t length = slash == path ? 1 : static_cast<size_t>(slash - path);
  if (length >= PATH_MAX) return false;
  std::memcpy(folder, path, length);
  folder[length] = '\0';
  return true;
}

void ThrowIfFailed(int error, const std::string& path) {
  if (error != 0) throw EOSError(error, path);
}

}  // namespace

int FlushDescriptor(int fd, const char* path) {
  if (int error = SyncToDisk(fd)) return error;
  NoteFileStep(TFileStep::FlushFile, path);
  return 0;
}

void StartFlushing(int fd) {
  if (!flushesLeftOut) sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

int FlushPath(const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = FlushDescriptor(fd, path);
  close(fd);
  return error;
}

int RenameOver(const char* from, const char* to) {
  if (std::rename(from, to) != 0) return errno;
  NoteFileStep(TFileStep::Rename, from, to);
  return 0;
}

int FlushFolder(const char* folder) {
  const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = SyncToDisk(fd);
  close(fd);
  if (error == 0) NoteFileStep(TFileStep::FlushFolder, folder);
  return error;
}

int FlushFolderOf(const char* path) {
  char folder[PATH_MAX];
  if (!CopyFolderPart(path, folder)) return ENAMETOOLONG;
  return FlushFolder(folder);
}

void FlushFile(const std::string& path) {
  ThrowIfFailed(FlushPath(path.c_str()), path);
}

void FlushFolderOf(const std::string& path) {
  ThrowIfFailed(FlushFolderOf(path.c_str()), path.substr(0, path.rfind('/') + 1));
}

void FlushFolder(const std::string& folder) {
  ThrowIfFailed(FlushFolder(folder.c_str()), folder);
}

void MakeDurable(const std::string& path) {
  FlushFile(path);
  FlushFolderOf(path);
}

}  // namespace quillon
