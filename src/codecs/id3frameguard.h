#pragma once

#include <taglib/tbytevector.h>

#include <cstdint>
#include <optional>

#include "codecs/tagtext.h"

namespace quillon {

// What the compressed frames of one file's ID3v2 tags may unpack to, all together: a cover within
// its limit with the fields of its frame; of that, frames other than pictures as much as all the
// texts a document keeps. TagLib holds what it unpacked, texts at four bytes a character.
inline constexpr uint64_t kMaxInflatedBytes = kMaxCoverBytes + (64u << 10);
inline constexpr uint64_t kMaxInflatedOtherBytes = kMaxTagTextsBytes;
// The most zlib may work through, bytes in and out, to check them: frames that lie about their
// sizes cost no more than this however many there are.
inline constexpr uint64_t kMaxInflateWork = 64u << 20;

// TagLib unpacks a compressed ID3v2 frame in full, whatever size it declares, before the frame
// can be looked at: a few hundred KB of zlib data become gigabytes. The guard sees every block
// TagLib reads. In the body of an ID3v2 tag (the read right after the tag's 10-byte header, as
// TagLib makes it) it walks the frames as TagLib will, and marks as encrypted, which TagLib keeps
// as raw bytes and never unpacks, every compressed frame that declares more than is left for its
// kind, or whose zlib data unpacks to more than it declares. A chapter or table of contents
// (CHAP, CTOC), whose frames TagLib unpacks the same way, is refused whole when it is compressed
// itself or holds a compressed frame that would be refused.
class TId3FrameGuard {
 public:
  // block: the bytes just read at offset, changed in place where a frame is refused.
  void Inspect(int64_t offset, TagLib::ByteVector& block);
  // The frames refused so far.
  int Refused() const { return refused_; }

 private:
  struct TTagHeader {
    int64_t bodyOffset = 0;
    int version = 0;
    uint8_t flags = 0;
  };
  // A frame header as TagLib reads it.
  struct TFrame {
    uint32_t size = 0;
    bool compressed = false;
    bool encrypted = false;
    bool unsynchronised = false;
    bool picture = false;
    bool container = false;  // CHAP or CTOC
  };

  static std::optional<TFrame> ReadFrame(const uint8_t* view, size_t viewSize, size_t at,
                                         int version);
  void CheckBody(const TTagHeader& tag, TagLib::ByteVector& body);
  bool Allows(const uint8_t* view, size_t viewSize, size_t at, const TFrame& frame,
              const TTagHeader& tag);
  bool AllowsEmbedded(const uint8_t* view, size_t at, const TFrame& frame, const TTagHeader& tag);
  std::optional<uint64_t> InflatedSize(const uint8_t* data, size_t size, uint64_t limit);

  std::optional<TTagHeader> pending_;
  uint64_t left_ = kMaxInflatedBytes;
  uint64_t othersLeft_ = kMaxInflatedOtherBytes;
  uint64_t workLeft_ = kMaxInflateWork;
  int refused_ = 0;
};

}  // namespace quillon
