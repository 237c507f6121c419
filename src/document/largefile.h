#pragma once

#include <cstdint>
#include <exception>
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

// Where a window that holds byte offset byte of a file of fileSize bytes lies: from the multiple
// of AllocationGranularity at or below byte, at most kMaxWindowBytes long.
struct TWindowRange {
  uint64_t start = 0;
  uint64_t end = 0;
};
TWindowRange WindowAround(uint64_t byte, uint64_t fileSize);

// One file of 16-bit samples behind a 44-byte header; samples are addressed by a flat index. A
// store opened from an existing file is read-only; a store created new owns all of its disk
// blocks from the start and is writable. Any thread may call every member, several at once:
// each reads or writes through the file at an offset and keeps nothing between calls. Single
// samples are the main thread's, through a TStoreWindow.
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

  // Through a view of the header alone, mapped when the store opens and fixed from then on: a
  // store that cannot be mapped fails to open rather than at the first redraw.
  void ReadHeader(TWavHeader& header) const;
  void WriteHeader(const TWavHeader& header);
  // Copy samples first..last inclusive; last is clamped to the last sample, nothing is copied
  // when last < first.
  //
  // These and CopyFrom go through the file rather than a mapping, so that the kernel fills a new
  // store's pages once instead of zeroing them first, copies between stores without passing the
  // samples through this process, and no window's pages pile up in memory. A failed read is
  // reported (ReportEvent) with its range, then thrown again.
  void ReadSamples(int16_t* dest, uint32_t first, uint32_t last) const;
  void WriteSamples(const int16_t* source, uint32_t first, uint32_t last);
  // Copies count samples of source from srcIndex on to this store from dstIndex on; within one
  // store in rising order, as sample by sample.
  void CopyFrom(const TLargeFile& source, uint32_t srcIndex, uint32_t dstIndex, int64_t count);

  // See TFileMapping::StartWriteBack.
  void StartWriteBack() { file_.StartWriteBack(); }

  uint32_t DataSize() const { return dataSize_; }
  uint32_t SampleCount() const { return dataSize_ / 2; }

 private:
  friend class TStoreWindow;

  void CopyWithin(uint32_t from, uint32_t to, int64_t count);
  void ReportReadFailure(const std::exception& error, uint32_t first, uint32_t last,
                         const int16_t* dest) const;

  TFileMapping file_;
  uint32_t dataSize_ = 0;
  uint8_t* header_ = nullptr;
};

}  // namespace quillon
