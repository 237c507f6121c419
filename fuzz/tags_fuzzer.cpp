// Any bytes read as a tagged audio file give tags the document can hold, or a notice: no crash,
// no read past a buffer, never more than the bounded reads and a cover within its limit; and
// chapters that fit the audio as markers the document can hold.
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
  fuzz::Check(reading.chapters.chapters.size() <= kMaxMarkers, "too many chapters");
  constexpr int64_t kFrames = 80000;
  const TMarkerReading markers = MarkersOfChapters(reading.chapters, 8000, kFrames, "f");
  fuzz::Check(markers.notices.size() <= 7, "more than one notice a kind");
  for (size_t i = 0; i < markers.list.markers.size(); ++i) {
    const TMarker& m = markers.list.markers[i];
    fuzz::Check(m.frame >= 0 && m.frame <= kFrames, "a marker out of place");
    fuzz::Check(i == 0 || markers.list.markers[i - 1].frame <= m.frame, "markers out of order");
    CheckText(m.name);
  }
  for (const TRegion& r : markers.list.regions) {
    fuzz::Check(r.start >= 0 && r.start < r.end && r.end <= kFrames, "a region out of place");
    CheckText(r.name);
  }
  std::vector<std::string> notices = reading.notices;
  std::sort(notices.begin(), notices.end());
  fuzz::Check(std::adjacent_find(notices.begin(), notices.end()) == notices.end(),
              "one notice twice for one file");
  return 0;
}
