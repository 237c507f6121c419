#include "platform/filewriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"
#include "platform/faults.h"

namespace quillon {

TFileWriter::TFileWriter(const std::string& path, size_t bufferBytes) : buffer_(bufferBytes) {
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) RaiseLastOSError();
}

TFileWriter::~TFileWriter() {
  if (fd_ >= 0) close(fd_);
}

void TFileWriter::Write(const void* data, size_t bytes) {
  const char* source = static_cast<const char*>(data);
  position_ += bytes;
  if (used_ + bytes > buffer_.size()) {
    Flush();
    if (bytes >= buffer_.size()) {
      WriteFully(source, bytes, -1);
      return;
    }
  }
  std::memcpy(buffer_.data() + used_, source, bytes);
  used_ += bytes;
}

void TFileWriter::WriteAt(uint64_t offset, const void* data, size_t bytes) {
  Flush();
  WriteFully(static_cast<const char*>(data), bytes, static_cast<int64_t>(offset));
}

void TFileWriter::Flush() {
  if (used_ == 0) return;
  size_t pending = used_;
  used_ = 0;
  WriteFully(buffer_.data(), pending, -1);
}

void TFileWriter::WriteFully(const char* data, size_t bytes, int64_t offset) {
  while (bytes > 0) {
    CheckFault(TFault::Write);
    ssize_t written = offset < 0 ? write(fd_, data, bytes) : pwrite(fd_, data, bytes, offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseLastOSError();
    }
    if (written == 0) throw EOSError(ENOSPC);
    data += written;
    bytes -= static_cast<size_t>(written);
    if (offset >= 0) offset += written;
  }
}

void TFileWriter::Close() {
  if (fd_ < 0) return;
  Flush();
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) RaiseLastOSError();
}

}  // namespace quillon
