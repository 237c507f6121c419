// The lossless MP3 save judged by other programs: ffprobe splits both files into frames (whose
// bytes are compared), ffmpeg and mpg123 decode them, mp3val looks for faults.
#include "mp3frames/splice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <sstream>

#include "support/fixtures.h"

namespace quillon::test {
namespace {

struct TProbedFrames {
  std::vector<std::string> frames;  // each audio frame's bytes
  int64_t skip = 0;                 // samples the decoder drops at the start
};

TProbedFrames ProbeFrames(const std::string& path) {
  const std::string text = CommandOutput(
      "ffprobe -v error -show_packets -show_entries "
      "packet=pos,size:packet_side_data=skip_samples -of "
      "compact '" +
      path + "'");
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  TProbedFrames probed;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t size = line.find("size="), pos = line.find("pos="),
                 skip = line.find("skip_samples=");
    if (skip != std::string::npos && probed.frames.empty())
      probed.skip = std::stoll(line.substr(skip + 13));
    if (size == std::string::npos || pos == std::string::npos) continue;
    const size_t at = std::stoull(line.substr(pos + 4)), count = std::stoull(line.substr(size + 5));
    if (at + count <= bytes.size())
      probed.frames.emplace_back(reinterpret_cast<const char*>(bytes.data()) + at, count);
  }
  return probed;
}

std::vector<int16_t> Decoded(const std::string& command) {
  const std::string pcm = CommandOutput(command);
  std::vector<int16_t> samples(pcm.size() / 2);
  std::memcpy(samples.data(), pcm.data(), samples.size() * 2);
  return samples;
}

struct TSourceCase {
  const char* name;
  uint32_t rate;
  uint16_t channels;
  const char* encode;  // {in} and {out} stand for the files
};

// The edits, as removals in order: none (tags alone), both ends, a middle cut on the frame grid
// and one off it.
enum class TEdit { TagsOnly, TrimEnds, AlignedCut, UnalignedCut };

struct TRow {
  TSourceCase source;
  TEdit edit;
};

std::string Substituted(std::string command, const std::string& in, const std::string& out) {
  for (auto [key, value] : {std::pair{std::string("{in}"), in}, {std::string("{out}"), out}})
    if (size_t at = command.find(key); at != std::string::npos)
      command.replace(at, key.size(), "'" + value + "'");
  return command;
}

class SpliceTable : public ::testing::TestWithParam<TRow> {};

TEST_P(SpliceTable, CopiedFramesAreTheSourcesAndTheDecodeIsTheDocument) {
  const TRow row = GetParam();
  const uint16_t k = row.source.channels;
  TTempDir dir;
  const std::string wav = dir.File("in.wav"), mp3 = dir.File("in.mp3"), out = dir.File("out.mp3");
  // Repeatable noise (-R): with a new seed each run the bridges' error bound below held for most
  // seeds only.
  ASSERT_EQ(RunCommand("sox -R -n -r " + std::to_string(row.source.rate) + " -c " +
                       std::to_string(k) + " -b 16 '" + wav +
                       "' synth 4 sine 220 sine 1331 pinknoise tremolo 3 vol 0.4 2>/dev/null"),
            0);
  ASSERT_EQ(RunCommand(Substituted(row.source.encode, wav, mp3) + " >/dev/null 2>&1"), 0);
  auto source = std::make_shared<TMp3Source>(mp3);
  ASSERT_TRUE(source->Usable()) << source->Refusal();
  auto ffmpegDecode = [](const std::string& path) {
    return Decoded("ffmpeg -v error -i '" + path + "' -f s16le -acodec pcm_s16le -");
  };
  std::vector<int16_t> doc = ffmpegDecode(mp3);
  ASSERT_EQ(doc.size() / k, source->DecodedLength());
  TSharedSourceMap map = WholeSourceMap(source, doc.size() / k);
  const int64_t spf = source->Format().SamplesPerFrame();
  std::vector<std::pair<int64_t, int64_t>> removals;
  if (row.edit == TEdit::TrimEnds)
    removals = {{int64_t(doc.size() / k) - 7000, int64_t(doc.size() / k)}, {0, 3001}};
  if (row.edit == TEdit::AlignedCut) removals = {{40 * spf, 60 * spf}};
  if (row.edit == TEdit::UnalignedCut) removals = {{50000, 63333}};
  for (auto [from, to] : removals) {
    doc.erase(doc.begin() + from * k, doc.begin() + to * k);
    map = MapAfterRemove(map, static_cast<uint64_t>(from), static_cast<uint64_t>(to));
  }
  const int64_t length = static_cast<int64_t>(doc.size() / k);
  auto read = [&](int64_t first, uint64_t count, int16_t* samples) {
    std::copy_n(doc.begin() + first * k, count * k, samples);
  };
  std::atomic<int32_t> progress{0};
  const TSpliceResult result =
      WriteSplicedMp3(*map, length, k, row.source.rate, read, out, progress);
  ASSERT_EQ(result.refusal, "");

  // Frames: every one outside the bridges is a source frame, byte for byte.
  const TProbedFrames before = ProbeFrames(mp3), after = ProbeFrames(out);
  const std::set<std::string> sourceFrames(before.frames.begin(), before.frames.end());
  std::vector<int64_t> encoded;
  for (size_t j = 0; j < after.frames.size(); ++j)
    if (!sourceFrames.count(after.frames[j])) encoded.push_back(static_cast<int64_t>(j));
  EXPECT_EQ(encoded.size(), result.stats.encoded);
  EXPECT_EQ(after.frames.size() - encoded.size(), result.stats.copied);
  if (row.edit == TEdit::TagsOnly) {
    EXPECT_EQ(result.stats.encoded, 0u);
  } else if (row.edit != TEdit::UnalignedCut) {
    EXPECT_LE(result.stats.encoded, 8 * result.stats.joins);
  }

  // Lengths and faults, by three other programs.
  // mp3val's one remark on a file without tags is that it has none.
  std::istringstream report(CommandOutput("mp3val '" + out + "'"));
  for (std::string line; std::getline(report, line);)
    if (line.find("WARNING") != std::string::npos || line.find("ERROR") != std::string::npos) {
      EXPECT_NE(line.find("No supported tags"), std::string::npos) << line;
    }
  std::vector<int16_t> ffmpeg = ffmpegDecode(out);
  EXPECT_EQ(static_cast<int64_t>(ffmpeg.size() / k), length);
  std::vector<int16_t> mpg123 = Decoded("mpg123 -q -s '" + out + "'");
  EXPECT_EQ(static_cast<int64_t>(mpg123.size() / k), length);

  // Samples: the document's exactly, but in a bridge and the two granules its overlap reaches.
  ASSERT_EQ(ffmpeg.size(), doc.size());
  std::vector<bool> loose(static_cast<size_t>(length), false);
  for (int64_t j : encoded)
    for (int64_t f = std::max<int64_t>(0, j * spf - after.skip);
         f < std::min(length, (j + 1) * spf - after.skip + 1152 + 576); ++f)
      loose[static_cast<size_t>(f)] = true;
  int64_t wrong = 0;
  for (int64_t f = 0; f < length; ++f)
    if (!loose[static_cast<size_t>(f)])
      for (uint16_t c = 0; c < k; ++c) wrong += ffmpeg[f * k + c] != doc[f * k + c];
  EXPECT_EQ(wrong, 0);

  // Inside the bridges the error stays within a small factor of encoding the whole document at
  // the source's bitrate (LAME's gapless decode lines both up with the document): a bridge out of
  // step with the frame grid, or a window switch across a seam, costs far more. Bridge frames
  // have no reservoir of their own and may carry the next frame's, so they stay above 1.
  if (row.edit != TEdit::AlignedCut || source->Vbr()) return;
  const std::string docWav = dir.File("doc.wav"), whole = dir.File("whole.mp3");
  WriteWav16(docWav, k, row.source.rate, doc);
  ASSERT_EQ(RunCommand("lame --quiet -b " + std::to_string(source->Format().bitrate) + " '" +
                       docWav + "' '" + whole + "'"),
            0);
  const std::vector<int16_t> reference = ffmpegDecode(whole);
  ASSERT_EQ(reference.size(), doc.size());
  double ours = 0, theirs = 0;
  for (int64_t f = 0; f < length; ++f)
    if (loose[static_cast<size_t>(f)])
      for (uint16_t c = 0; c < k; ++c) {
        ours += std::pow(ffmpeg[f * k + c] - doc[f * k + c], 2.0);
        theirs += std::pow(reference[f * k + c] - doc[f * k + c], 2.0);
      }
  EXPECT_LE(ours, theirs * 10) << "bridge error " << ours << ", whole encode " << theirs;
}

const TSourceCase kSources[] = {
    {"lame_cbr_44k_stereo", 44100, 2, "lame --quiet -b 128 {in} {out}"},
    {"lame_vbr", 44100, 2, "lame --quiet -V 2 {in} {out}"},
    {"lame_abr", 44100, 2, "lame --quiet --abr 160 {in} {out}"},
    {"lame_crc", 44100, 2, "lame --quiet -p -b 192 {in} {out}"},
    {"lame_mono_48k", 48000, 1, "lame --quiet -b 96 {in} {out}"},
    {"lame_32k", 32000, 2, "lame --quiet -b 128 {in} {out}"},
    {"mpeg2_22k", 22050, 2, "lame --quiet -b 64 {in} {out}"},
    {"mpeg2_24k_mono", 24000, 1, "lame --quiet -b 64 --resample 24 {in} {out}"},
    {"ffmpeg_encoder", 44100, 2, "ffmpeg -v error -y -i {in} -c:a libmp3lame -b:a 128k {out}"},
};

std::vector<TRow> AllRows() {
  std::vector<TRow> rows;
  for (const TSourceCase& source : kSources)
    for (TEdit edit : {TEdit::TagsOnly, TEdit::TrimEnds, TEdit::AlignedCut, TEdit::UnalignedCut})
      rows.push_back({source, edit});
  return rows;
}

std::string RowName(const ::testing::TestParamInfo<TRow>& info) {
  const char* const edits[] = {"tags", "trim", "aligned", "unaligned"};
  return std::string(info.param.source.name) + "_" + edits[static_cast<int>(info.param.edit)];
}

INSTANTIATE_TEST_SUITE_P(Sources, SpliceTable, ::testing::ValuesIn(AllRows()), RowName);

}  // namespace
}  // namespace quillon::test
