#include "document/largefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "localization/constants.h"
#include "platform/config.h"
#include "platform/error.h"
#include "platform/eventreport.h"
#include "platform/filesystem.h"
#include "platform/granularity.h"

namespace quillon {

namespace {

std::mutex contextMutex;
std::function<TStoreReportContext()> contextProvider;

TStoreReportContext CurrentReportContext() {
  std::lock_guard lock(contextMutex);
  return contextProvider ? contextProvider() : TStoreReportContext{};
}

const char* kSizeLimitText =
    "The size of the decompressed audio data exceeds the 2GB limit. The operation could not be "
    "performed and the file remained unchanged.";

void CheckSizeLimit(uint64_t size) {
  if (size > kMaxStoreFileBytes) throw Exception(kSizeLimitText);
}

bool IsDiskFull(int code) {
  return code == ENOSPC || code == EDQUOT || code == EFBIG;
}

TFileMapping OpenStoreFile(const std::string& fileName, bool createNew, uint64_t size,
                           const std::string& spaceFolder) {
  CheckSizeLimit(createNew ? size : 0);
  if (!createNew) {
    TFileMapping file = TFileMapping::OpenForReading(fileName);
    if (file.Size() < kWavHeaderSize || file.Size() > UINT32_MAX) throw EOSError(EINVAL);
    return file;
  }
  if (size < kWavHeaderSize) throw EOSError(EINVAL);
  // When the system cannot tell the free space, the block reservation still catches a full disk.
  CheckNewStoreSize(size, FreeDiskSpace(spaceFolder.empty() ? config.tempfolder : spaceFolder));
  try {
    return TFileMapping::CreateNew(fileName, size);
  } catch (const EOSError& error) {
    if (!IsDiskFull(error.Code())) throw;
    DeleteFileIfExists(fileName);
    throw Exception(ConstantText("outofmemory"));
  }
}

}  // namespace

void CheckNewStoreSize(uint64_t size, std::optional<uint64_t> freeBytes) {
  CheckSizeLimit(size);
  if (freeBytes && size > *freeBytes) throw Exception(ConstantText("outofmemory"));
}

void SetStoreReportContext(std::function<TStoreReportContext()> provider) {
  std::lock_guard lock(contextMutex);
  contextProvider = std::move(provider);
}

TLargeFile::TLargeFile(const std::string& fileName, bool createNew, uint64_t size,
                       const std::string& spaceFolder)
    : file_(OpenStoreFile(fileName, createNew, size, spaceFolder)) {
  dataSize_ = static_cast<uint32_t>(file_.Size() - kWavHeaderSize);
  MapWindow(0);
}

TLargeFile::~TLargeFile() {
  TFileMapping::UnmapView(window_, windowEnd_ - windowStart_);
}

void TLargeFile::MapWindow(uint64_t byteOffset) {
  if (window_) {
    TFileMapping::UnmapView(window_, windowEnd_ - windowStart_);
    window_ = nullptr;
    windowStart_ = windowEnd_ = 0;
  }
  uint64_t start = byteOffset - byteOffset % AllocationGranularity;
  uint64_t length = std::min<uint64_t>(file_.Size() - start, kMaxWindowBytes);
  window_ = static_cast<uint8_t*>(file_.MapView(start, length));
  windowStart_ = static_cast<uint32_t>(start);
  windowEnd_ = static_cast<uint32_t>(start + length);
}

uint8_t* TLargeFile::SampleAddress(uint32_t index) {
  uint64_t byte = kWavHeaderSize + 2ull * index;
  if (!window_ || byte >= windowEnd_ || byte < windowStart_) MapWindow(byte);
  return window_ + (byte - windowStart_);
}

int16_t TLargeFile::ReadSample(uint32_t index) {
  int16_t value;
  std::memcpy(&value, SampleAddress(index), 2);
  return value;
}

const int16_t* TLargeFile::MappedSamples(uint32_t first, uint32_t count) {
  const uint64_t begin = kWavHeaderSize + 2ull * first;
  const uint64_t end = begin + 2ull * count;
  if (count == 0 || end > kWavHeaderSize + uint64_t{dataSize_}) return nullptr;
  if (end - (begin - begin % AllocationGranularity) > kMaxWindowBytes) return nullptr;
  if (!window_ || begin < windowStart_ || end > windowEnd_) MapWindow(begin);
  // Samples sit at even offsets from a window start that is a multiple of the granularity.
  return reinterpret_cast<const int16_t*>(window_ + (begin - windowStart_));
}

void TLargeFile::WriteSample(uint32_t index, int16_t value) {
  std::memcpy(SampleAddress(index), &value, 2);
}

void TLargeFile::ReadHeader(TWavHeader& header) {
  if (!window_ || windowStart_ != 0) MapWindow(0);
  std::memcpy(header.data(), window_, kWavHeaderSize);
}

void TLargeFile::WriteHeader(const TWavHeader& header) {
  if (!window_ || windowStart_ != 0) MapWindow(0);
  std::memcpy(window_, header.data(), kWavHeaderSize);
}

void TLargeFile::ReadSamples(int16_t* dest, uint32_t first, uint32_t last) {
  if (SampleCount() == 0) return;
  last = std::min(last, SampleCount() - 1);
  if (last < first) return;
  try {
    file_.ReadAt(kWavHeaderSize + 2ull * first, dest, 2ull * (last - first + 1));
  } catch (const std::exception& error) {
    ReportReadFailure(error, first, last, first);
    throw;
  }
}

void TLargeFile::WriteSamples(const int16_t* source, uint32_t first, uint32_t last) {
  if (SampleCount() == 0) return;
  last = std::min(last, SampleCount() - 1);
  if (last < first) return;
  file_.WriteAt(kWavHeaderSize + 2ull * first, source, 2ull * (last - first + 1));
}

void TLargeFile::CopyFrom(TLargeFile& source, uint32_t srcIndex, uint32_t dstIndex, int64_t count) {
  if (count <= 0) return;
  if (&source == this) {
    // Overlapping copies within one store go sample by sample, in rising order.
    for (; count > 0; --count) WriteSample(dstIndex++, ReadSample(srcIndex++));
    return;
  }
  source.file_.CopyTo(file_, kWavHeaderSize + 2ull * srcIndex, kWavHeaderSize + 2ull * dstIndex,
                      2ull * static_cast<uint64_t>(count));
}

void TLargeFile::ReportReadFailure(const std::exception& error, uint32_t first, uint32_t last,
                                   uint32_t index) {
  TStoreReportContext context = CurrentReportContext();
  std::string text =
      std::string(error.what()) + " Start pos: " + std::to_string(first) +
      ", end pos: " + std::to_string(last) + ", filesize: " + std::to_string(dataSize_) +
      ", granularity: " + std::to_string(AllocationGranularity) +
      ", startview: " + std::to_string(windowStart_) + ", stopview: " + std::to_string(windowEnd_) +
      ", index: " + std::to_string(index) +
      ", buffer: " + std::to_string(reinterpret_cast<uintptr_t>(window_)) +
      ", busy: " + (context.busy ? "-1" : "0") + ", op: " + std::to_string(context.operation);
  ReportEvent(text);
}

}  // namespace quillon
