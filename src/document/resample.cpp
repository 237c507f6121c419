// Change Sample Rate: the whole document through soxr at high quality, with soxr's TPDF dither
// on the 16-bit result, to exactly round(frames x new / old) frames.
#include <soxr.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "document/operationjob.h"
#include "platform/error.h"

namespace quillon {

namespace {

constexpr uint64_t kChunkFrames = 1 << 15;

struct TResamplerDeleter {
  void operator()(soxr_t resampler) const { soxr_delete(resampler); }
};
using TResampler = std::unique_ptr<soxr, TResamplerDeleter>;

TResampler MakeResampler(uint32_t from, uint32_t to, uint16_t channels, bool dither) {
  soxr_error_t error = nullptr;
  soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  if (!dither) io.flags |= SOXR_NO_DITHER;
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  TResampler resampler(soxr_create(from, to, channels, &error, &io, &quality, nullptr));
  if (error || !resampler) throw Exception("The sample rate converter could not be set up.");
  return resampler;
}

}  // namespace

uint64_t ResampledFrames(uint64_t frames, uint32_t from, uint32_t to) {
  // Rounded to the nearest, halves up, in integers: exact for every length a store holds.
  return from == 0 ? 0 : (frames * to + from / 2) / from;
}

TOperationResult TOperationJob::Resample() {
  const TAudioState& source = Source();
  const uint16_t k = source.channels;
  const uint32_t to = request_.newSampleRate;
  const uint64_t n = source.frameCount, target = ResampledFrames(n, source.sampleRate, to);
  if (target * k * 2 > static_cast<uint64_t>(kMaxDecodedBytes))
    throw Exception("At this rate the document would exceed the 2GB limit.");
  const TWavHeader header = MakeWavHeader(k, to, static_cast<uint32_t>(target * k * 2));
  // Markers keep their time: each position at the new rate, rounded as the length is.
  MoveMarkers([&](TMarkerList& list) {
    auto at = [&](int64_t frame) {
      return static_cast<int64_t>(
          ResampledFrames(static_cast<uint64_t>(frame), source.sampleRate, to));
    };
    for (TMarker& marker : list.markers) marker.frame = at(marker.frame);
    for (TRegion& region : list.regions) region = {at(region.start), at(region.end), region.name};
    std::erase_if(list.regions, [](const TRegion& region) { return region.end <= region.start; });
  });
  return BuildState(target, header, [&](TLargeFile& next) {
    TResampler resampler = MakeResampler(source.sampleRate, to, k, request_.dither);
    TPeakScan scan(k, static_cast<uint32_t>(target));
    std::vector<int16_t> in(kChunkFrames * k);
    std::vector<int16_t> out(static_cast<size_t>(
        (kChunkFrames * to / std::max<uint32_t>(1, source.sampleRate) + 64) * k));
    const size_t outFrames = out.size() / k;
    uint64_t read = 0, written = 0;
    auto keep = [&](size_t made) {
      made = static_cast<size_t>(std::min<uint64_t>(made, target - written));
      if (made == 0) return;
      next.WriteSamples(out.data(), static_cast<uint32_t>(written * k),
                        static_cast<uint32_t>((written + made) * k - 1));
      scan.Add(out.data(), made * k);
      written += made;
    };
    while (read < n) {
      CheckCancel();
      const uint64_t frames = std::min(kChunkFrames, n - read);
      source.samples->ReadSamples(in.data(), static_cast<uint32_t>(read * k),
                                  static_cast<uint32_t>((read + frames) * k - 1));
      size_t offered = static_cast<size_t>(frames), used = 0;
      const int16_t* at = in.data();
      while (offered > 0) {
        size_t made = 0;
        if (soxr_process(resampler.get(), at, offered, &used, out.data(), outFrames, &made))
          throw Exception("The sample rate converter failed.");
        keep(made);
        at += used * k;
        offered -= used;
      }
      read += frames;
      progress_ = ProgressPercent(read, n);
    }
    // What the converter still holds comes out once it is told there is no more.
    for (size_t made = 1; made > 0 && written < target;) {
      made = 0;
      if (soxr_process(resampler.get(), nullptr, 0, nullptr, out.data(), outFrames, &made))
        throw Exception("The sample rate converter failed.");
      keep(made);
    }
    // A length the converter fell short of by a frame is made up with silence.
    if (written < target) {
      std::fill(out.begin(), out.end(), 0);
      while (written < target) keep(std::min<uint64_t>(outFrames, target - written));
    }
    return scan.Finish();
  });
}

}  // namespace quillon
