// The effects on the worker: they rewrite sample values and keep the length.
#include <algorithm>
#include <vector>

#include "document/effectmath.h"
#include "document/operationjob.h"

namespace quillon {

namespace {
// Samples per chunk of an effect's pass; even, so that chunks hold whole stereo frames.
constexpr uint64_t kChunkSamples = 1 << 16;

int32_t Percent(uint64_t done, uint64_t total) {
  return total ? static_cast<int32_t>(done * 100 / total) : 0;
}
}  // namespace

void TOperationJob::TransformSamples(
    TLargeFile& next, uint64_t first, uint64_t count,
    const std::function<void(int16_t*, uint64_t, size_t)>& transform, TPeakScan* scan) {
  std::vector<int16_t> chunk(std::min(count, kChunkSamples));
  for (uint64_t done = 0; done < count;) {
    uint64_t n = std::min(kChunkSamples, count - done);
    uint32_t from = static_cast<uint32_t>(first + done);
    uint32_t last = static_cast<uint32_t>(first + done + n - 1);
    Source().samples->ReadSamples(chunk.data(), from, last);
    transform(chunk.data(), first + done, n);
    next.WriteSamples(chunk.data(), from, last);
    if (scan) scan->Add(chunk.data(), n);
    done += n;
  }
}

TOperationResult TOperationJob::Fade() {
  const bool fadeIn = request_.operation == opFadeIn;
  const uint64_t n = Source().frameCount, k = Source().channels;
  const uint64_t start = request_.rangeStart, stop = request_.rangeStop;
  return EditInOrder(n, [&](TLargeFile& next, TPeakScan& scan) {
    // The parts outside the range are copied by the kernel, so the scan reads them.
    CopySamples(next, 0, 0, start * k);
    ScanSource(scan, 0, start * k);
    TransformSamples(
        next, start * k, (stop - start) * k,
        [&](int16_t* s, uint64_t first, size_t count) {
          ApplyFade(s, count / k, static_cast<int>(k), first / k - start, stop - start, fadeIn);
        },
        &scan);
    CopySamples(next, stop * k, stop * k, (n - stop) * k);
    ScanSource(scan, stop * k, (n - stop) * k);
  });
}

TOperationResult TOperationJob::TransformEverySample(
    const std::function<void(int16_t*, size_t)>& apply) {
  progress_ = 0;
  const uint64_t n = Source().frameCount, k = Source().channels;
  return EditInOrder(n, [&](TLargeFile& next, TPeakScan& scan) {
    TransformSamples(
        next, 0, n * k,
        [&](int16_t* s, uint64_t first, size_t count) {
          progress_.store(Percent(first / k, n), std::memory_order_relaxed);
          apply(s, count);
        },
        &scan);
    progress_ = 100;
  });
}

TOperationResult TOperationJob::Normalize() {
  const int16_t peak = Source().peaks.peak;
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

TOperationResult TOperationJob::Invert() {
  return TransformEverySample(InvertSamples);
}

TOperationResult TOperationJob::Reverse() {
  progress_ = 0;
  const uint64_t n = Source().frameCount, k = Source().channels, total = n * k;
  // The new store is written from its start, so that the scan sees it in order.
  return EditInOrder(n, [&](TLargeFile& next, TPeakScan& scan) {
    std::vector<int16_t> chunk(std::min(total, kChunkSamples));
    for (uint64_t done = 0; done < total;) {
      uint64_t count = std::min(kChunkSamples, total - done);
      progress_.store(Percent(done / k, n), std::memory_order_relaxed);
      uint64_t from = total - done - count;
      Source().samples->ReadSamples(chunk.data(), static_cast<uint32_t>(from),
                                    static_cast<uint32_t>(from + count - 1));
      // Reverse the order of the frames, keeping each frame's channels in order.
      if (k == 1) {
        std::reverse(chunk.begin(), chunk.begin() + count);
      } else {
        for (uint64_t a = 0, b = count - 2; a < b; a += 2, b -= 2) {
          std::swap(chunk[a], chunk[b]);
          std::swap(chunk[a + 1], chunk[b + 1]);
        }
      }
      next.WriteSamples(chunk.data(), static_cast<uint32_t>(done),
                        static_cast<uint32_t>(done + count - 1));
      scan.Add(chunk.data(), count);
      done += count;
    }
    progress_ = 100;
  });
}

}  // namespace quillon
