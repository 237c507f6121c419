#include "codecs/wavcopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "codecs/wavheader.h"
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
  TFileMapping out = TFileMapping::CreateNew(output, kWavHeaderSize + total);
  TFileMapping in = TFileMapping::OpenForReading(source);
  // Past 4 GiB the size fields wrap, as the decoder's do; such files are refused by their size.
  TWavHeader header = MakeWavHeader(wav.channels, wav.sampleRate, static_cast<uint32_t>(total));
  out.WriteAt(0, header.data(), header.size());
  auto show = [&](uint64_t done, int base) {
    progress = base + static_cast<int32_t>(total == 0 ? 0 : done * 50 / total);
  };
  for (uint64_t done = 0; done < total; done += kCopyStep) {
    cancel.ThrowIfCancelled();
    uint64_t n = std::min(kCopyStep, total - done);
    in.CopyTo(out, wav.dataOffset + done, kWavHeaderSize + done, n);
    show(done + n, 0);
  }
  // One pass over the new file, still in the page cache, builds the index.
  std::vector<int16_t> samples(kIndexStep / 2);
  for (uint64_t done = 0; done < total; done += kIndexStep) {
    cancel.ThrowIfCancelled();
    size_t n = static_cast<size_t>(std::min<uint64_t>(kIndexStep, total - done));
    out.ReadAt(kWavHeaderSize + done, samples.data(), n);
    filter.AddSamples(samples.data(), static_cast<int32_t>(n));
    show(done + n, 50);
  }
  return static_cast<int64_t>(total);
}

}  // namespace quillon
