#include "codecs/id3frameguard.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace quillon {

namespace {

constexpr size_t kHeaderBytes = 10;
// The declared size that a compressed frame's data starts with.
constexpr size_t kDeclaredBytes = 4;

// Tag header flags.
constexpr uint8_t kTagUnsynchronised = 0x80;
constexpr uint8_t kTagExtendedHeader = 0x40;

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// A syncsafe number as TagLib reads it: a byte with its top bit set makes it a plain one.
uint32_t TagLibSyncsafe(const uint8_t* p) {
  uint32_t sum = 0;
  for (int i = 0; i < 4; ++i) {
    if (p[i] & 0x80) return BigEndian32(p);
    sum = sum << 7 | p[i];
  }
  return sum;
}

bool IsIdChar(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsFrameId(const uint8_t* view, size_t viewSize, uint64_t at) {
  if (at + 4 > viewSize) return false;
  return std::all_of(view + at, view + at + 4, IsIdChar);
}

// Undoes unsynchronisation: every 0xFF 0x00 loses its 0x00.
std::vector<uint8_t> Resynchronised(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  out.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(data[i]);
    if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0x00) ++i;
  }
  return out;
}

}  // namespace

// The frame at `at` as TagLib takes it; none where TagLib stops walking the tag.
std::optional<TId3FrameGuard::TFrame> TId3FrameGuard::ReadFrame(const uint8_t* view,
                                                                size_t viewSize, size_t at,
                                                                int version) {
  if (viewSize - at < kHeaderBytes) return std::nullopt;
  const uint8_t* p = view + at;
  TFrame frame;
  bool lengthIndicator = false;
  if (version == 3) {
    frame.size = BigEndian32(p + 4);
    frame.compressed = p[9] & 0x80;
    frame.encrypted = p[9] & 0x40;
  } else {
    frame.size = TagLibSyncsafe(p + 4);
    // TagLib's allowance for tags that give v2.4 frames v2.3 sizes.
    if (frame.size > 127 && !IsFrameId(view, viewSize, at + uint64_t{frame.size} + kHeaderBytes)) {
      const uint32_t plain = BigEndian32(p + 4);
      if (IsFrameId(view, viewSize, at + uint64_t{plain} + kHeaderBytes)) frame.size = plain;
    }
    frame.compressed = p[9] & 0x08;
    frame.encrypted = p[9] & 0x04;
    frame.unsynchronised = p[9] & 0x02;
    lengthIndicator = p[9] & 0x01;
  }
  if (frame.size <= (lengthIndicator ? 4u : 0u) || frame.size > viewSize - at) return std::nullopt;
  // v2.3 tags that hold v2.2 frames end their three-letter names with a NUL.
  const size_t idChars = version == 3 && p[3] == 0 ? 3 : 4;
  if (!std::all_of(p, p + idChars, IsIdChar)) return std::nullopt;
  frame.picture = std::memcmp(p, "APIC", 4) == 0 || (idChars == 3 && std::memcmp(p, "PIC", 3) == 0);
  frame.container = std::memcmp(p, "CHAP", 4) == 0 || std::memcmp(p, "CTOC", 4) == 0;
  return frame;
}

void TId3FrameGuard::Inspect(int64_t offset, TagLib::ByteVector& block) {
  const std::optional<TTagHeader> tag = pending_;
  pending_.reset();
  if (tag && offset == tag->bodyOffset) return CheckBody(*tag, block);
  const auto* p = reinterpret_cast<const uint8_t*>(block.data());
  if (block.size() < kHeaderBytes || std::memcmp(p, "ID3", 3) != 0) return;
  // TagLib reads no body for a size that is not syncsafe; v2.2 frames cannot be compressed.
  if ((p[6] | p[7] | p[8] | p[9]) & 0x80 || p[3] < 3) return;
  pending_ = TTagHeader{offset + static_cast<int64_t>(kHeaderBytes), p[3] == 3 ? 3 : 4, p[5]};
}

void TId3FrameGuard::CheckBody(const TTagHeader& tag, TagLib::ByteVector& body) {
  auto* raw = reinterpret_cast<uint8_t*>(body.data());
  // TagLib walks a v2.3 tag after undoing its unsynchronisation as a whole, v2.4 frame by frame.
  const bool whole = tag.version == 3 && (tag.flags & kTagUnsynchronised);
  std::vector<uint8_t> decoded;
  if (whole) decoded = Resynchronised(raw, body.size());
  const uint8_t* view = whole ? decoded.data() : raw;
  const size_t viewSize = whole ? decoded.size() : body.size();
  size_t at = 0;
  if ((tag.flags & kTagExtendedHeader) && viewSize >= 4) {
    const uint32_t extended = TagLibSyncsafe(view);
    if (extended <= viewSize) at = extended;
  }
  // Walked past the end TagLib gives the frames (before a footer) too: a frame it never takes is
  // no harm, one it takes and the walk missed would be.
  while (at + kHeaderBytes <= viewSize && view[at] != 0) {
    const std::optional<TFrame> frame = ReadFrame(view, viewSize, at, tag.version);
    if (!frame) return;
    const bool refused =
        !frame->encrypted &&
        (frame->container ? frame->compressed || !AllowsEmbedded(view, at, *frame, tag)
                          : frame->compressed && !Allows(view, viewSize, at, *frame, tag));
    if (refused) {
      ++refused_;
      // Positions in the decoded tag are not those of its bytes: the whole tag goes.
      if (whole) {
        std::fill(raw, raw + body.size(), 0);
        return;
      }
      raw[at + 9] |= tag.version == 3 ? 0x40 : 0x04;
    }
    at += uint64_t{frame->size} + kHeaderBytes;
  }
}

