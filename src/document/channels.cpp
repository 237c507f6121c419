// The edits that change the channels: Convert to Mono, Convert to Stereo and Swap Channels.
// Each reads the source a chunk at a time and writes the new store in order, indexed on the way.
#include <algorithm>
#include <cmath>
#include <vector>

#include "document/operationjob.h"

namespace quillon {

namespace {

constexpr uint64_t kChunkFrames = 1 << 16;

int16_t MonoOf(const int16_t* frame, uint16_t channels, TMonoMix mix) {
  if (mix == TMonoMix::Left) return frame[0];
  if (mix == TMonoMix::Right) return frame[std::min<uint16_t>(1, channels - 1)];
  int32_t sum = 0;
  for (uint16_t c = 0; c < channels; ++c) sum += frame[c];
  // The mean, rounded to the nearest with halves away from zero: never louder than the loudest.
  return static_cast<int16_t>(std::lround(static_cast<double>(sum) / channels));
}

uint16_t RemixedChannels(uint32_t operation, uint16_t channels) {
  if (operation == opToMono) return 1;
  if (operation == opToStereo) return 2;
  return channels;
}

void Remix(uint32_t operation, TMonoMix mix, const int16_t* in, int16_t* out, uint64_t frames,
           uint16_t channels) {
  for (uint64_t f = 0; f < frames; ++f) {
    const int16_t* frame = in + f * channels;
    if (operation == opToMono) {
      out[f] = MonoOf(frame, channels, mix);
    } else if (operation == opToStereo) {
      out[2 * f] = out[2 * f + 1] = frame[0];
    } else {
      out[2 * f] = frame[1];
      out[2 * f + 1] = frame[0];
    }
  }
}

}  // namespace

TOperationResult TOperationJob::RemixChannels() {
  const TAudioState& source = Source();
  const uint64_t n = source.frameCount;
  const uint16_t from = source.channels;
  const uint16_t to = RemixedChannels(request_.operation, from);
  const TWavHeader header = MakeWavHeader(to, source.sampleRate, static_cast<uint32_t>(n * to * 2));
  return BuildState(n, header, [&](TLargeFile& next) {
    TPeakScan scan(to, static_cast<uint32_t>(n));
    std::vector<int16_t> in(kChunkFrames * from), out(kChunkFrames * to);
    for (uint64_t done = 0; done < n; done += kChunkFrames) {
      CheckCancel();
      const uint64_t frames = std::min(kChunkFrames, n - done);
      source.samples->ReadSamples(in.data(), static_cast<uint32_t>(done * from),
                                  static_cast<uint32_t>((done + frames) * from - 1));
      Remix(request_.operation, request_.monoMix, in.data(), out.data(), frames, from);
      next.WriteSamples(out.data(), static_cast<uint32_t>(done * to),
                        static_cast<uint32_t>((done + frames) * to - 1));
      scan.Add(out.data(), frames * to);
      progress_ = ProgressPercent(done + frames, n);
    }
    return scan.Finish();
  });
}

}  // namespace quillon
