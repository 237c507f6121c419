#include "codecs/chapters.h"

#include <algorithm>

#include "codecs/markerfile.h"
#include "localization/constants.h"

namespace quillon {

namespace {

// Far beyond any audio (some three hundred years): times above it are no times.
constexpr uint64_t kMaxMs = uint64_t{1} << 43;

}  // namespace

uint64_t FrameToMs(int64_t frame, uint32_t sampleRate) {
  if (frame <= 0 || sampleRate == 0) return 0;
  const unsigned __int128 scaled = static_cast<unsigned __int128>(frame) * 1000 + sampleRate / 2;
  return static_cast<uint64_t>(scaled / sampleRate);
}

int64_t MsToFrame(uint64_t ms, uint32_t sampleRate) {
  const unsigned __int128 scaled =
      static_cast<unsigned __int128>(std::min(ms, kMaxMs)) * sampleRate + 500;
  return static_cast<int64_t>(scaled / 1000);
}

std::vector<TChapter> ChaptersOf(const TMarkerList& list, uint32_t sampleRate) {
  std::vector<TChapter> chapters;
  chapters.reserve(list.markers.size() + list.regions.size());
  for (const TMarker& m : list.markers)
    chapters.push_back({FrameToMs(m.frame, sampleRate), std::nullopt, m.name});
  for (const TRegion& r : list.regions) {
    const uint64_t start = FrameToMs(r.start, sampleRate);
    chapters.push_back({start, std::max(start + 1, FrameToMs(r.end, sampleRate)), r.name});
  }
  std::stable_sort(chapters.begin(), chapters.end(),
                   [](const TChapter& a, const TChapter& b) { return a.startMs < b.startMs; });
  return chapters;
}

bool ChaptersInSequence(const std::vector<TChapter>& chapters) {
  uint64_t reached = 0;
  for (const TChapter& c : chapters) {
    if (!c.endMs) continue;
    if (c.startMs < reached) return false;
    reached = std::max(reached, *c.endMs);
  }
  return true;
}

TMarkerReading MarkersOfChapters(const TChapterFind& found, uint32_t sampleRate, int64_t frameCount,
                                 const std::string& shownName) {
  TMarkerReading reading;
  // A time that rounds to a frame past the end but lies within the last millisecond is the end,
  // as our own writing of it gives.
  const uint64_t endMs = FrameToMs(frameCount, sampleRate) + 1;
  size_t pastEnd = 0, badTimes = found.badTimes, outOfOrder = 0, overlapping = 0;
  uint64_t lastStart = 0, reached = 0;
  for (const TChapter& c : found.chapters) {
    if (c.startMs > endMs) {
      ++pastEnd;
      continue;
    }
    if (found.ordered) {
      if (c.startMs < lastStart)
        ++outOfOrder;
      else if (found.sequential && c.endMs && *c.endMs > c.startMs && c.startMs < reached)
        ++overlapping;
    }
    lastStart = c.startMs;
    const int64_t start = std::min(MsToFrame(c.startMs, sampleRate), frameCount);
    int64_t end = start;
    if (c.endMs && *c.endMs < c.startMs) {
      ++badTimes;
    } else if (c.endMs) {
      reached = std::max(reached, *c.endMs);
      if (*c.endMs > endMs) ++pastEnd;
      end = std::min(MsToFrame(*c.endMs, sampleRate), frameCount);
    }
    if (end > start)
      reading.list.AddRegion({start, end, c.name});
    else
      reading.list.AddMarker({start, c.name});
  }
  auto say = [&](size_t count, const char* key) {
    if (count) reading.notices.push_back(ConstantText(key, "%1", std::to_string(count)));
  };
  say(pastEnd, "chapterpastend");
  say(outOfOrder, "chapterorder");
  say(overlapping, "chapteroverlap");
  say(badTimes, "chaptertimebad");
  say(found.orphanNames, "chapternamesorphan");
  say(found.duplicates, "chapterduplicate");
  if (found.tooMany) reading.notices.push_back(TooManyMarkersNotice(shownName));
  return reading;
}

}  // namespace quillon
