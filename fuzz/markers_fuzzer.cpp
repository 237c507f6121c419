// Any bytes read as a WAV's marker chunks, as a label file, as a CUE sheet and as the lines of a
// Vorbis comment's chapters give markers the document can hold, each list sorted and inside the
// audio, with notices bounded by what was read; and what we write of them reads back the same.
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "codecs/chapters.h"
#include "codecs/cuesheet.h"
#include "codecs/labelfile.h"
#include "codecs/tagtext.h"
#include "codecs/wavheader.h"
#include "codecs/wavmarkers.h"
#include "codecs/xiphchapters.h"
#include "fuzz_support.h"

using namespace quillon;

namespace {

constexpr uint32_t kRate = 8000;
constexpr int64_t kFrames = 80000;

void CheckName(const std::string& name) {
  fuzz::Check(name.size() <= kMaxTagTextBytes && name.find('\0') == std::string::npos,
              "a name the document cannot hold");
}

void CheckList(const TMarkerList& list) {
  fuzz::Check(list.markers.size() + list.regions.size() <= 2 * kMaxMarkers, "too many markers");
  int64_t previous = 0;
  for (const TMarker& m : list.markers) {
    fuzz::Check(m.frame >= previous && m.frame <= kFrames, "a marker out of order or place");
    CheckName(m.name);
    previous = m.frame;
  }
  for (size_t i = 0; i < list.regions.size(); ++i) {
    const TRegion& r = list.regions[i];
    fuzz::Check(r.start >= 0 && r.start < r.end && r.end <= kFrames, "a region out of place");
    fuzz::Check(i == 0 || !RegionBefore(r, list.regions[i - 1]), "regions out of order");
    CheckName(r.name);
  }
}

// Names as the label file writes them: on one line.
TMarkerList OnOneLine(TMarkerList list) {
  for (TMarker& m : list.markers) m.name = OneLineName(m.name);
  for (TRegion& r : list.regions) r.name = OneLineName(r.name);
  return list;
}

void CheckWav(const uint8_t* data, size_t size) {
  const TMarkerReading reading = ReadWavMarkersFrom(data, size, kFrames);
  CheckList(reading.list);
  fuzz::Check(reading.notices.size() <= 4, "more than one notice a kind");
  // Written after a header of our own, they read back as they were.
  const TWavHeader header = MakeWavHeader(1, kRate, 2);
  std::vector<uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), {0, 0});
  const std::vector<uint8_t> chunks = MakeWavMarkerChunks(reading.list);
  file.insert(file.end(), chunks.begin(), chunks.end());
  const TMarkerReading again = ReadWavMarkersFrom(file.data(), file.size(), kFrames);
  fuzz::Check(again.list == reading.list && again.notices.empty(), "a WAV round trip changed");
}

void CheckText(std::string_view text) {
  const size_t lines = std::count(text.begin(), text.end(), '\n') + 1;
  const TMarkerReading labels = ParseLabelText(text, kRate, kFrames, "l.txt");
  CheckList(labels.list);
  fuzz::Check(labels.notices.size() <= lines, "more than one notice a line");
  const TMarkerReading back =
      ParseLabelText(FormatLabelText(labels.list, kRate), kRate, kFrames, "l.txt");
  fuzz::Check(back.list == OnOneLine(labels.list) && back.notices.empty(),
              "a label file round trip changed");
  const TMarkerReading cues = ParseCueSheet(text, kRate, kFrames, "s.cue");
  CheckList(cues.list);
  fuzz::Check(cues.list.regions.empty(), "a region from a CUE sheet");
  fuzz::Check(cues.notices.size() <= lines + 1, "more than one notice a line");
  const TMarkerReading sheet =
      ParseCueSheet(FormatCueSheet(cues.list, kRate, "a.wav", {}), kRate, kFrames, "s.cue");
  fuzz::Check(sheet.list.markers.size() == cues.list.markers.size() && sheet.notices.empty(),
              "a CUE sheet round trip lost a track");
}

// Each line KEY=VALUE, the key as TagLib gives it.
void CheckChapters(std::string_view text) {
  std::vector<std::string> keys;
  std::vector<TXiphField> fields;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    const size_t equals = std::min(line.find('='), line.size());
    std::string key(line.substr(0, equals));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    keys.push_back(std::move(key));
    fields.push_back({{}, line.substr(std::min(equals + 1, line.size()))});
    at = end + 1;
  }
  for (size_t i = 0; i < fields.size(); ++i) fields[i].key = keys[i];
  // Milliseconds are frames: what is read is written and read back exactly.
  const TMarkerReading reading = MarkersOfChapters(XiphChaptersOf(fields), 1000, kFrames, "f");
  CheckList(reading.list);
  fuzz::Check(reading.notices.size() <= 7, "more than one notice a kind");
  TagLib::Ogg::XiphComment comment;
  PutXiphChapters(comment, ChaptersOf(reading.list, 1000));
  const TMarkerReading again = MarkersOfChapters(XiphChaptersOf(comment), 1000, kFrames, "f");
  fuzz::Check(again.list == reading.list && again.notices.empty(),
              "a Vorbis comment round trip changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckWav(data, size);
  CheckText(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckChapters(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
