#include "codecs/tagstream.h"

#include <algorithm>

namespace quillon {

TagLib::ByteVector TBoundedTagStream::readBlock(unsigned long length) {
  // What is left of the stream is all a read can give; asking for more is no reason to refuse.
  const long here = source_.tell(), size = source_.length();
  const uint64_t left = here >= 0 && size > here ? static_cast<uint64_t>(size - here) : 0;
  const uint64_t wanted = std::min<uint64_t>(length, left);
  if (length > kMaxTagBlockBytes || read_ + wanted > kMaxTagReadBytes) {
    refused_ = true;
    return {};
  }
  read_ += wanted;
  TagLib::ByteVector block = source_.readBlock(static_cast<unsigned long>(wanted));
  frames_.Inspect(here, block);
  return block;
}

}  // namespace quillon
