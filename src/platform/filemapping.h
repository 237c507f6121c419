#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// One open file that can be mapped into memory piece by piece. Opened for reading (others may
// read too) or created new at a fixed size whose blocks are reserved up front, so that a full
// disk fails here and never later as a fault in the middle of a write through a mapping.
// Throws EOSError on every failure; the destructor releases what was obtained.
class TFileMapping {
 public:
  static TFileMapping OpenForReading(const std::string& path);
  static TFileMapping CreateNew(const std::string& path, uint64_t size);

  TFileMapping(TFileMapping&& other) noexcept;
  TFileMapping& operator=(TFileMapping&& other) noexcept;
  TFileMapping(const TFileMapping&) = delete;
  TFileMapping& operator=(const TFileMapping&) = delete;
  ~TFileMapping();

  uint64_t Size() const { return size_; }
  bool Writable() const { return writable_; }

  // Maps length bytes from offset (a multiple of the page size); read-only mappings of a file
  // opened for reading, read-write ones of a file created new.
  void* MapView(uint64_t offset, uint64_t length) const;
  static void UnmapView(void* view, uint64_t length);
  // Writes bytes at offset through the file itself rather than a mapping: the kernel then fills
  // whole pages directly instead of first zeroing each page that a mapping touches. Views of
  // the same range see the data at once.
  void WriteAt(uint64_t offset, const void* data, uint64_t bytes);
  // Reads bytes at offset through the file; throws on a short read.
  void ReadAt(uint64_t offset, void* data, uint64_t bytes) const;
  // Copies bytes from this file to another inside the kernel, as cp does.
  void CopyTo(TFileMapping& target, uint64_t from, uint64_t to, uint64_t bytes) const;
  // Lets the disk start on what was written so far while more is written, so that the flush at
  // the end has less to wait for. Failures show in that flush, not here.
  void StartWriteBack();

 private:
  TFileMapping(int fd, uint64_t size, bool writable) : fd_(fd), size_(size), writable_(writable) {}

  int fd_ = -1;
  uint64_t size_ = 0;
  bool writable_ = false;
};

}  // namespace quillon
