#include "codecs/wavmarkers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "codecs/wavheader.h"
#include "localization/constants.h"
#include "platform/error.h"

namespace quillon {

namespace {

constexpr size_t kCuePointBytes = 24;
constexpr size_t kLtxtBytes = 20;
// The chunks of more markers than a document keeps are not read.
constexpr uint32_t kMaxCueChunkBytes = 4 + kCuePointBytes * kMaxMarkers;
constexpr uint32_t kMaxAdtlChunkBytes = 64u << 20;
// A file of more chunks than this is not one a program wrote.
constexpr int kMaxChunks = 100000;

void Append(std::vector<uint8_t>& out, const char* id) {
  out.insert(out.end(), id, id + 4);
}

void Append32(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[4];
  WriteLE32(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

// A sub-chunk or chunk with its size field and its pad byte.
void AppendChunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body) {
  Append(out, id);
  Append32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2) out.push_back(0);
}

// A cue point: where it lies and what it names.
struct TCuePoint {
  int64_t frame;
  int64_t length;  // 0 for a marker
  const std::string* name;
};

std::vector<TCuePoint> PointsOf(const TMarkerList& list) {
  std::vector<TCuePoint> points;
  for (const TMarker& m : list.markers) points.push_back({m.frame, 0, &m.name});
  for (const TRegion& r : list.regions) points.push_back({r.start, r.end - r.start, &r.name});
  std::stable_sort(points.begin(), points.end(),
                   [](const TCuePoint& a, const TCuePoint& b) { return a.frame < b.frame; });
  return points;
}

bool IdIs(const uint8_t* p, const char* id) {
  return std::memcmp(p, id, 4) == 0;
}

// The chunks of a RIFF WAVE file that hold markers, read through readAt (false when the bytes
// are not all there).
struct TMarkerChunks {
  std::vector<std::vector<uint8_t>> cue;
  std::vector<std::vector<uint8_t>> adtl;  // without the list's type
  bool damaged = false;
};

using TReadAt = std::function<bool(uint64_t offset, void* into, size_t bytes)>;

TMarkerChunks FindMarkerChunks(const TReadAt& readAt, uint64_t fileSize) {
  TMarkerChunks found;
  uint8_t header[12];
  if (!readAt(0, header, 12) || !IdIs(header, "RIFF") || !IdIs(header + 8, "WAVE")) return found;
  uint64_t at = 12;
  for (int chunk = 0; chunk < kMaxChunks && at + 8 <= fileSize; ++chunk) {
    uint8_t head[12];
    if (!readAt(at, head, 8)) break;
    const uint32_t size = ReadLE32(head + 4);
    const uint64_t body = at + 8;
    // Audio of unknown length runs to the end of the file.
    if (IdIs(head, "data") && (size == 0 || size == 0xFFFFFFFF)) break;
    const bool cue = IdIs(head, "cue ");
    const bool list =
        IdIs(head, "LIST") && size >= 4 && readAt(body, head + 8, 4) && IdIs(head + 8, "adtl");
    if (cue || list) {
      const uint32_t most = cue ? kMaxCueChunkBytes : kMaxAdtlChunkBytes;
      // A chunk cut short by the end of the file gives what it holds.
      const uint64_t present = std::min<uint64_t>(size, fileSize - body);
      if (present < size || size > most) found.damaged = true;
      std::vector<uint8_t> bytes(std::min<uint64_t>(present, most));
      if (!readAt(body, bytes.data(), bytes.size())) break;
      if (list) bytes.erase(bytes.begin(), bytes.begin() + 4);
      (cue ? found.cue : found.adtl).push_back(std::move(bytes));
    }
    at = body + size + (size & 1);
  }
  return found;
}

// A label's text, up to its NUL.
std::string LabelText(const uint8_t* bytes, size_t size) {
  const size_t end = std::find(bytes, bytes + size, 0) - bytes;
  return MarkerName(std::string_view(reinterpret_cast<const char*>(bytes), end));
}

class TMarkerChunkReader {
 public:
  explicit TMarkerChunkReader(int64_t frameCount) : frameCount_(frameCount) {}

  TMarkerReading Read(const TMarkerChunks& chunks) {
    damaged_ = chunks.damaged;
    for (const auto& cue : chunks.cue) ReadCue(cue);
    for (const auto& adtl : chunks.adtl) ReadAdtl(adtl);
    return Finish();
  }

 private:
  struct TPoint {
    int64_t frame;
    std::string name;
    int64_t length = 0;
  };

  void ReadCue(const std::vector<uint8_t>& chunk) {
    if (chunk.size() < 4) {
      damaged_ = true;
      return;
    }
    const uint64_t declared = ReadLE32(chunk.data());
    const uint64_t held = (chunk.size() - 4) / kCuePointBytes;
    if (declared > held) damaged_ = true;
    for (uint64_t i = 0; i < std::min(declared, held); ++i) {
      const uint8_t* point = chunk.data() + 4 + i * kCuePointBytes;
      const uint32_t id = ReadLE32(point);
      const int64_t frame = ReadLE32(point + 20);
      if (points_.count(id) || dropped_.count(id)) {
        ++duplicates_;
      } else if (frame > frameCount_) {
        ++pastEnd_;
        dropped_.insert(id);
      } else if (points_.size() == kMaxMarkers) {
        damaged_ = true;
      } else {
        order_.push_back(id);
        points_.insert({id, TPoint{frame, {}}});
      }
    }
  }

