#include "shell/instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/config.h"

namespace quillon {

std::string InstanceMarkerFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return DefaultTempFolder();
  std::string folder = runtime;
  if (folder.back() != '/') folder += '/';
  return folder;
}

TInstanceLock::TInstanceLock(const std::string& folder) {
  path_ = folder;
  if (!path_.empty() && path_.back() != '/') path_ += '/';
  path_ += kInstanceMarkerName;
  int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;  // no marker possible: run on without one
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    fd_ = fd;
    return;
  }
  another_ = errno == EWOULDBLOCK;
  ::close(fd);
}

// The file stays: removing it could let a later start lock a fresh file while an older
// instance still holds the unlinked one.
TInstanceLock::~TInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace quillon
