#include "document/largefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

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

void CheckSizeLimit(uint64_t size) {
  if (size > kMaxStoreFileBytes) throw Exception(ConstantText("storetoolarge"));
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

TWindowRange WindowAround(uint64_t byte, uint64_t fileSize) {
  uint64_t start = byte - byte % AllocationGranularity;
  return {start, start + std::min<uint64_t>(fileSize - start, kMaxWindowBytes)};
}

TLargeFile::TLargeFile(const std::string& fileName, bool createNew, uint64_t size,
                       const std::string& spaceFolder)
    : file_(OpenStoreFile(fileName, createNew, size, spaceFolder)),
      dataSize_(static_cast<uint32_t>(file_.Size() - kWavHeaderSize)),
      header_(static_cast<uint8_t*>(file_.MapView(0, kWavHeaderSize))) {}

TLargeFile::~TLargeFile() {
  TFileMapping::UnmapView(header_, kWavHeaderSize);
}

void TLargeFile::ReadHeader(TWavHeader& header) const {
  std::memcpy(header.data(), header_, kWavHeaderSize);
}

void TLargeFile::WriteHeader(const TWavHeader& header) {
  std::memcpy(header_, header.data(), kWavHeaderSize);
}

void TLargeFile::ReadSamples(int16_t* dest, uint32_t first, uint32_t last) const {
  if (SampleCount() == 0) return;
  last = std::min(last, SampleCount() - 1);
  if (last < first) return;
  try {
    file_.ReadAt(kWavHeaderSize + 2ull * first, dest, 2ull * (last - first + 1));
  } catch (const std::exception& error) {
    ReportReadFailure(error, first, last, dest);
    throw;
  }
}

void TLargeFile::WriteSamples(const int16_t* source, uint32_t first, uint32_t last) {
  if (SampleCount() == 0) return;
  last = std::min(last, SampleCount() - 1);
  if (last < first) return;
  file_.WriteAt(kWavHeaderSize + 2ull * first, source, 2ull * (last - first + 1));
}

void TLargeFile::CopyFrom(const TLargeFile& source, uint32_t srcIndex, uint32_t dstIndex,
                          int64_t count) {
  if (count <= 0) return;
  if (&source == this) return CopyWithin(srcIndex, dstIndex, count);
  source.file_.CopyTo(file_, kWavHeaderSize + 2ull * srcIndex, kWavHeaderSize + 2ull * dstIndex,
                      2ull * static_cast<uint64_t>(count));
}

void TLargeFile::CopyWithin(uint32_t from, uint32_t to, int64_t count) {
  // A piece is never longer than the distance from a lower source to its target, so that it
  // reads what the pieces before it wrote, as a copy sample by sample in rising order does.
  uint64_t piece = 1 << 16;
  if (to > from) piece = std::min<uint64_t>(piece, to - from);
  std::vector<int16_t> buffer(std::min<uint64_t>(piece, static_cast<uint64_t>(count)));
  while (count > 0) {
    uint64_t n = std::min<uint64_t>(buffer.size(), static_cast<uint64_t>(count));
    file_.ReadAt(kWavHeaderSize + 2ull * from, buffer.data(), 2 * n);
    file_.WriteAt(kWavHeaderSize + 2ull * to, buffer.data(), 2 * n);
    from += static_cast<uint32_t>(n);
    to += static_cast<uint32_t>(n);
    count -= static_cast<int64_t>(n);
  }
}

void TLargeFile::ReportReadFailure(const std::exception& error, uint32_t first, uint32_t last,
                                   const int16_t* dest) const {
  // The report names the read alone: the window a mapping of its first sample would take, and
  // the buffer it filled. Any thread may be reading; the main thread's window is not its to read.
  TStoreReportContext context = CurrentReportContext();
  TWindowRange view = WindowAround(kWavHeaderSize + 2ull * first, file_.Size());
  std::string text =
      std::string(error.what()) + " Start pos: " + std::to_string(first) +
      ", end pos: " + std::to_string(last) + ", filesize: " + std::to_string(dataSize_) +
      ", granularity: " + std::to_string(AllocationGranularity) +
      ", startview: " + std::to_string(view.start) + ", stopview: " + std::to_string(view.end) +
      ", index: " + std::to_string(first) +
      ", buffer: " + std::to_string(reinterpret_cast<uintptr_t>(dest)) +
      ", busy: " + (context.busy ? "-1" : "0") + ", op: " + std::to_string(context.operation);
  ReportEvent(text);
}

}  // namespace quillon
