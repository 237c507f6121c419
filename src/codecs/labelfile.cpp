#include "codecs/labelfile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "codecs/markerfile.h"

namespace quillon {

namespace {

// Seconds as written, with a decimal point or, as some locales write it, a comma.
std::optional<double> ParseSeconds(std::string_view field) {
  std::string text(field);
  for (char& c : text)
    if (c == ',') c = '.';
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  double seconds = 0;
  auto [stop, error] = std::from_chars(begin, end, seconds);
  if (error != std::errc() || stop != end || !std::isfinite(seconds) || seconds < 0)
    return std::nullopt;
  return seconds;
}

std::vector<std::string_view> SplitTabs(std::string_view line, size_t most) {
  std::vector<std::string_view> fields;
  while (fields.size() + 1 < most) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) break;
    fields.push_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  fields.push_back(line);
  return fields;
}

// A line's fields: start, then end (the start when it is missing), then the name.
struct TLabelLine {
  double start = 0;
  double end = 0;
  std::string name;
};

std::optional<TLabelLine> ParseLabelLine(std::string_view line) {
  const std::vector<std::string_view> fields = SplitTabs(line, 3);
  auto start = ParseSeconds(fields[0]);
  auto end = fields.size() > 1 ? ParseSeconds(fields[1]) : start;
  if (!start || !end || *end < *start) return std::nullopt;
  return TLabelLine{*start, *end, fields.size() > 2 ? MarkerName(fields[2]) : std::string()};
}

std::string Seconds(int64_t frame, uint32_t sampleRate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f",
                sampleRate ? static_cast<double>(frame) / sampleRate : 0.0);
  return text;
}

}  // namespace

TMarkerReading ParseLabelText(std::string_view text, uint32_t sampleRate, int64_t frameCount,
                              const std::string& shownName) {
  TMarkerReading reading;
  size_t number = 0, kept = 0;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '\\') continue;
    if (kept == kMaxMarkers) {
      reading.notices.push_back(TooManyMarkersNotice(shownName));
      break;
    }
    std::optional<TLabelLine> label = ParseLabelLine(line);
    if (!label || sampleRate == 0) {
      reading.notices.push_back(MarkerLineNotice(number, shownName));
      continue;
    }
    // In frames as doubles first: seconds far past the end must not overflow a frame number.
    const double last = static_cast<double>(frameCount);
    const int64_t start = std::llround(std::min(label->start * sampleRate, last + 1));
    const int64_t end = std::llround(std::min(label->end * sampleRate, last));
    if (start > frameCount) {
      reading.notices.push_back(MarkerLineNotice(number, shownName, true));
      continue;
    }
    if (end <= start)
      reading.list.AddMarker({start, std::move(label->name)});
    else
      reading.list.AddRegion({start, end, std::move(label->name)});
    ++kept;
  }
  return reading;
}

std::string FormatLabelText(const TMarkerList& list, uint32_t sampleRate) {
  // Markers and regions merged by their start, as the lines of one label track.
  std::string text;
  auto line = [&](int64_t start, int64_t end, const std::string& name) {
    text += Seconds(start, sampleRate) + "\t" + Seconds(end, sampleRate) + "\t" +
            OneLineName(name) + "\n";
  };
  auto region = list.regions.begin();
  for (const TMarker& marker : list.markers) {
    for (; region != list.regions.end() && region->start < marker.frame; ++region)
      line(region->start, region->end, region->name);
    line(marker.frame, marker.frame, marker.name);
  }
  for (; region != list.regions.end(); ++region) line(region->start, region->end, region->name);
  return text;
}

}  // namespace quillon
