#pragma once

#include <taglib/tiostream.h>

#include <cstdint>

#include "codecs/id3frameguard.h"

namespace quillon {

// The most a single tag block may ask to read, and the most all reads of one file may add up
// to. A cover above kMaxCoverBytes is refused anyway; the slack lets the block around it through.
inline constexpr uint64_t kMaxTagBlockBytes = 20u << 20;
inline constexpr uint64_t kMaxTagReadBytes = 48u << 20;

// A read-only stream that hands TagLib the bytes of another, but refuses any read that would
// make it hold more than the limits above: a tag that declares a huge block, lying or not, gets
// no bytes at all, and Refused() says so. TagLib allocates what a block header declares before
// it reads, so this is where memory is bounded; for what TagLib unpacks too, each block goes
// through the guard of compressed ID3v2 frames.
class TBoundedTagStream : public TagLib::IOStream {
 public:
  explicit TBoundedTagStream(TagLib::IOStream& source) : source_(source) {}

  bool Refused() const { return refused_; }
  // Compressed ID3v2 frames refused for what they would unpack to.
  int RefusedFrames() const { return frames_.Refused(); }

  TagLib::FileName name() const override { return source_.name(); }
  TagLib::ByteVector readBlock(unsigned long length) override;
  void writeBlock(const TagLib::ByteVector&) override {}
  void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
  void removeBlock(unsigned long, unsigned long) override {}
  bool readOnly() const override { return true; }
  bool isOpen() const override { return source_.isOpen(); }
  void seek(long offset, Position p) override { source_.seek(offset, p); }
  void clear() override { source_.clear(); }
  long tell() const override { return source_.tell(); }
  long length() override { return source_.length(); }
  void truncate(long) override {}

 private:
  TagLib::IOStream& source_;
  TId3FrameGuard frames_;
  uint64_t read_ = 0;
  bool refused_ = false;
};

}  // namespace quillon