  void ReadAdtl(const std::vector<uint8_t>& list) {
    size_t at = 0;
    while (at + 8 <= list.size()) {
      const uint8_t* head = list.data() + at;
      const uint32_t size = ReadLE32(head + 4);
      if (size > list.size() - at - 8 || size < 4) {
        damaged_ = true;
        return;
      }
      const uint8_t* body = head + 8;
      if (IdIs(head, "labl") || IdIs(head, "ltxt")) Label(IdIs(head, "ltxt"), body, size);
      at += 8 + size + (size & 1);
    }
    if (at < list.size()) damaged_ = true;
  }

  void Label(bool ltxt, const uint8_t* body, uint32_t size) {
    const uint32_t id = ReadLE32(body);
    auto point = points_.find(id);
    if (point == points_.end()) {
      if (!dropped_.count(id)) ++orphans_;
      return;
    }
    if (!ltxt) {
      point->second.name = LabelText(body + 4, size - 4);
    } else if (size >= kLtxtBytes) {
      point->second.length = ReadLE32(body + 4);
      if (point->second.name.empty())
        point->second.name = LabelText(body + kLtxtBytes, size - kLtxtBytes);
    }
  }

  TMarkerReading Finish() {
    TMarkerReading reading;
    for (uint32_t id : order_) {
      TPoint& point = points_.at(id);
      const int64_t end = std::min(point.frame + point.length, frameCount_);
      if (end > point.frame)
        reading.list.AddRegion({point.frame, end, std::move(point.name)});
      else
        reading.list.AddMarker({point.frame, std::move(point.name)});
    }
    auto say = [&](size_t count, const char* key) {
      if (count) reading.notices.push_back(ConstantText(key, "%1", std::to_string(count)));
    };
    say(pastEnd_, "cuepastend");
    say(duplicates_, "cueduplicate");
    say(orphans_, "cuenamesorphan");
    if (damaged_) reading.notices.push_back(ConstantText("cuechunkdamaged"));
    return reading;
  }

  int64_t frameCount_;
  std::unordered_map<uint32_t, TPoint> points_;
  // Points left out for lying past the end: their names are no orphans.
  std::unordered_set<uint32_t> dropped_;
  std::vector<uint32_t> order_;
  size_t pastEnd_ = 0, duplicates_ = 0, orphans_ = 0;
  bool damaged_ = false;
};

struct TFd {
  int fd;
  ~TFd() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

std::vector<uint8_t> MakeWavMarkerChunks(const TMarkerList& list) {
  if (list.Empty()) return {};
  const std::vector<TCuePoint> points = PointsOf(list);
  std::vector<uint8_t> cue, adtl, out;
  Append32(cue, static_cast<uint32_t>(points.size()));
  Append(adtl, "adtl");
  for (uint32_t i = 0; i < points.size(); ++i) {
    const uint32_t id = i + 1, frame = static_cast<uint32_t>(points[i].frame);
    for (uint32_t field : {id, frame}) Append32(cue, field);
    Append(cue, "data");
    for (uint32_t field : {0u, 0u, frame}) Append32(cue, field);
    if (!points[i].name->empty()) {
      std::vector<uint8_t> label;
      Append32(label, id);
      label.insert(label.end(), points[i].name->begin(), points[i].name->end());
      label.push_back(0);
      AppendChunk(adtl, "labl", label);
    }
    if (points[i].length > 0) {
      std::vector<uint8_t> text;
      Append32(text, id);
      Append32(text, static_cast<uint32_t>(points[i].length));
      Append(text, "rgn ");
      Append32(text, 0);  // country and language
      Append32(text, 0);  // dialect and code page
      AppendChunk(adtl, "ltxt", text);
    }
  }
  AppendChunk(out, "cue ", cue);
  if (adtl.size() > 4) AppendChunk(out, "LIST", adtl);
  return out;
}

void AppendWavMarkers(const std::string& path, const TMarkerList& list) {
  std::vector<uint8_t> chunks = MakeWavMarkerChunks(list);
  if (chunks.empty()) return;
  TFd file{open(path.c_str(), O_RDWR | O_CLOEXEC)};
  struct stat info {};
  if (file.fd < 0 || fstat(file.fd, &info) != 0) RaiseLastOSError(path);
  uint64_t end = static_cast<uint64_t>(info.st_size);
  // Every chunk starts on an even offset.
  if (end % 2) chunks.insert(chunks.begin(), 0);
  uint8_t riffSize[4];
  WriteLE32(riffSize, static_cast<uint32_t>(end + chunks.size() - 8));
  if (pwrite(file.fd, chunks.data(), chunks.size(), static_cast<off_t>(end)) !=
          static_cast<ssize_t>(chunks.size()) ||
      pwrite(file.fd, riffSize, 4, 4) != 4)
    RaiseLastOSError(path);
}

TMarkerReading ReadWavMarkers(const std::string& path, int64_t frameCount) {
  TFd file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat info {};
  if (file.fd < 0 || fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return {};
  auto readAt = [&](uint64_t offset, void* into, size_t bytes) {
    return pread(file.fd, into, bytes, static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes);
  };
  const TMarkerChunks chunks = FindMarkerChunks(readAt, static_cast<uint64_t>(info.st_size));
  return TMarkerChunkReader(frameCount).Read(chunks);
}

TMarkerReading ReadWavMarkersFrom(const uint8_t* data, size_t size, int64_t frameCount) {
  auto readAt = [&](uint64_t offset, void* into, size_t bytes) {
    if (offset > size || bytes > size - offset) return false;
    if (bytes > 0) std::memcpy(into, data + offset, bytes);
    return true;
  };
  return TMarkerChunkReader(frameCount).Read(FindMarkerChunks(readAt, size));
}

}  // namespace quillon
