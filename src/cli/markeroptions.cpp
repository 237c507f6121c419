#include "cli/markeroptions.h"

#include <charconv>
#include <filesystem>

#include "cli/session.h"
#include "cli/tagoptions.h"
#include "codecs/markerfile.h"

namespace quillon {

namespace {

bool Fail(const std::string& text) {
  std::fprintf(stderr, "quillon-cli: %s\n", text.c_str());
  return false;
}

// A frame number up to the next colon (taken off with it) or the end.
std::optional<int64_t> NextFrame(std::string_view& text) {
  const size_t colon = text.find(':');
  const std::string_view digits = text.substr(0, colon);
  int64_t frame = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), frame);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || frame < 0)
    return std::nullopt;
  text = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
  return frame;
}

// The document's markers with change applied; refused when a position lies past the end.
bool ChangeMarkers(TCliSession& session, const std::function<void(TMarkerList&)>& change) {
  Twavefile& document = session.Document();
  TMarkerList list = document.Markers();
  change(list);
  return document.SetMarkers(std::move(list)) || Fail("The markers cannot be changed now.");
}

bool FitsDocument(TCliSession& session, int64_t frame, const std::string& what) {
  const int64_t frames = session.Document().FrameCount();
  return frame <= frames || Fail(what + " lies past the end of the audio, which has " +
                                 std::to_string(frames) + " frames.");
}

TMarkerStep MarkerStep(int64_t frame, std::string name) {
  return [=](TCliSession& s) {
    return FitsDocument(s, frame, "The marker at frame " + std::to_string(frame)) &&
           ChangeMarkers(s, [&](TMarkerList& list) {
             list.AddMarker({frame, name});
           });
  };
}

TMarkerStep RegionStep(int64_t start, int64_t end, std::string name) {
  return [=](TCliSession& s) {
    return FitsDocument(s, end, "The region's end at frame " + std::to_string(end)) &&
           ChangeMarkers(s, [&](TMarkerList& list) {
             list.AddRegion({start, end, name});
           });
  };
}

TMarkerStep ImportStep(std::string path) {
  return [=](TCliSession& s) {
    Twavefile& document = s.Document();
    TMarkerReading reading = ReadMarkerFile(path, document.SampleRate(), document.FrameCount());
    for (const std::string& notice : reading.notices) Fail(notice);
    if (!reading.fileRead) return false;
    return ChangeMarkers(s, [&](TMarkerList& list) {
      for (TMarker& marker : reading.list.markers) list.AddMarker(std::move(marker));
      for (TRegion& region : reading.list.regions) list.AddRegion(std::move(region));
    });
  };
}

std::optional<TMarkerStep> Bad(bool& bad, std::string_view option, const char* value,
                               const char* wanted) {
  Fail(std::string(option) + " takes " + wanted +
       (value ? std::string(", not \"") + value + "\"." : ", which is missing."));
  bad = true;
  return TMarkerStep();
}

}  // namespace

bool MarkerOptionTakesValue(std::string_view option) {
  return option == "--marker" || option == "--region" || option == "--markers-from";
}

std::optional<TMarkerStep> ParseMarkerOption(std::string_view option, const char* value,
                                             bool& bad) {
  if (option == "--no-markers")
    return [](TCliSession& s) { return ChangeMarkers(s, [](TMarkerList& list) { list = {}; }); };
  if (!MarkerOptionTakesValue(option)) return std::nullopt;
  std::string_view text = value ? value : "";
  if (option == "--markers-from") {
    if (!value) return Bad(bad, option, value, "a label file (.txt) or a CUE sheet (.cue)");
    return ImportStep(value);
  }
  if (option == "--marker") {
    auto frame = NextFrame(text);
    if (!frame) return Bad(bad, option, value, "a frame number, then :NAME if you like");
    return MarkerStep(*frame, std::string(text));
  }
  auto start = NextFrame(text);
  auto end = start ? NextFrame(text) : std::nullopt;
  if (!start || !end || *end <= *start)
    return Bad(bad, option, value,
               "two frame numbers as A:B with A below B, then :NAME if you like");
  return RegionStep(*start, *end, std::string(text));
}

bool WriteMarkersTo(TCliSession& session, const std::string& path, const std::string& audioPath) {
  const Twavefile& document = session.Document();
  try {
    WriteMarkerFile(path, document.Markers(), document.SampleRate(),
                    std::filesystem::path(audioPath).filename().string(), document.Tags());
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
  return true;
}

void PrintMarkers(const TMarkerList& list, std::FILE* out) {
  auto named = [](const std::string& name) { return name.empty() ? name : " " + OneLine(name); };
  for (const TMarker& m : list.markers)
    std::fprintf(out, "marker: %lld%s\n", static_cast<long long>(m.frame), named(m.name).c_str());
  for (const TRegion& r : list.regions)
    std::fprintf(out, "region: %lld %lld%s\n", static_cast<long long>(r.start),
                 static_cast<long long>(r.end), named(r.name).c_str());
}

}  // namespace quillon
