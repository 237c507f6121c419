#include "codecs/cuesheet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

#include "codecs/markerfile.h"

namespace quillon {

namespace {

constexpr int64_t kCdFramesPerSecond = 75;

std::string_view TrimmedStart(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// The first word of text, taken off it.
std::string_view NextWord(std::string_view& text) {
  text = TrimmedStart(text);
  const size_t end = std::min(text.find_first_of(" \t"), text.size());
  std::string_view word = text.substr(0, end);
  text = TrimmedStart(text.substr(end));
  return word;
}

std::string Upper(std::string_view word) {
  std::string upper(word);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// A TITLE's text: in quotes, or the rest of the line.
std::string QuotedText(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = text.substr(1, text.size() - 2);
  return MarkerName(text);
}

std::optional<int64_t> Digits(std::string_view text, size_t most) {
  int64_t value = 0;
  if (text.empty() || text.size() > most) return std::nullopt;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// mm:ss:ff in CD frames.
std::optional<int64_t> ParseCueTime(std::string_view text) {
  const size_t first = text.find(':'), second = text.find(':', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return std::nullopt;
  auto minutes = Digits(text.substr(0, first), 6);
  auto seconds = Digits(text.substr(first + 1, second - first - 1), 2);
  auto frames = Digits(text.substr(second + 1), 2);
  if (!minutes || !seconds || !frames || *seconds >= 60 || *frames >= kCdFramesPerSecond)
    return std::nullopt;
  return (*minutes * 60 + *seconds) * kCdFramesPerSecond + *frames;
}

// A track being read: where it began and what it has given so far.
struct TCueTrack {
  size_t line = 0;
  std::string title;
  std::optional<int64_t> frame;
  // A line of it was named already: one notice a track.
  bool named = false;
};

class TCueReader {
 public:
  TCueReader(uint32_t sampleRate, int64_t frameCount, const std::string& shownName)
      : sampleRate_(sampleRate), frameCount_(frameCount), shownName_(shownName) {}

  // False once the rest of the sheet is of no use.
  bool Line(size_t number, std::string_view line) {
    const std::string keyword = Upper(NextWord(line));
    if (keyword.empty() || keyword == "REM" || keyword == "PERFORMER" || keyword == "SONGWRITER" ||
        keyword == "CATALOG" || keyword == "CDTEXTFILE" || keyword == "FLAGS" ||
        keyword == "ISRC" || keyword == "PREGAP" || keyword == "POSTGAP")
      return true;
    if (keyword == "FILE") {
      if (++files_ == 1) return true;
      Problem(number);
      return false;
    }
    if (keyword == "TRACK") {
      FinishTrack();
      track_ = TCueTrack{number, {}, {}, false};
      inTrack_ = true;
      return true;
    }
    if (keyword == "TITLE") {
      if (inTrack_) track_.title = QuotedText(line);
      return true;
    }
    if (keyword == "INDEX" && inTrack_) return Index(number, line);
    Problem(number);
    return true;
  }

  TMarkerReading Finish() {
    FinishTrack();
    return std::move(reading_);
  }

 private:
  bool Index(size_t number, std::string_view rest) {
    auto index = Digits(NextWord(rest), 2);
    auto time = ParseCueTime(NextWord(rest));
    if (!index || !time || sampleRate_ == 0) {
      Problem(number);
      track_.named = true;
      return true;
    }
    if (*index != 1) return true;  // a pregap's start, or an index within the track
    const int64_t frame = (*time * sampleRate_ * 2 + kCdFramesPerSecond) / (2 * kCdFramesPerSecond);
    if (frame > frameCount_) {
      reading_.notices.push_back(MarkerLineNotice(number, shownName_, true));
      track_.named = true;
    } else {
      track_.frame = frame;
    }
    return true;
  }

  void FinishTrack() {
    if (!inTrack_) return;
    if (!track_.frame && !track_.named)
      Problem(track_.line);
    else if (track_.frame && reading_.list.markers.size() < kMaxMarkers)
      reading_.list.AddMarker({*track_.frame, std::move(track_.title)});
    else if (track_.frame && !tooMany_++)
      reading_.notices.push_back(TooManyMarkersNotice(shownName_));
    inTrack_ = false;
  }

  void Problem(size_t number) { reading_.notices.push_back(MarkerLineNotice(number, shownName_)); }

  uint32_t sampleRate_;
  int64_t frameCount_;
  const std::string& shownName_;
  int files_ = 0;
  bool inTrack_ = false;
  TCueTrack track_;
  int tooMany_ = 0;
  TMarkerReading reading_;
};

std::string CueTime(int64_t frame, uint32_t sampleRate) {
  if (sampleRate == 0) return "00:00:00";
  const int64_t cd = (frame * kCdFramesPerSecond * 2 + sampleRate) / (2 * int64_t{sampleRate});
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                static_cast<long long>(cd / (60 * kCdFramesPerSecond)),
                static_cast<long long>(cd / kCdFramesPerSecond % 60),
                static_cast<long long>(cd % kCdFramesPerSecond));
  return text;
}

// Quotes end a CUE text; none can be written inside one.
std::string Quoted(const std::string& text) {
  std::string inner = OneLineName(text);
  std::replace(inner.begin(), inner.end(), '"', '\'');
  return "\"" + inner + "\"";
}

}  // namespace

TMarkerReading ParseCueSheet(std::string_view text, uint32_t sampleRate, int64_t frameCount,
                             const std::string& shownName) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  TCueReader reader(sampleRate, frameCount, shownName);
  for (size_t number = 1; !text.empty(); ++number) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!reader.Line(number, line)) break;
  }
  return reader.Finish();
}

std::string FormatCueSheet(const TMarkerList& list, uint32_t sampleRate,
                           const std::string& audioName, const TTags& tags) {
  std::vector<TMarker> tracks = list.markers;
  for (const TRegion& region : list.regions) tracks.push_back({region.start, region.name});
  std::stable_sort(tracks.begin(), tracks.end(),
                   [](const TMarker& a, const TMarker& b) { return a.frame < b.frame; });
  std::string text;
  if (!tags.artist.empty()) text += "PERFORMER " + Quoted(tags.artist.Joined("; ")) + "\n";
  const std::string title = (tags.album.empty() ? tags.title : tags.album).Joined("; ");
  if (!title.empty()) text += "TITLE " + Quoted(title) + "\n";
  const bool mp3 = audioName.size() >= 4 && Upper(audioName.substr(audioName.size() - 4)) == ".MP3";
  text += "FILE " + Quoted(audioName) + (mp3 ? " MP3\n" : " WAVE\n");
  for (size_t i = 0; i < tracks.size(); ++i) {
    const std::string number = (i < 9 ? "0" : "") + std::to_string(i + 1);
    text += "  TRACK " + number + " AUDIO\n";
    if (!tracks[i].name.empty()) text += "    TITLE " + Quoted(tracks[i].name) + "\n";
    text += "    INDEX 01 " + CueTime(tracks[i].frame, sampleRate) + "\n";
  }
  return text;
}

}  // namespace quillon
