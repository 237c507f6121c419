#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// Writes a new file front to back through a large buffer, checking every write: a full disk
// or any other failure throws EOSError at the call that hit it.
class TFileWriter {
 public:
  // Creates path, replacing any file of that name.
  explicit TFileWriter(const std::string& path, size_t bufferBytes = 1 << 20);
  TFileWriter(const TFileWriter&) = delete;
  TFileWriter& operator=(const TFileWriter&) = delete;
  ~TFileWriter();

  void Write(const void* data, size_t bytes);
  // Writes over bytes already in the file (the size fields of a header), after flushing.
  void WriteAt(uint64_t offset, const void* data, size_t bytes);
  // Flushes and closes; throws when the last writes fail.
  void Close();
  uint64_t Position() const { return position_; }

 private:
  void Flush();
  void WriteFully(const char* data, size_t bytes, int64_t offset);

  int fd_ = -1;
  std::vector<char> buffer_;
  size_t used_ = 0;
  uint64_t position_ = 0;
};

}  // namespace quillon