bool TId3FrameGuard::Allows(const uint8_t* view, size_t viewSize, size_t at, const TFrame& frame,
                            const TTagHeader& tag) {
  // TagLib unpacks from after the declared size to the end of the tag, or of the frame when it
  // undoes the frame's unsynchronisation first.
  if (viewSize - at <= kHeaderBytes + kDeclaredBytes) return true;
  const uint8_t* p = view + at;
  const uint32_t declared =
      tag.version == 3 ? BigEndian32(p + kHeaderBytes) : TagLibSyncsafe(p + kHeaderBytes);
  if (declared > left_ || (!frame.picture && declared > othersLeft_)) return false;
  std::optional<uint64_t> inflated;
  if (tag.version > 3 && ((tag.flags & kTagUnsynchronised) || frame.unsynchronised)) {
    const std::vector<uint8_t> data = Resynchronised(p + kHeaderBytes, frame.size);
    if (data.size() <= kDeclaredBytes) return true;
    inflated = InflatedSize(data.data() + kDeclaredBytes, data.size() - kDeclaredBytes, declared);
  } else {
    const size_t start = at + kHeaderBytes + kDeclaredBytes;
    inflated = InflatedSize(view + start, viewSize - start, declared);
  }
  if (!inflated) return false;
  left_ -= *inflated;
  if (!frame.picture) othersLeft_ -= *inflated;
  return true;
}

// The frames a chapter or table of contents holds lie after fields of its own that TagLib reads
// as it likes: every place in its body where a compressed frame could start is checked, nested
// chapters' included.
bool TId3FrameGuard::AllowsEmbedded(const uint8_t* view, size_t at, const TFrame& frame,
                                    const TTagHeader& tag) {
  const uint8_t* body = view + at + kHeaderBytes;
  size_t size = frame.size;
  std::vector<uint8_t> decoded;
  if (tag.version > 3 && ((tag.flags & kTagUnsynchronised) || frame.unsynchronised)) {
    decoded = Resynchronised(body, size);
    body = decoded.data();
    size = decoded.size();
  }
  for (size_t i = 0; i + kHeaderBytes <= size; ++i) {
    if (!IsFrameId(body, size, i)) continue;
    const std::optional<TFrame> inner = ReadFrame(body, size, i, tag.version);
    if (!inner || inner->encrypted) continue;
    // The bytes of a chapter within are checked here too, unless they are packed or shifted.
    if (inner->container && (inner->compressed || inner->unsynchronised)) return false;
    if (!inner->container && inner->compressed && !Allows(body, size, i, *inner, tag)) return false;
  }
  return true;
}

// What zlib unpacks data to, up to its stream's end or first fault, as TagLib's unpacking goes;
// none when that is above limit or the work left runs out first.
std::optional<uint64_t> TId3FrameGuard::InflatedSize(const uint8_t* data, size_t size,
                                                     uint64_t limit) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  std::array<Bytef, 1 << 16> scratch;
  uint64_t produced = 0;
  std::optional<uint64_t> result;
  size_t fed = 0;
  for (;;) {
    if (stream.avail_in == 0 && fed < size) {
      const size_t chunk = std::min<size_t>(size - fed, 1u << 20);
      stream.next_in = const_cast<Bytef*>(data + fed);
      stream.avail_in = static_cast<uInt>(chunk);
      fed += chunk;
    }
    stream.next_out = scratch.data();
    stream.avail_out = static_cast<uInt>(scratch.size());
    const uInt before = stream.avail_in;
    const int code = inflate(&stream, Z_NO_FLUSH);
    const uint64_t out = scratch.size() - stream.avail_out, in = before - stream.avail_in;
    produced += out;
    if (produced > limit || in + out > workLeft_) {
      workLeft_ -= std::min(workLeft_, in + out);
      break;
    }
    workLeft_ -= in + out;
    const bool stuck = out == 0 && in == 0;
    if (code != Z_OK || stuck) {
      result = produced;
      break;
    }
  }
  inflateEnd(&stream);
  return result;
}

}  // namespace quillon
