#include "platform/filemapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/diskflush.h"
#include "platform/error.h"
#include "platform/faults.h"

namespace quillon {

TFileMapping TFileMapping::OpenForReading(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseLastOSError(path);
  TFileMapping mapping(fd, 0, false);
  struct stat info {};
  if (fstat(fd, &info) != 0) RaiseLastOSError(path);
  mapping.size_ = static_cast<uint64_t>(info.st_size);
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return mapping;
}

TFileMapping TFileMapping::CreateNew(const std::string& path, uint64_t size) {
  CheckFault(TFault::Create);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) RaiseLastOSError(path);
  TFileMapping mapping(fd, size, true);
  if (size > 0) {
    int error = posix_fallocate(fd, 0, static_cast<off_t>(size));
    if (error != 0) {
      // Leave no half-reserved file behind: the caller's file is truncated and empty now.
      if (ftruncate(fd, 0) != 0) {
      }
      throw EOSError(error, path);
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

void* TFileMapping::MapView(uint64_t offset, uint64_t length) const {
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

void TFileMapping::ReadAt(uint64_t offset, void* data, uint64_t bytes) const {
  char* into = static_cast<char*>(data);
  while (bytes > 0) {
    CheckFault(TFault::Read);
    ssize_t got = pread(fd_, into, bytes, static_cast<off_t>(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseLastOSError();
    }
    if (got == 0) throw EOSError(EIO);  // the file is shorter than it was
    into += got;
    offset += static_cast<uint64_t>(got);
    bytes -= static_cast<uint64_t>(got);
  }
}

void TFileMapping::CopyTo(TFileMapping& target, uint64_t from, uint64_t to, uint64_t bytes) const {
  while (bytes > 0) {
    CheckFault(TFault::Read);
    CheckFault(TFault::Write);
    off_t in = static_cast<off_t>(from), out = static_cast<off_t>(to);
    ssize_t copied = copy_file_range(fd_, &in, target.fd_, &out, bytes, 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied <= 0) break;  // not supported between these files: copy through a buffer
    from += static_cast<uint64_t>(copied);
    to += static_cast<uint64_t>(copied);
    bytes -= static_cast<uint64_t>(copied);
  }
  std::vector<char> buffer(std::min<uint64_t>(bytes, 1 << 20));
  while (bytes > 0) {
    uint64_t n = std::min<uint64_t>(bytes, buffer.size());
    ReadAt(from, buffer.data(), n);
    target.WriteAt(to, buffer.data(), n);
    from += n;
    to += n;
    bytes -= n;
  }
}

void TFileMapping::UnmapView(void* view, uint64_t length) {
  if (view) munmap(view, length);
}

void TFileMapping::StartWriteBack() {
  StartFlushing(fd_);
}

}  // namespace quillon
