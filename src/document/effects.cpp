// The effects on the worker: they rewrite sample values and keep the length.
#include <algorithm>
#include <vector>

#include "document/chunkpass.h"
#include "document/effectmath.h"
#include "document/operationjob.h"

namespace quillon {

namespace {

// Copies the frames of source to target in reverse order, keeping each frame's channels in order.
void ReverseFrames(const int16_t* source, int16_t* target, uint64_t count, uint64_t channels) {
  if (channels == 1) {
    for (uint64_t i = 0; i < count; ++i) target[i] = source[count - 1 - i];
    return;
  }
  for (uint64_t f = 0; f < count / 2; ++f) {
    target[2 * f] = source[count - 2 - 2 * f];
    target[2 * f + 1] = source[count - 1 - 2 * f];
  }
}
}  // namespace

void TOperationJob::TransformSamples(
    TLargeFile& next, uint64_t first, uint64_t count,
    const std::function<void(int16_t*, uint64_t, size_t)>& transform, TPeakScan& scan) {
  TPassSteps steps;
  steps.read = [&](TPassChunk& chunk) {
    CheckCancel();
    progress_.store(ProgressPercent(chunk.done, count), std::memory_order_relaxed);
    Source().samples->ReadSamples(chunk.samples.data(), static_cast<uint32_t>(first + chunk.done),
                                  static_cast<uint32_t>(first + chunk.done + chunk.count - 1));
  };
  steps.work = [&](TPassChunk& chunk, uint64_t at, uint64_t n) {
    transform(chunk.samples.data() + at, first + chunk.done + at, n);
  };
  steps.write = [&](const TPassChunk& chunk) {
    next.WriteSamples(chunk.samples.data(), static_cast<uint32_t>(first + chunk.done),
                      static_cast<uint32_t>(first + chunk.done + chunk.count - 1));
    scan.Add(chunk.samples.data(), chunk.count);
  };
  RunChunkPass(count, Source().channels, steps);
}

TOperationResult TOperationJob::Fade() {
  const bool fadeIn = request_.operation == opFadeIn;
  const uint64_t n = Source().frameCount, k = Source().channels;
  const uint64_t start = request_.rangeStart, stop = request_.rangeStop;
  result_.sourceMap = MapAfterChange(request_.sourceMap, start, stop);
  return EditInOrder(n, [&](TLargeFile& next, TPeakScan& scan) {
    TransformWithin(next, scan, {start, stop}, [&](int16_t* s, uint64_t first, size_t count) {
      ApplyFade(s, count / k, static_cast<int>(k), first / k - start, stop - start, fadeIn);
    });
  });
}

TOperationResult TOperationJob::Normalize() {
  const int16_t peak = EffectPeak();
  if (peak <= 0)
    // Silence (or audio without positive excursions) has no gain to speak of: keep it.
    return TransformEverySample([](int16_t*, size_t) {});
  const double gain = (request_.normalizePercent / 100.0 * 32768.0) / peak;
  const TSampleTable table([gain](int16_t s) { return NormalizeSample(s, gain); });
  return TransformEverySample([&](int16_t* s, size_t count) { table.Apply(s, count); });
}

TOperationResult TOperationJob::Amplify() {
  const double factor = AmplifyFactor(request_.amplifyPercent);
  return TransformEverySample(
      [factor](int16_t* s, size_t count) { AmplifySamples(s, count, factor); });
}

TOperationResult TOperationJob::ApplyGain() {
  const TGainPlan plan =
      request_.planGain ? request_.planGain(Source(), request_.cancel) : TGainPlan{};
  if (!plan.notice.empty()) result_.notices.push_back(plan.notice);
  if (!plan.gain) return result_;
  const double gain = *plan.gain;
  const TSampleTable table([gain](int16_t s) { return NormalizeSample(s, gain); });
  return TransformEverySample([&](int16_t* s, size_t count) { table.Apply(s, count); });
}

TOperationResult TOperationJob::Invert() {
  return TransformEverySample(InvertSamples);
}

TOperationResult TOperationJob::Reverse() {
  progress_ = 0;
  const uint64_t n = Source().frameCount, k = Source().channels;
  const TFrameSpan span = EffectSpan();
  const uint64_t base = span.start * k, total = span.Length() * k;
  MoveMarkers([&](TMarkerList& list) {
    FollowReverse(list, static_cast<int64_t>(span.start), static_cast<int64_t>(span.stop));
  });
  if (request_.effectSpan)
    result_.sourceMap = MapAfterChange(request_.sourceMap, span.start, span.stop);
  // The new store is written from its start, so that the scan sees it in order: each chunk is
  // read from the mirrored place into the spare room, and its pieces reversed into place.
  TPassSteps steps;
  steps.read = [&](TPassChunk& chunk) {
    CheckCancel();
    progress_.store(ProgressPercent(chunk.done, total), std::memory_order_relaxed);
    chunk.spare.resize(chunk.samples.size());
    const uint64_t from = base + total - chunk.done - chunk.count;
    Source().samples->ReadSamples(chunk.spare.data(), static_cast<uint32_t>(from),
                                  static_cast<uint32_t>(from + chunk.count - 1));
  };
  steps.work = [&](TPassChunk& chunk, uint64_t at, uint64_t count) {
    ReverseFrames(chunk.spare.data() + chunk.count - at - count, chunk.samples.data() + at, count,
                  k);
  };
  return EditInOrder(n, [&](TLargeFile& next, TPeakScan& scan) {
    CopyAround(next, scan, span, [&] {
      steps.write = [&](const TPassChunk& chunk) {
        next.WriteSamples(chunk.samples.data(), static_cast<uint32_t>(base + chunk.done),
                          static_cast<uint32_t>(base + chunk.done + chunk.count - 1));
        scan.Add(chunk.samples.data(), chunk.count);
      };
      RunChunkPass(total, k, steps);
    });
    progress_ = 100;
  });
}

}  // namespace quillon
