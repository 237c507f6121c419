#include "codecs/wavcopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "codecs/wavheader.h"
#include "platform/error.h"
#include "platform/faults.h"
#include "platform/filemapping.h"

namespace quillon {

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The rest of the extensible format's sub-format GUID after its first two bytes (the tag).
constexpr std::array<uint8_t, 14> kGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Declared data sizes that mean "to the end of the file".
constexpr uint32_t kSizeUnknown = 0xFFFFFFFF;
// Copied and indexed per step, so that progress moves, a stop request is soon noticed and the
// read buffer stays in cache.
constexpr uint64_t kCopyStep = uint64_t{16} << 20;
constexpr size_t kIndexStep = size_t{256} << 10;

struct TFd {
  int fd;
  ~TFd() {
    if (fd >= 0) close(fd);
  }
};

bool ReadFully(int fd, uint64_t offset, void* into, size_t bytes) {
  return pread(fd, into, bytes, static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes);
}

bool IdIs(const uint8_t* p, const char* id) {
  return std::memcmp(p, id, 4) == 0;
}

// 16-bit PCM of one or two channels, and nothing the decoder would read otherwise.
bool ReadFormat(int fd, uint64_t offset, uint32_t size, TPlainWav& wav) {
  if (size != 16 && size != 18 && size != 40) return false;
  uint8_t fmt[40];
  if (!ReadFully(fd, offset, fmt, size)) return false;
  uint16_t tag = ReadLE16(fmt);
  if (tag == kTagExtensible) {
    if (size != 40 || ReadLE16(fmt + 24) != kTagPcm ||
        std::memcmp(fmt + 26, kGuidTail.data(), kGuidTail.size()) != 0)
      return false;
  } else if (tag != kTagPcm) {
    return false;
  }
  wav.channels = ReadLE16(fmt + 2);
  wav.sampleRate = ReadLE32(fmt + 4);
  uint16_t blockAlign = ReadLE16(fmt + 12);
  uint16_t bits = ReadLE16(fmt + 14);
  return (wav.channels == 1 || wav.channels == 2) && wav.sampleRate > 0 && bits == 16 &&
         blockAlign == wav.channels * 2;
}

// Whole reads and writes, or an EOSError; a file shorter than it was is an I/O error.
void PreadAll(int fd, uint64_t offset, void* into, size_t bytes) {
  auto* at = static_cast<uint8_t*>(into);
  while (bytes > 0) {
    ssize_t n = pread(fd, at, bytes, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseLastOSError();
    if (n == 0) throw EOSError(EIO);
    at += n;
    offset += static_cast<uint64_t>(n);
    bytes -= static_cast<size_t>(n);
  }
}

void PwriteAll(int fd, uint64_t offset, const void* from, size_t bytes) {
  const auto* at = static_cast<const uint8_t*>(from);
  while (bytes > 0) {
    ssize_t n = pwrite(fd, at, bytes, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseLastOSError();
    if (n == 0) throw EOSError(ENOSPC);
    at += n;
    offset += static_cast<uint64_t>(n);
    bytes -= static_cast<size_t>(n);
  }
}

// Copies in the kernel, or through a buffer between file systems that cannot. Only the writes
// carry the program's injected faults: the source is read as the decoder would read it.
void CopyRange(int from, uint64_t fromOffset, int to, uint64_t toOffset, uint64_t bytes) {
  while (bytes > 0) {
    CheckFault(TFault::Write);
    off_t in = static_cast<off_t>(fromOffset), out = static_cast<off_t>(toOffset);
    ssize_t n = copy_file_range(from, &in, to, &out, bytes, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    fromOffset += static_cast<uint64_t>(n);
    toOffset += static_cast<uint64_t>(n);
    bytes -= static_cast<uint64_t>(n);
  }
  std::vector<uint8_t> buffer(std::min<uint64_t>(bytes, kIndexStep));
  while (bytes > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, buffer.size()));
    PreadAll(from, fromOffset, buffer.data(), n);
    PwriteAll(to, toOffset, buffer.data(), n);
    fromOffset += n;
    toOffset += n;
    bytes -= n;
  }
}

}  // namespace

std::optional<TPlainWav> ReadPlainWav(const std::string& path) {
  TFd file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat info {};
  if (file.fd < 0 || fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
  uint8_t riff[12];
  if (!ReadFully(file.fd, 0, riff, sizeof riff) || !IdIs(riff, "RIFF") || !IdIs(riff + 8, "WAVE"))
    return std::nullopt;

  TPlainWav wav;
  bool haveFormat = false;
  uint64_t at = sizeof riff;
  uint8_t chunk[8];
  // Up to the data chunk: every chunk even-sized, one format chunk, nothing of RF64 or video.
  while (true) {
    if (!ReadFully(file.fd, at, chunk, sizeof chunk)) return std::nullopt;
    uint32_t size = ReadLE32(chunk + 4);
    at += sizeof chunk;
    if (IdIs(chunk, "data")) break;
    if ((size & 1) != 0 || IdIs(chunk, "ds64") || IdIs(chunk, "SMV0")) return std::nullopt;
    if (IdIs(chunk, "fmt ")) {
      if (haveFormat || !ReadFormat(file.fd, at, size, wav)) return std::nullopt;
      haveFormat = true;
    }
    at += size;
  }
  if (!haveFormat) return std::nullopt;
  const uint32_t declared = ReadLE32(chunk + 4);
  wav.dataOffset = at;
  uint64_t present = fileSize > at ? fileSize - at : 0;
  uint64_t bytes =
      declared == 0 || declared == kSizeUnknown ? present : std::min<uint64_t>(declared, present);
  // What follows the data must not be read as more audio or another format.
  if (bytes == declared && (declared & 1) == 0) {
    // In 64 bits: a chunk that declares nearly 4 GiB must not wrap the step to nothing.
    for (uint64_t next = at + declared; ReadFully(file.fd, next, chunk, sizeof chunk);
         next += 8 + uint64_t{ReadLE32(chunk + 4)} + (ReadLE32(chunk + 4) & 1)) {
      if (IdIs(chunk, "data") || IdIs(chunk, "fmt ")) return std::nullopt;
    }
  } else if (bytes == declared) {
    return std::nullopt;
  }
  // A partial last frame is not audio to the decoder either.
  const uint64_t frameBytes = uint64_t{wav.channels} * 2;
  wav.dataBytes = bytes / frameBytes * frameBytes;
  return wav;
}

int64_t CopyPlainWav(const std::string& source, const TPlainWav& wav, const std::string& output,
                     TFilter& filter, std::atomic<int32_t>& progress, const TCancelToken& cancel) {
  const uint64_t total = wav.dataBytes;
  // Made and sized like every working copy, so that a full disk shows before the copy.
  TFileMapping::CreateNew(output, kWavHeaderSize + total);
  TFd in{open(source.c_str(), O_RDONLY | O_CLOEXEC)};
  TFd out{open(output.c_str(), O_RDWR | O_CLOEXEC)};
  if (in.fd < 0) RaiseLastOSError(source);
  if (out.fd < 0) RaiseLastOSError(output);
  // Past 4 GiB the size fields wrap, as the decoder's do; such files are refused by their size.
  TWavHeader header = MakeWavHeader(wav.channels, wav.sampleRate, static_cast<uint32_t>(total));
  CheckFault(TFault::Write);
  PwriteAll(out.fd, 0, header.data(), header.size());
  auto show = [&](uint64_t done, int base) {
    progress = base + static_cast<int32_t>(total == 0 ? 0 : done * 50 / total);
  };
  for (uint64_t done = 0; done < total; done += kCopyStep) {
    cancel.ThrowIfCancelled();
    uint64_t n = std::min(kCopyStep, total - done);
    CopyRange(in.fd, wav.dataOffset + done, out.fd, kWavHeaderSize + done, n);
    show(done + n, 0);
  }
  // One pass over the new file, still in the page cache, builds the index.
  std::vector<int16_t> samples(kIndexStep / 2);
  for (uint64_t done = 0; done < total; done += kIndexStep) {
    cancel.ThrowIfCancelled();
    size_t n = static_cast<size_t>(std::min<uint64_t>(kIndexStep, total - done));
    PreadAll(out.fd, kWavHeaderSize + done, samples.data(), n);
    filter.AddSamples(samples.data(), static_cast<int32_t>(n));
    show(done + n, 50);
  }
  return static_cast<int64_t>(total);
}

}  // namespace quillon
