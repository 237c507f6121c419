#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon {

// Writes a new file front to back. Full buffers go to a background thread, so that producing
// the data and the kernel's copy into the file overlap. Every write is checked: a failure (a
// full disk above all) throws EOSError from a later Write, from WriteAt or from Close.
class TFileWriter {
 public:
  // Creates path, replacing any file of that name.
  explicit TFileWriter(const std::string& path, size_t bufferBytes = 1 << 20);
  TFileWriter(const TFileWriter&) = delete;
  TFileWriter& operator=(const TFileWriter&) = delete;
  ~TFileWriter();

  void Write(const void* data, size_t bytes);
  // Writes over bytes already in the file (the size fields of a header), after all before it.
  void WriteAt(uint64_t offset, const void* data, size_t bytes);
  // Writes everything out and closes; throws when any write failed.
  void Close();
  uint64_t Position() const { return position_; }

 private:
  static constexpr int kBuffers = 3;

  void Submit();
  void Drain();
  void RethrowFailure();
  void WriterLoop();
  void StopWriter();
  void WriteFully(const char* data, size_t bytes, int64_t offset);

  int fd_ = -1;
  size_t bufferBytes_;
  // Named in the messages of failed writes.
  std::string path_;
  std::vector<std::vector<char>> buffers_;
  int current_ = 0;
  size_t used_ = 0;
  uint64_t position_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<int, size_t>> filled_;  // buffer and its byte count, in file order
  std::vector<int> free_;
  bool writing_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::thread writer_;
};

}  // namespace quillon
