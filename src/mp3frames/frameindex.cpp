#include "mp3frames/frameindex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

// A decoder drops this many samples of its own filter delay besides the encoder's.
constexpr uint32_t kDecoderDelay = 529;
// Far above any real file (about 900 hours at 48 kHz); a bigger index is not built.
constexpr size_t kMaxFrames = size_t{1} << 27;
constexpr uint32_t kId3v1Bytes = 128;

uint32_t SyncSafe(const uint8_t* p) {
  return uint32_t{p[0] & 0x7Fu} << 21 | uint32_t{p[1] & 0x7Fu} << 14 | uint32_t{p[2] & 0x7Fu} << 7 |
         (p[3] & 0x7Fu);
}

}  // namespace

TMp3Source::TMp3Source(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    Refuse("mp3unreadable");
    return;
  }
  fileBytes_ = static_cast<uint64_t>(info.st_size);
  Index();
  const int64_t modifiedNs = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
  identity_ = IdentifySource(path, fileBytes_, modifiedNs, frames_);
}

TMp3Source::~TMp3Source() {
  if (fd_ >= 0) ::close(fd_);
}

void TMp3Source::Refuse(const char* key) {
  if (refusal_.empty()) refusal_ = key;
  frames_.clear();
  frames_.shrink_to_fit();
}

bool TMp3Source::Read(uint64_t offset, uint8_t* out, size_t count) const {
  if (fd_ < 0 || offset > fileBytes_ || count > fileBytes_ - offset) return false;
  while (count > 0) {
    const ssize_t got = ::pread(fd_, out, count, static_cast<off_t>(offset));
    if (got <= 0) return false;
    out += got;
    offset += static_cast<uint64_t>(got);
    count -= static_cast<size_t>(got);
  }
  return true;
}

bool TMp3Source::ReadFrame(size_t index, std::vector<uint8_t>& out) const {
  if (index >= frames_.size()) return false;
  out.resize(frames_[index].bytes);
  return Read(frames_[index].offset, out.data(), out.size());
}

void TMp3Source::Index() {
  uint64_t at = 0;
  uint8_t head[10];
  // An ID3v2 tag in front; anything else before the first frame is junk.
  if (Read(0, head, 10) && std::memcmp(head, "ID3", 3) == 0) {
    at = 10 + uint64_t{SyncSafe(head + 6)} + ((head[5] & 0x10) ? 10 : 0);
  }
  uint64_t end = fileBytes_;
  uint8_t tail[kId3v1Bytes];
  if (end >= at + kId3v1Bytes && Read(end - kId3v1Bytes, tail, 3) &&
      std::memcmp(tail, "TAG", 3) == 0)
    end -= kId3v1Bytes;
  // Frames are read through a window, so that an hour of audio costs no more memory than a second.
  constexpr size_t kWindow = size_t{1} << 20;
  std::vector<uint8_t> window;
  uint64_t windowAt = 0;
  auto bytesAt = [&](uint64_t offset, size_t count) -> const uint8_t* {
    if (offset + count > end) return nullptr;
    if (offset < windowAt || offset + count > windowAt + window.size()) {
      windowAt = offset;
      window.resize(static_cast<size_t>(std::min<uint64_t>(kWindow, end - offset)));
      if (!Read(offset, window.data(), window.size())) return nullptr;
    }
    return window.data() + (offset - windowAt);
  };
  bool first = true;
  std::optional<uint32_t> tagFrames;
  uint32_t tagPadding = 0;
  while (at < end) {
    const uint8_t* bytes = bytesAt(at, 4);
    if (!bytes) return Refuse("mp3brokenframe");
    std::optional<TMp3Header> header = ParseMp3Header(bytes, 4);
    if (!header) {
      if (bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0) {
        // A frame header, but not one we copy.
        if ((bytes[2] >> 4) == 0) return Refuse("mp3freeformat");
        if (((bytes[1] >> 3) & 3) == 0) return Refuse("mp3mpeg25");
        return Refuse("mp3brokenframe");
      }
      return Refuse("mp3junk");
    }
    if (header->version == TMpegVersion::Mpeg25) return Refuse("mp3mpeg25");
    const uint8_t* frame = bytesAt(at, header->frameBytes);
    if (!frame) return Refuse("mp3brokenframe");
    if (first) {
      first = false;
      format_ = *header;
      if (IsVbriFrame(*header, frame, header->frameBytes)) return Refuse("mp3badlametag");
      if (std::optional<TXingTag> tag = ParseXingTag(*header, frame, header->frameBytes)) {
        vbr_ = tag->vbr;
        if (tag->lame) skip_ = tag->delay + kDecoderDelay;
        // Checked against the frames found once they are all read.
        tagFrames = tag->frames;
        if (tag->lame) tagPadding = tag->padding;
        at += header->frameBytes;
        continue;
      }
    }
    if (header->version != format_.version || header->rateIndex != format_.rateIndex ||
        header->Channels() != format_.Channels())
      return Refuse("mp3junk");
    std::optional<TSideInfo> side = ParseSideInfo(*header, frame, header->frameBytes);
    if (!side) return Refuse("mp3brokenframe");
    if (frames_.size() >= kMaxFrames) return Refuse("mp3brokenframe");
    if (frames_.empty()) format_ = *header;
    if (header->bitrateIndex != format_.bitrateIndex) vbr_ = true;
    frames_.push_back({at, header->frameBytes, static_cast<uint16_t>(side->mainDataBegin),
                       static_cast<uint16_t>(std::min<uint32_t>(side->mainDataBytes, UINT16_MAX)),
                       header->bitrateIndex, header->padding});
    at += header->frameBytes;
  }
  if (frames_.empty()) return Refuse("mp3brokenframe");
  // What a gapless decoder gives: every frame's samples less the skip at the start and the
  // padding at the end beyond the decoder's own delay. A tag whose count or delay and padding
  // do not fit the frames found is not true.
  const uint64_t raw = uint64_t{frames_.size()} * format_.SamplesPerFrame();
  if (tagFrames && *tagFrames != frames_.size()) return Refuse("mp3badlametag");
  const uint64_t trimmed = skip_ + (tagPadding > kDecoderDelay ? tagPadding - kDecoderDelay : 0);
  if (trimmed >= raw) return Refuse("mp3badlametag");
  decodedLength_ = raw - trimmed;
  // The first frame's reservoir must lie in the file: a stream that starts mid-way is cut.
  if (frames_.front().mainDataBegin != 0) return Refuse("mp3brokenframe");
}

}  // namespace quillon
