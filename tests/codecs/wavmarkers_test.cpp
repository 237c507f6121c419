// Markers in WAV files: the chunks we write are what other readers expect, and whatever a file
// holds is read as far as it is whole, each kind of damage costing one notice.
#include "codecs/wavmarkers.h"

#include <gtest/gtest.h>

#include <map>

#include "codecs/wavheader.h"

namespace quillon {
namespace {

using TBytes = std::vector<uint8_t>;

void Put32(TBytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

TBytes Chunk(const char* id, const TBytes& body, uint32_t declared = UINT32_MAX) {
  TBytes out(id, id + 4);
  Put32(out, declared == UINT32_MAX ? static_cast<uint32_t>(body.size()) : declared);
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2) out.push_back(0);
  return out;
}

TBytes Cue(const std::vector<std::pair<uint32_t, uint32_t>>& points, uint32_t count = UINT32_MAX) {
  TBytes body;
  Put32(body, count == UINT32_MAX ? static_cast<uint32_t>(points.size()) : count);
  for (auto [id, frame] : points) {
    for (uint32_t field : {id, frame}) Put32(body, field);
    body.insert(body.end(), {'d', 'a', 't', 'a'});
    for (uint32_t field : {0u, 0u, frame}) Put32(body, field);
  }
  return Chunk("cue ", body);
}

TBytes Labl(uint32_t id, const std::string& text, const char* kind = "labl") {
  TBytes body;
  Put32(body, id);
  body.insert(body.end(), text.begin(), text.end());
  body.push_back(0);
  return Chunk(kind, body);
}

TBytes Ltxt(uint32_t id, uint32_t length) {
  TBytes body;
  Put32(body, id);
  Put32(body, length);
  body.insert(body.end(), {'r', 'g', 'n', ' ', 0, 0, 0, 0, 0, 0, 0, 0});
  return Chunk("ltxt", body);
}

TBytes Adtl(const std::vector<TBytes>& subchunks) {
  TBytes body{'a', 'd', 't', 'l'};
  for (const TBytes& sub : subchunks) body.insert(body.end(), sub.begin(), sub.end());
  return Chunk("LIST", body);
}

// A mono WAV of 1000 frames followed by chunks, its RIFF size mended as a writer would.
TBytes WavWith(const TBytes& chunks) {
  const TWavHeader header = MakeWavHeader(1, 8000, 2000);
  TBytes file(header.begin(), header.end());
  file.resize(file.size() + 2000, 0);
  file.insert(file.end(), chunks.begin(), chunks.end());
  WriteLE32(file.data() + 4, static_cast<uint32_t>(file.size() - 8));
  return file;
}

// What a reader of its own finds in the chunks: cue id to frame, labl id to text, ltxt id to
// length.
struct TParsedChunks {
  std::map<uint32_t, uint32_t> cues;
  std::map<uint32_t, std::string> labels;
  std::map<uint32_t, uint32_t> lengths;
};

TParsedChunks ParseOurselves(const TBytes& file) {
  TParsedChunks parsed;
  for (size_t at = 12; at + 8 <= file.size();) {
    const std::string id(file.begin() + at, file.begin() + at + 4);
    const uint32_t size = ReadLE32(&file[at + 4]);
    const uint8_t* body = &file[at + 8];
    if (id == "cue ")
      for (uint32_t i = 0; i < ReadLE32(body); ++i)
        parsed.cues[ReadLE32(body + 4 + 24 * i)] = ReadLE32(body + 4 + 24 * i + 20);
    if (id == "LIST" && std::string(body, body + 4) == "adtl")
      for (size_t sub = 4; sub + 8 <= size;) {
        const std::string kind(body + sub, body + sub + 4);
        const uint32_t length = ReadLE32(body + sub + 4);
        const uint8_t* data = body + sub + 8;
        if (kind == "labl") parsed.labels[ReadLE32(data)] = reinterpret_cast<const char*>(data + 4);
        if (kind == "ltxt") parsed.lengths[ReadLE32(data)] = ReadLE32(data + 4);
        sub += 8 + length + (length & 1);
      }
    at += 8 + size + (size & 1);
  }
  return parsed;
}

TEST(WavMarkersTest, WrittenChunksNameEveryPointAndReadBack) {
  TMarkerList list;
  list.AddMarker({0, "Start"});
  list.AddMarker({500, ""});
  list.AddMarker({1000, "Ënde"});
  list.AddRegion({250, 750, "Middle"});
  const TBytes file = WavWith(MakeWavMarkerChunks(list));
  const TParsedChunks parsed = ParseOurselves(file);
  EXPECT_EQ(parsed.cues, (std::map<uint32_t, uint32_t>{{1, 0}, {2, 250}, {3, 500}, {4, 1000}}));
  EXPECT_EQ(parsed.labels,
            (std::map<uint32_t, std::string>{{1, "Start"}, {2, "Middle"}, {4, "Ënde"}}));
  EXPECT_EQ(parsed.lengths, (std::map<uint32_t, uint32_t>{{2, 500}}));
  const TMarkerReading back = ReadWavMarkersFrom(file.data(), file.size(), 1000);
  EXPECT_EQ(back.list, list);
  EXPECT_TRUE(back.notices.empty());
  EXPECT_TRUE(MakeWavMarkerChunks({}).empty());
}

std::string Describe(const TMarkerReading& reading) {
  std::string text;
  for (const TMarker& m : reading.list.markers)
    text += "m" + std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : reading.list.regions)
    text += "r" + std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  for (const std::string& notice : reading.notices) text += "| " + notice + " ";
  return text;
}

TBytes Join(const std::vector<TBytes>& parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct TDamageRow {
  const char* name;
  TBytes file;
  std::string expected;
};

class WavMarkerDamageTest : public ::testing::TestWithParam<TDamageRow> {};

TEST_P(WavMarkerDamageTest, KeepsWhatIsWholeAndSaysWhatWasLeftOut) {
  const TBytes& file = GetParam().file;
  EXPECT_EQ(Describe(ReadWavMarkersFrom(file.data(), file.size(), 1000)), GetParam().expected);
}

const std::string kDamaged =
    "| The file's cue points are damaged; those it holds whole were kept, and the audio opened "
    "as usual. ";

const TDamageRow kDamage[] = {
    {"PointsWithoutNames", WavWith(Cue({{7, 10}, {3, 5}})), "m5: m10: "},
    {"PastTheAudio", WavWith(Join({Cue({{1, 10}, {2, 1001}}), Adtl({Labl(2, "late")})})),
     "m10: | 1 cue points of the file lay past the end of its audio and were left out. "},
    {"RepeatedIds", WavWith(Cue({{1, 10}, {1, 20}, {1, 30}})),
     "m10: | 2 cue points of the file repeated the number of another and were left out. "},
    {"NamesForNoPoint", WavWith(Join({Cue({{1, 10}}), Adtl({Labl(1, "a"), Labl(9, "b")})})),
     "m10:a | 1 names in the file belonged to no cue point and were left out. "},
    {"AbsurdCount", WavWith(Cue({{1, 10}}, 0xFFFFFFF0)), "m10: " + kDamaged},
    {"ChunkCutShort",
     [] {
       TBytes file = WavWith(Cue({{1, 10}, {2, 20}}));
       file.resize(file.size() - 10);
       return file;
     }(),
     "m10: " + kDamaged},
    {"LabelOverrunsItsList",
     WavWith(Join({Cue({{1, 10}}), Chunk("LIST", {'a', 'd', 't', 'l', 'l', 'a', 'b', 'l', 0xFF,
                                                  0xFF, 0, 0, 1, 0, 0, 0})})),
     "m10: " + kDamaged},
    {"RegionPastTheEndAndLatin1Name",
     WavWith(Join({Cue({{1, 900}}), Adtl({Labl(1, "Caf\xE9"), Ltxt(1, 500)})})),
     "r900-1000:Café "},
    {"NoWav", TBytes{'R', 'I', 'F', 'X', 1, 2, 3}, ""},
    {"DataOfUnknownLength",
     [] {
       TBytes file = WavWith(Cue({{1, 10}}));
       WriteLE32(file.data() + 40, 0xFFFFFFFF);
       return file;
     }(),
     ""},
};

INSTANTIATE_TEST_SUITE_P(Files, WavMarkerDamageTest, ::testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
