#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A named place in the audio: the point before frame `frame` (0 is the start, the frame count
// the end).
struct TMarker {
  int64_t frame = 0;
  std::string name;

  bool operator==(const TMarker&) const = default;
};

// A named span of the audio: frames start to end - 1, never empty.
struct TRegion {
  int64_t start = 0;
  int64_t end = 0;
  std::string name;

  bool operator==(const TRegion&) const = default;
};

// The markers and regions of one state of the document. Both lists stay sorted, markers by
// frame and regions by start, then end, so that an edit finds the ones it moves by binary
// search and moves them in one pass.
struct TMarkerList {
  std::vector<TMarker> markers;
  std::vector<TRegion> regions;

  bool Empty() const { return markers.empty() && regions.empty(); }
  // Adds at its place, after any at the same position. A region with end <= start is left out.
  void AddMarker(TMarker marker);
  void AddRegion(TRegion region);
  bool operator==(const TMarkerList&) const = default;
};

// The order of the region list.
bool RegionBefore(const TRegion& a, const TRegion& b);

// What a file's markers gave, and a status line for each problem on the way; what could be kept
// is kept.
struct TMarkerReading {
  TMarkerList list;
  std::vector<std::string> notices;
  // False when the file itself could not be read (its notice says so).
  bool fileRead = true;
};

// No file of markers is read beyond this many; the rest is a notice.
inline constexpr size_t kMaxMarkers = 1000000;

// A name read from a file: UTF-8, or else Latin-1 as older programs wrote it, made fit for the
// document as tag texts are (no NULs or control characters but line breaks and tabs, bounded).
std::string MarkerName(std::string_view bytes);
// A name as one line of text: line breaks and tabs become spaces.
std::string OneLineName(const std::string& name);

}  // namespace quillon
