#include "platform/filemapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/error.h"
#include "platform/faults.h"

namespace quillon {

TFileMapping TFileMapping::OpenForReading(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseLastOSError();
  TFileMapping mapping(fd, 0, false);
  struct stat info {};
  if (fstat(fd, &info) != 0) RaiseLastOSError();
  mapping.size_ = static_cast<uint64_t>(info.st_size);
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return mapping;
}

TFileMapping TFileMapping::CreateNew(const std::string& path, uint64_t size) {
  CheckFault(TFault::Create);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) RaiseLastOSError();
  TFileMapping mapping(fd, size, true);
  if (size > 0) {
    int error = posix_fallocate(fd, 0, static_cast<off_t>(size));
    if (error != 0) {
      // Leave no half-reserved file behind: the caller's file is truncated and empty now.
      if (ftruncate(fd, 0) != 0) {
      }
      throw EOSError(error);
    }
  }
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return mapping;
}

TFileMapping::TFileMapping(TFileMapping&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), writable_(other.writable_) {}

TFileMapping& TFileMapping::operator=(TFileMapping&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
    writable_ = other.writable_;
  }
  return *this;
}

TFileMapping::~TFileMapping() {
  if (fd_ >= 0) close(fd_);
}

void* TFileMapping::MapView(uint64_t offset, uint64_t length) {
  CheckFault(TFault::Map);
  int protection = writable_ ? PROT_READ | PROT_WRITE : PROT_READ;
  void* view = mmap(nullptr, length, protection, MAP_SHARED, fd_, static_cast<off_t>(offset));
  if (view == MAP_FAILED) RaiseLastOSError();
  return view;
}

void TFileMapping::WriteAt(uint64_t offset, const void* data, uint64_t bytes) {
  const char* from = static_cast<const char*>(data);
  while (bytes > 0) {
    CheckFault(TFault::Write);
    ssize_t written = pwrite(fd_, from, bytes, static_cast<off_t>(offset));
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseLastOSError();
    }
    if (written == 0) throw EOSError(ENOSPC);
    from += written;
    offset += static_cast<uint64_t>(written);
    bytes -= static_cast<uint64_t>(written);
  }
}

void TFileMapping::UnmapView(void* view, uint64_t length) {
  if (view) munmap(view, length);
}

}  // namespace quillon
