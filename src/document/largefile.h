#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "codecs/wavheader.h"
#include "platform/filemapping.h"

namespace quillon {

// A store file, header included, may hold at most this many bytes.
inline constexpr uint64_t kMaxStoreFileBytes = 2174483647;
// The most a store maps at once.
inline constexpr uint32_t kMaxWindowBytes = 0x2000000;

// What the failure report of a store read tells about the document that was reading.
struct TStoreReportContext {
  bool busy = false;
  uint32_t operation = 0;
};
void SetStoreReportContext(std::function<TStoreReportContext()> provider);

// Throws when a new store of size bytes is over the size limit or more than freeBytes (when
// known): the checks a store created new makes before it touches the disk.
void CheckNewStoreSize(uint64_t size, std::optional<uint64_t> freeBytes);

// One file of 16-bit samples behind a 44-byte header, reached through a sliding memory-mapped
// window of at most 32 MiB that starts at a multiple of AllocationGranularity. Samples are
// addressed by a flat index. A store opened from an existing file is read-only; a store created
// new owns all of its disk blocks from the start and is writable. Not safe for two threads.
class TLargeFile {
 public:
  // createNew false: opens fileName for reading (size is ignored).
  // createNew true: size is the whole file size; checks the size limit and the free space of
  // spaceFolder's volume (where the file goes: config.tempfolder unless said otherwise), then
  // creates (or truncates) the file at that size, reading as zeros.
  TLargeFile(const std::string& fileName, bool createNew, uint64_t size = 0,
             const std::string& spaceFolder = {});
  ~TLargeFile();
  TLargeFile(const TLargeFile&) = delete;
  TLargeFile& operator=(const TLargeFile&) = delete;

  int16_t ReadSample(uint32_t index);
  // count samples from first, in place in the window, which moves to hold them all when it does
  // not; none when they run past the store or are more than a window holds. Valid until the next
  // call that moves the window.
  const int16_t* MappedSamples(uint32_t first, uint32_t count);
  void WriteSample(uint32_t index, int16_t value);
  void ReadHeader(TWavHeader& header);
  void WriteHeader(const TWavHeader& header);
  // Copy samples first..last inclusive; last is clamped to the last sample, nothing is copied
  // when last < first.
  //
  // These and CopyFrom are the bulk path: they go through the file rather than the window, so
  // that the kernel fills a new store's pages once instead of zeroing them first, copies between
  // stores without passing the samples through this process, and no window's pages pile up in
  // memory. The window serves single samples and the header.
  void ReadSamples(int16_t* dest, uint32_t first, uint32_t last);
  void WriteSamples(const int16_t* source, uint32_t first, uint32_t last);
  // Copies count samples of source from srcIndex on to this store from dstIndex on.
  void CopyFrom(TLargeFile& source, uint32_t srcIndex, uint32_t dstIndex, int64_t count);

  uint32_t DataSize() const { return dataSize_; }
  uint32_t SampleCount() const { return dataSize_ / 2; }
  uint32_t WindowStart() const { return windowStart_; }
  uint32_t WindowEnd() const { return windowEnd_; }
  const void* Window() const { return window_; }

 private:
  void MapWindow(uint64_t byteOffset);
  uint8_t* SampleAddress(uint32_t index);
  void ReportReadFailure(const std::exception& error, uint32_t first, uint32_t last,
                         uint32_t index);

  uint8_t* window_ = nullptr;
  uint32_t dataSize_ = 0;
  TFileMapping file_;
  uint32_t windowStart_ = 0;
  uint32_t windowEnd_ = 0;
};

}  // namespace quillon
