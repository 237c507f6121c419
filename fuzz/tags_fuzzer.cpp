// Any bytes read as a tagged audio file give tags the document can hold, or a notice: no crash,
// no read past a buffer, never more than the bounded reads and a cover within its limit.
#include <taglib/tbytevector.h>
#include <taglib/tbytevectorstream.h>

#include <algorithm>

#include "codecs/tagreader.h"
#include "codecs/tagtext.h"
#include "fuzz_support.h"

using namespace quillon;

namespace {

void CheckText(const std::string& text) {
  fuzz::Check(text.size() <= kMaxTagTextBytes, "a text above the limit");
  fuzz::Check(text.find('\0') == std::string::npos, "a NUL in a text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TagLib::ByteVector bytes(reinterpret_cast<const char*>(data), static_cast<unsigned int>(size));
  TagLib::ByteVectorStream stream(bytes);
  const TTagReading reading = ReadTagsFrom(stream);
  const TTags& tags = reading.tags;
  size_t total = 0;
  for (auto field : kTagFields)
    for (const std::string& text : (tags.*field).All()) {
      CheckText(text);
      fuzz::Check(!text.empty(), "an empty value");
      total += text.size();
    }
  fuzz::Check(total <= kMaxTagTextsBytes, "texts above the limit of all");
  if (tags.cover) {
    fuzz::Check(!tags.cover->data.empty(), "an empty cover");
    fuzz::Check(tags.cover->data.size() <= kMaxCoverBytes, "a cover above the limit");
    fuzz::Check(!tags.cover->mimeType.empty(), "a cover without a type");
  }
  std::vector<std::string> notices = reading.notices;
  std::sort(notices.begin(), notices.end());
  fuzz::Check(std::adjacent_find(notices.begin(), notices.end()) == notices.end(),
              "one notice twice for one file");
  return 0;
}
