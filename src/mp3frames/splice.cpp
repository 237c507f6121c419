#include "mp3frames/splice.h"

#include <algorithm>
#include <map>
#include <optional>

#include "platform/filewriter.h"

namespace quillon {

namespace {

constexpr int64_t kDecoderDelay = 529;
constexpr int64_t kMaxDelay = 4095;
// The frames at the end of a bridge that are encoded again at a lower bitrate, or given a higher
// one, when the carried reservoir bytes do not fit.
constexpr size_t kTailFrames = 4;
constexpr int kLowerSteps = 4;
constexpr int64_t kExtraFrames = 3;

int64_t Mod(int64_t a, int64_t m) {
  const int64_t r = a % m;
  return r < 0 ? r + m : r;
}

// Which source frame each frame of the new file copies (-1: encoded), for one skip.
struct TFramePlan {
  int64_t skip = 0;
  std::vector<int64_t> source;
  uint64_t copied = 0;
};

class TSplicer {
 public:
  TSplicer(const TSourceMap& map, uint64_t frames, const TDocumentReader& read)
      : map_(map),
        src_(*map.source),
        format_(src_.Format()),
        spf_(format_.SamplesPerFrame()),
        length_(static_cast<int64_t>(frames)),
        read_(read) {}

  TFramePlan Plan(int64_t skip) const;
  TFramePlan BestPlan() const;
  // How many bytes before source frame g's payload it and the frames after it read.
  std::optional<uint32_t> Carry(int64_t g) const;
  bool CarriedBytes(int64_t g, uint32_t count, std::vector<uint8_t>& out) const;
  // Reads document frames, silence outside it.
  void ReadDocument(int64_t first, uint64_t count, int16_t* out) const;
  // Encodes frames [a, b) of the new file into built (whole frames, reservoir carried for the
  // copied frame at b); false when the carried bytes cannot be made to fit.
  // lowerSteps: how many bitrate steps the last frames may go down to make room.
  bool BuildRun(const TFramePlan& plan, int64_t a, int64_t b, int lowerSteps,
                std::vector<std::vector<uint8_t>>& built) const;

  const TMp3Header& Format() const { return format_; }
  int64_t Spf() const { return spf_; }

 private:
  bool Layout(std::vector<TBridgeFrame>& frames, std::vector<uint8_t>& indexes,
              const std::vector<uint8_t>& carried, std::vector<std::vector<uint8_t>>& built) const;
  uint32_t PayloadAt(uint8_t index) const {
    return Mp3FrameBytes(format_.version, index, format_.rateIndex, false) -
           format_.PayloadOffset();
  }

