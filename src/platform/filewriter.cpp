#include "platform/filewriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"
#include "platform/faults.h"

namespace quillon {

TFileWriter::TFileWriter(const std::string& path, size_t bufferBytes)
    : bufferBytes_(bufferBytes > 0 ? bufferBytes : 1), path_(path) {
  CheckFault(TFault::Create);
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) RaiseLastOSError(path);
  for (int i = 0; i < kBuffers; ++i) {
    buffers_.emplace_back(bufferBytes_);
    if (i != current_) free_.push_back(i);
  }
  writer_ = std::thread([this] { WriterLoop(); });
}

TFileWriter::~TFileWriter() {
  StopWriter();
  if (fd_ >= 0) close(fd_);
}

void TFileWriter::StopWriter() {
  if (!writer_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  writer_.join();
}

void TFileWriter::WriterLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !filled_.empty(); });
    if (filled_.empty()) return;
    auto [buffer, bytes] = filled_.front();
    filled_.pop_front();
    writing_ = true;
    bool failed = failure_ != nullptr;
    lock.unlock();
    std::exception_ptr error;
    if (!failed) {
      try {
        WriteFully(buffers_[buffer].data(), bytes, -1);
      } catch (...) {
        error = std::current_exception();
      }
    }
    lock.lock();
    if (error && !failure_) failure_ = error;
    writing_ = false;
    free_.push_back(buffer);
    changed_.notify_all();
  }
}

void TFileWriter::RethrowFailure() {
  std::lock_guard lock(mutex_);
  if (failure_) std::rethrow_exception(failure_);
}

void TFileWriter::Submit() {
  if (used_ == 0) return;
  std::unique_lock lock(mutex_);
  filled_.emplace_back(current_, used_);
  changed_.notify_all();
  changed_.wait(lock, [this] { return !free_.empty(); });
  current_ = free_.back();
  free_.pop_back();
  used_ = 0;
}

void TFileWriter::Drain() {
  Submit();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return filled_.empty() && !writing_; });
}

void TFileWriter::Write(const void* data, size_t bytes) {
  RethrowFailure();
  const char* source = static_cast<const char*>(data);
  position_ += bytes;
  while (bytes > 0) {
    size_t take = std::min(bytes, bufferBytes_ - used_);
    std::memcpy(buffers_[current_].data() + used_, source, take);
    used_ += take;
    source += take;
    bytes -= take;
    if (used_ == bufferBytes_) Submit();
  }
}

void TFileWriter::WriteAt(uint64_t offset, const void* data, size_t bytes) {
  Drain();
  RethrowFailure();
  WriteFully(static_cast<const char*>(data), bytes, static_cast<int64_t>(offset));
}

void TFileWriter::WriteFully(const char* data, size_t bytes, int64_t offset) {
  while (bytes > 0) {
    CheckFault(TFault::Write);
    ssize_t written = offset < 0 ? write(fd_, data, bytes) : pwrite(fd_, data, bytes, offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseLastOSError(path_);
    }
    if (written == 0) throw EOSError(ENOSPC, path_);
    data += written;
    bytes -= static_cast<size_t>(written);
    if (offset >= 0) offset += written;
  }
}

void TFileWriter::Close() {
  if (fd_ < 0) return;
  Drain();
  StopWriter();
  int fd = fd_;
  fd_ = -1;
  int closed = close(fd);
  int closeError = errno;
  RethrowFailure();
  if (closed != 0) throw EOSError(closeError, path_);
}

}  // namespace quillon
