#include "platform/clipfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/config.h"
#include "platform/error.h"

namespace quillon {

namespace {

// Far more than any session makes; a folder full of them is an error, not a reason to spin.
constexpr int kMaxClipNumber = 100000;

int CreateFreshFile(std::string& path) {
  std::string folder = config.tempfolder.empty() ? DefaultTempFolder() : config.tempfolder;
  if (folder.back() != '/') folder += '/';
  for (int n = 1; n <= kMaxClipNumber; ++n) {
    path = folder + "Quillon clip " + std::to_string(n) + ".wav";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno != EEXIST) RaiseLastOSError();
  }
  errno = EEXIST;
  RaiseLastOSError();
}

}  // namespace

std::string WriteClipFile(const uint8_t* bytes, size_t size) {
  std::string path;
  int fd = CreateFreshFile(path);
  size_t done = 0;
  while (done < size) {
    ssize_t written = write(fd, bytes + done, size - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      int error = written < 0 ? errno : ENOSPC;
      close(fd);
      unlink(path.c_str());
      errno = error;
      RaiseLastOSError();
    }
    done += static_cast<size_t>(written);
  }
  if (close(fd) != 0) {
    int error = errno;
    unlink(path.c_str());
    errno = error;
    RaiseLastOSError();
  }
  return path;
}

}  // namespace quillon