  const TSourceMap& map_;
  const TMp3Source& src_;
  TMp3Header format_;
  int64_t spf_;
  int64_t length_;
  const TDocumentReader& read_;
};

void TSplicer::ReadDocument(int64_t first, uint64_t count, int16_t* out) const {
  const int64_t channels = format_.Channels();
  std::fill(out, out + count * channels, int16_t{0});
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(first + static_cast<int64_t>(count), length_);
  if (to > from) read_(from, static_cast<uint64_t>(to - from), out + (from - first) * channels);
}

TFramePlan TSplicer::Plan(int64_t skip) const {
  TFramePlan plan;
  plan.skip = skip;
  const int64_t n = (skip + length_ + spf_ - 1) / spf_;
  const int64_t sourceFrames = static_cast<int64_t>(src_.Frames().size());
  const int64_t sourceSkip = src_.Skip();
  plan.source.assign(static_cast<size_t>(n), -1);
  size_t span = 0;
  int64_t firstWithAudio = -1;
  for (int64_t j = 0; j < n; ++j) {
    const int64_t start = j * spf_ - skip;
    const int64_t from = std::max<int64_t>(start, 0), to = std::min(start + spf_, length_);
    if (to <= from) continue;
    if (firstWithAudio < 0) firstWithAudio = j;
    while (span < map_.spans.size() &&
           static_cast<int64_t>(map_.spans[span].docStart + map_.spans[span].length) <= from)
      ++span;
    if (span == map_.spans.size()) break;
    const TSourceSpan& s = map_.spans[span];
    const int64_t docStart = static_cast<int64_t>(s.docStart);
    if (docStart > from || docStart + static_cast<int64_t>(s.length) < to) continue;
    const int64_t raw = start - docStart + static_cast<int64_t>(s.sourceStart) + sourceSkip;
    if (Mod(raw, spf_) != 0) continue;
    const int64_t g = raw / spf_;
    if (g >= 0 && g < sourceFrames) plan.source[static_cast<size_t>(j)] = g;
  }
  // The frames before the first sample decode ahead of it: the source's own, where it has them.
  for (int64_t j = firstWithAudio - 1; j >= 0; --j) {
    const int64_t next = plan.source[static_cast<size_t>(j + 1)];
    if (next >= 1) plan.source[static_cast<size_t>(j)] = next - 1;
  }
  // A copied frame that does not follow its own predecessor reads reservoir bytes that are not
  // there: an encoded frame ahead of it carries them.
  for (int64_t j = n - 1; j >= 0; --j) {
    const int64_t g = plan.source[static_cast<size_t>(j)];
    if (g < 0) continue;
    const bool follows = j == 0 ? g == 0 : plan.source[static_cast<size_t>(j - 1)] == g - 1;
    if (follows) continue;
    std::optional<uint32_t> carry = Carry(g);
    if (!carry)
      plan.source[static_cast<size_t>(j)] = -1;
    else if (*carry > 0)
      plan.source[static_cast<size_t>(j == 0 ? 0 : j - 1)] = -1;
  }
  // One frame ahead of each run is encoded too: the encoder may switch to short blocks ahead of
  // a join, and the window before such a switch must be its own for the overlap to cancel.
  const std::vector<int64_t> marked = plan.source;
  for (int64_t j = 0; j + 1 < n; ++j)
    if (marked[static_cast<size_t>(j)] >= 0 && marked[static_cast<size_t>(j + 1)] < 0)
      plan.source[static_cast<size_t>(j)] = -1;
  for (int64_t g : plan.source) plan.copied += g >= 0;
  return plan;
}

TFramePlan TSplicer::BestPlan() const {
  // Copied frames must land on the new file's frame grid: the skip that suits most of the
  // document's source frames, with up to a few whole frames more decoded ahead of its start.
  std::map<int64_t, uint64_t> weight;
  for (const TSourceSpan& s : map_.spans)
    weight[Mod(static_cast<int64_t>(src_.Skip()) + static_cast<int64_t>(s.sourceStart) -
                   static_cast<int64_t>(s.docStart),
               spf_)] += s.length;
  int64_t residue = Mod(static_cast<int64_t>(src_.Skip()), spf_);
  uint64_t best = 0;
  for (const auto& [r, w] : weight)
    if (w > best) best = w, residue = r;
  const int64_t base = kDecoderDelay + Mod(residue - kDecoderDelay, spf_);
  TFramePlan chosen;
  bool any = false;
  for (int64_t skip = base; skip - kDecoderDelay <= kMaxDelay; skip += spf_) {
    TFramePlan plan = Plan(skip);
    if (!any || plan.copied > chosen.copied) chosen = std::move(plan), any = true;
  }
  return chosen;
}

std::optional<uint32_t> TSplicer::Carry(int64_t g) const {
  const auto& frames = src_.Frames();
  int64_t need = 0, before = 0;
  for (size_t t = static_cast<size_t>(g); t < frames.size() && before <= 511; ++t) {
    need = std::max<int64_t>(need, int64_t{frames[t].mainDataBegin} - before);
    before += frames[t].bytes - format_.PayloadOffset();
  }
  // The bytes must be in the source, ahead of the frame.
  int64_t available = 0;
  for (int64_t u = g - 1; u >= 0 && available < need; --u)
    available += frames[static_cast<size_t>(u)].bytes - format_.PayloadOffset();
  if (available < need) return std::nullopt;
  return static_cast<uint32_t>(need);
}

bool TSplicer::CarriedBytes(int64_t g, uint32_t count, std::vector<uint8_t>& out) const {
  out.assign(count, 0);
  std::vector<uint8_t> frame;
  size_t left = count;
  for (int64_t u = g - 1; u >= 0 && left > 0; --u) {
    if (!src_.ReadFrame(static_cast<size_t>(u), frame)) return false;
    const size_t payload = frame.size() - format_.PayloadOffset();
    const size_t take = std::min(left, payload);
    std::copy(frame.end() - static_cast<std::ptrdiff_t>(take), frame.end(),
              out.begin() + static_cast<std::ptrdiff_t>(left - take));
    left -= take;
  }
  return left == 0;
}

bool TSplicer::Layout(std::vector<TBridgeFrame>& frames, std::vector<uint8_t>& indexes,
                      const std::vector<uint8_t>& carried,
                      std::vector<std::vector<uint8_t>>& built) const {
  const size_t q = frames.size();
  std::vector<int64_t> base(q + 1, 0), start(q, 0);
  // A frame at LAME's own bitrate keeps LAME's padding byte, which its main data may fill.
  auto padded = [&](size_t i) {
    return indexes[i] == frames[i].header.bitrateIndex && frames[i].header.padding;
  };
  for (size_t i = 0; i < q; ++i) base[i + 1] = base[i] + PayloadAt(indexes[i]) + padded(i);
  const int64_t total = base[q];
  int64_t limit = total - static_cast<int64_t>(carried.size());
  if (limit < 0) return false;
  // From the last frame back, each frame's main data as late as it may lie: at or before its own
  // payload's start, inside its own frame's end, before what follows.
  for (size_t i = q; i-- > 0;) {
    const int64_t m = static_cast<int64_t>(frames[i].mainData.size());
    const int64_t end = std::min(base[i + 1], limit);
    start[i] = std::min(base[i], end - m);
    if (start[i] < 0 || base[i] - start[i] > format_.MaxReservoir()) return false;
    limit = start[i];
  }
  std::vector<uint8_t> stream(static_cast<size_t>(total), 0);
  for (size_t i = 0; i < q; ++i)
    std::copy(frames[i].mainData.begin(), frames[i].mainData.end(), stream.begin() + start[i]);
  std::copy(carried.begin(), carried.end(),
            stream.end() - static_cast<std::ptrdiff_t>(carried.size()));
  built.clear();
  for (size_t i = 0; i < q; ++i) {
    std::vector<uint8_t> frame = frames[i].head;
    // The bitrate and padding the layout counted with.
    frame[2] = static_cast<uint8_t>(indexes[i] << 4 | format_.rateIndex << 2 | padded(i) << 1 |
                                    (frame[2] & 1));
    std::optional<TMp3Header> header = ParseMp3Header(frame.data(), frame.size());
    if (!header) return false;
    frame.insert(frame.end(), stream.begin() + base[i], stream.begin() + base[i + 1]);
    SetMainDataBegin(*header, frame.data(), static_cast<uint32_t>(base[i] - start[i]));
    built.push_back(std::move(frame));
  }
  return true;
}

bool TSplicer::BuildRun(const TFramePlan& plan, int64_t a, int64_t b, int lowerSteps,
                        std::vector<std::vector<uint8_t>>& built) const {
  std::vector<uint8_t> carried;
  const int64_t n = static_cast<int64_t>(plan.source.size());
  if (b < n) {
    const int64_t g = plan.source[static_cast<size_t>(b)];
    std::optional<uint32_t> carry = Carry(g);
    if (!carry || !CarriedBytes(g, *carry, carried)) return false;
  }
  // The bitrate of the frames replaced: the file's own for CBR, their average for VBR.
  const auto& frames = src_.Frames();
  uint64_t bits = 0, counted = 0;
  for (int64_t j = a; j < b; ++j) {
    const int64_t g = std::clamp<int64_t>(
        plan.source[static_cast<size_t>(j)] >= 0 ? plan.source[static_cast<size_t>(j)] : j, 0,
        static_cast<int64_t>(frames.size()) - 1);
    bits += Mp3Bitrate(format_.version, frames[static_cast<size_t>(g)].bitrateIndex);
    ++counted;
  }
  uint8_t index = format_.bitrateIndex;
  if (src_.Vbr() && counted > 0) {
    const uint64_t average = bits / counted;
    for (index = 1; index < 14 && Mp3Bitrate(format_.version, index + 1) <= average; ++index) {
    }
  }
  auto reader = [this](int64_t first, uint64_t count, int16_t* out) {
    ReadDocument(first, count, out);
  };
  const int64_t firstSample = a * spf_ - plan.skip;
  std::vector<TBridgeFrame> encoded =
      EncodeBridge(format_, Mp3Bitrate(format_.version, index), firstSample,
                   static_cast<uint64_t>(b - a), reader);
  if (encoded.size() != static_cast<size_t>(b - a)) return false;
  std::vector<uint8_t> indexes(encoded.size(), index);
  if (Layout(encoded, indexes, carried, built)) return true;
  const size_t tail = std::min(kTailFrames, encoded.size());
  const int64_t tailFirst = firstSample + static_cast<int64_t>(encoded.size() - tail) * spf_;
  if (src_.Vbr()) {
    // A VBR file may give the last frames more room.
    for (size_t i = indexes.size(); i-- > indexes.size() - tail;) {
      indexes[i] = 14;
      if (Layout(encoded, indexes, carried, built)) return true;
    }
    return false;
  }
  // A CBR file keeps its bitrate: the last frames are encoded again into less of it.
  for (int step = 1; step <= lowerSteps && index - step >= 1; ++step) {
    std::vector<TBridgeFrame> lower =
        EncodeBridge(format_, Mp3Bitrate(format_.version, static_cast<uint8_t>(index - step)),
                     tailFirst, tail, reader);
    if (lower.size() != tail) return false;
    std::move(lower.begin(), lower.end(), encoded.end() - static_cast<std::ptrdiff_t>(tail));
    if (Layout(encoded, indexes, carried, built)) return true;
  }
  return false;
}

}  // namespace

TSpliceResult WriteSplicedMp3(const TSourceMap& map, uint64_t frames, uint16_t channels,
                              uint32_t rate, const TDocumentReader& read, const std::string& path,
                              std::atomic<int32_t>& progress, const TCancelToken& cancel) {
  TSpliceResult result;
  if (!map.refusal.empty()) {
    result.refusal = map.refusal;
    return result;
  }
  if (!map.source || !map.source->Usable()) {
    result.refusal = map.source ? map.source->Refusal() : "mp3unreadable";
    return result;
  }
  const TMp3Source& src = *map.source;
  if (src.Format().sampleRate != rate || src.Format().Channels() != channels) {
    result.refusal = "mp3formatdiffers";
    return result;
  }
  if (frames == 0) {
    result.refusal = "mp3brokenframe";
    return result;
  }
  TSplicer splicer(map, frames, read);
  TFramePlan plan = splicer.BestPlan();
  const int64_t n = static_cast<int64_t>(plan.source.size());
  const int64_t spf = splicer.Spf();
  const uint32_t delay = static_cast<uint32_t>(plan.skip - kDecoderDelay);
  const uint32_t padding = static_cast<uint32_t>(n * spf - delay - static_cast<int64_t>(frames));

  // Every run of encoded frames is made before anything is written: a join that cannot be
  // bridged refuses the save while nothing is lost.
  std::map<int64_t, std::vector<std::vector<uint8_t>>> runs;
  for (int64_t j = 0; j < n;) {
    if (plan.source[static_cast<size_t>(j)] >= 0) {
      ++j;
      continue;
    }
    cancel.ThrowIfCancelled();
    auto runEnd = [&](int64_t from) {
      while (from < n && plan.source[static_cast<size_t>(from)] < 0) ++from;
      return from;
    };
    const int64_t b = runEnd(j);
    // Where the carried reservoir bytes do not fit, the bridge takes up to kExtraFrames more
    // frames at the source's bitrate, then the same with its last frames at lower ones.
    std::vector<std::vector<uint8_t>> built;
    int64_t end = -1;
    for (int lower : {0, kLowerSteps}) {
      for (int64_t extra = 0; extra <= kExtraFrames && end < 0; ++extra) {
        const int64_t stop = b + extra > n ? -1 : runEnd(b + extra);
        if (stop < 0) break;
        if (splicer.BuildRun(plan, j, stop, lower, built)) end = stop;
        if (stop == n) break;
      }
      if (end >= 0) break;
    }
    if (end < 0) {
      result.refusal = "mp3reservoir";
      return result;
    }
    for (int64_t e = b; e < end; ++e) {
      if (plan.source[static_cast<size_t>(e)] >= 0) --plan.copied;
      plan.source[static_cast<size_t>(e)] = -1;
    }
    const int64_t b2 = end;
    result.stats.encoded += static_cast<uint64_t>(b2 - j);
    ++result.stats.joins;
    runs[j] = std::move(built);
    j = b2;
  }
  result.stats.copied = plan.copied;

  bool vbr = src.Vbr();
  for (const auto& [at, built] : runs)
    for (const std::vector<uint8_t>& frame : built)
      if ((frame[2] >> 4) != src.Format().bitrateIndex) vbr = true;
  TMp3Header tagFormat = src.Format();
  const std::array<uint8_t, 100> noToc{};
  const std::vector<uint8_t> placeholder =
      MakeXingFrame(tagFormat, vbr, 0, 0, noToc, delay, padding, 0);
  TFileWriter writer(path);
  writer.Write(placeholder.data(), placeholder.size());
  std::vector<uint64_t> offsets(100, 0);
  uint16_t musicCrc = 0;
  std::vector<uint8_t> frame;
  auto put = [&](int64_t j, const std::vector<uint8_t>& bytes) {
    for (int64_t i = (j * 100 + n - 1) / n; i < 100 && i * n / 100 == j; ++i)
      offsets[static_cast<size_t>(i)] = writer.Position();
    // Only the frames at a hundredth of the file are looked up, so every frame is visited once.
    musicCrc = LameCrc(musicCrc, bytes.data(), bytes.size());
    writer.Write(bytes.data(), bytes.size());
  };
  for (int64_t j = 0; j < n;) {
    if ((j & 1023) == 0) {
      cancel.ThrowIfCancelled();
      progress.store(static_cast<int32_t>(j * 100 / n), std::memory_order_relaxed);
    }
    auto run = runs.find(j);
    if (run != runs.end()) {
      for (const std::vector<uint8_t>& bytes : run->second) put(j++, bytes);
      continue;
    }
    if (!src.ReadFrame(static_cast<size_t>(plan.source[static_cast<size_t>(j)]), frame)) {
      // The caller encodes the whole document into another file instead.
      writer.Close();
      result.refusal = "mp3unreadable";
      return result;
    }
    put(j++, frame);
  }
  const uint64_t streamBytes = writer.Position();
  std::array<uint8_t, 100> toc{};
  for (size_t i = 0; i < 100; ++i)
    toc[i] = static_cast<uint8_t>(std::min<uint64_t>(255, offsets[i] * 256 / streamBytes));
  const std::vector<uint8_t> tag =
      MakeXingFrame(tagFormat, vbr, static_cast<uint32_t>(n), static_cast<uint32_t>(streamBytes),
                    toc, delay, padding, musicCrc);
  writer.WriteAt(0, tag.data(), tag.size());
  writer.Close();
  progress = 0;
  return result;
}

}  // namespace quillon
