// The effects: they rewrite sample values and keep the length.
#include <algorithm>
#include <vector>

#include "document/effectmath.h"
#include "document/wavfile.h"

namespace quillon {

namespace {
// Samples per chunk of an effect's pass; even, so that chunks hold whole stereo frames.
constexpr uint64_t kChunkSamples = 1 << 16;

int32_t Percent(uint64_t done, uint64_t total) {
  return total ? static_cast<int32_t>(done * 100 / total) : 0;
}
}  // namespace

void Twavefile::TransformSamples(uint64_t first, uint64_t count,
                                 const std::function<void(int16_t*, uint64_t, size_t)>& transform) {
  std::vector<int16_t> chunk(std::min(count, kChunkSamples));
  for (uint64_t done = 0; done < count;) {
    uint64_t n = std::min(kChunkSamples, count - done);
    uint32_t from = static_cast<uint32_t>(first + done);
    uint32_t last = static_cast<uint32_t>(first + done + n - 1);
    samples_->ReadSamples(chunk.data(), from, last);
    transform(chunk.data(), first + done, n);
    nextSamples_->WriteSamples(chunk.data(), from, last);
    done += n;
  }
}

void Twavefile::DoFade() {
  const bool fadeIn = operation_ == opFadeIn;
  const uint64_t n = frameCount_, k = channels_, start = rangeStart_, stop = rangeStop_;
  RunEdit(n, [&] {
    CopySamples(0, 0, start * k);
    TransformSamples(start * k, (stop - start) * k, [&](int16_t* s, uint64_t first, size_t count) {
      ApplyFade(s, count / k, static_cast<int>(k), first / k - start, stop - start, fadeIn);
    });
    CopySamples(stop * k, stop * k, (n - stop) * k);
  });
}

void Twavefile::TransformEverySample(const std::function<void(int16_t*, size_t)>& apply) {
  progress_ = 0;
  const uint64_t n = frameCount_, k = channels_;
  RunEdit(n, [&] {
    TransformSamples(0, n * k, [&](int16_t* s, uint64_t first, size_t count) {
      progress_.store(Percent(first / k, n), std::memory_order_relaxed);
      apply(s, count);
    });
    progress_ = 100;
  });
}

void Twavefile::DoNormalize() {
  if (peak_ <= 0) {
    // Silence (or audio without positive excursions) has no gain to speak of: keep it.
    TransformEverySample([](int16_t*, size_t) {});
    return;
  }
  const double gain = (normalizePercent_ / 100.0 * 32768.0) / peak_;
  const TSampleTable table([gain](int16_t s) { return NormalizeSample(s, gain); });
  TransformEverySample([&](int16_t* s, size_t count) { table.Apply(s, count); });
}

void Twavefile::DoAmplify() {
  const double factor = AmplifyFactor(amplifyPercent_);
  const TSampleTable table([factor](int16_t s) { return AmplifySample(s, factor); });
  TransformEverySample([&](int16_t* s, size_t count) { table.Apply(s, count); });
}

void Twavefile::DoInvert() {
  TransformEverySample(InvertSamples);
}

void Twavefile::DoReverse() {
  progress_ = 0;
  const uint64_t n = frameCount_, k = channels_, total = n * k;
  RunEdit(n, [&] {
    std::vector<int16_t> chunk(std::min(total, kChunkSamples));
    for (uint64_t done = 0; done < total;) {
      uint64_t count = std::min(kChunkSamples, total - done);
      progress_.store(Percent(done / k, n), std::memory_order_relaxed);
      samples_->ReadSamples(chunk.data(), static_cast<uint32_t>(done),
                            static_cast<uint32_t>(done + count - 1));
      // Reverse the order of the frames, keeping each frame's channels in order.
      if (k == 1) {
        std::reverse(chunk.begin(), chunk.begin() + count);
      } else {
        for (uint64_t a = 0, b = count - 2; a < b; a += 2, b -= 2) {
          std::swap(chunk[a], chunk[b]);
          std::swap(chunk[a + 1], chunk[b + 1]);
        }
      }
      uint64_t to = total - done - count;
      nextSamples_->WriteSamples(chunk.data(), static_cast<uint32_t>(to),
                                 static_cast<uint32_t>(to + count - 1));
      done += count;
    }
    progress_ = 100;
  });
}

}  // namespace quillon
