// Effects on a span of the document: the whole-document effects restricted to frames
// [start, stop), with every sample around the span kept as it was.
#include <algorithm>
#include <vector>

#include "document/effectspan.h"

#include "document/operationjob.h"
#include "document/wavfile.h"
#include "platform/mainthread.h"

namespace quillon {

TFrameSpan TOperationJob::EffectSpan() const {
  return request_.effectSpan.value_or(TFrameSpan{0, Source().frameCount});
}

int16_t TOperationJob::EffectPeak() const {
  if (!request_.effectSpan) return Source().peaks.peak;
  // As the index's peak: the highest sample value, never below 0.
  constexpr uint64_t kPieceSamples = uint64_t{1} << 16;
  const uint64_t k = Source().channels, first = request_.effectSpan->start * k,
                 count = request_.effectSpan->Length() * k;
  std::vector<int16_t> piece(std::min(count, kPieceSamples));
  int16_t peak = 0;
  for (uint64_t done = 0; done < count; done += piece.size()) {
    CheckCancel();
    const uint64_t n = std::min<uint64_t>(piece.size(), count - done);
    Source().samples->ReadSamples(piece.data(), static_cast<uint32_t>(first + done),
                                  static_cast<uint32_t>(first + done + n - 1));
    peak = std::max(peak, *std::max_element(piece.begin(), piece.begin() + n));
  }
  return peak;
}

void TOperationJob::CopyAround(TLargeFile& next, TPeakScan& scan, TFrameSpan span,
                               const std::function<void()>& writeSpan) {
  const uint64_t n = Source().frameCount, k = Source().channels;
  // The parts outside the span are copied by the kernel, so the scan reads them.
  CopySamples(next, 0, 0, span.start * k);
  scan.AddFrom(*Source().samples, 0, span.start * k, nullptr, request_.cancel);
  writeSpan();
  CopySamples(next, span.stop * k, span.stop * k, (n - span.stop) * k);
  scan.AddFrom(*Source().samples, span.stop * k, (n - span.stop) * k, nullptr, request_.cancel);
}

void TOperationJob::TransformWithin(
    TLargeFile& next, TPeakScan& scan, TFrameSpan span,
    const std::function<void(int16_t*, uint64_t, size_t)>& transform) {
  const uint64_t k = Source().channels;
  CopyAround(next, scan, span,
             [&] { TransformSamples(next, span.start * k, span.Length() * k, transform, scan); });
}

TOperationResult TOperationJob::TransformEverySample(
    const std::function<void(int16_t*, size_t)>& apply) {
  progress_ = 0;
  const TFrameSpan span = EffectSpan();
  // Around a span the frames stay the MP3 source's; after a whole-document effect none is.
  if (request_.effectSpan)
    result_.sourceMap = MapAfterChange(request_.sourceMap, span.start, span.stop);
  return EditInOrder(Source().frameCount, [&](TLargeFile& next, TPeakScan& scan) {
    TransformWithin(next, scan, span, [&](int16_t* s, uint64_t, size_t count) { apply(s, count); });
    progress_ = 100;
  });
}

// The requests

bool Twavefile::RequestWithin(TOperationRequest request, TFrameSpan span) {
  const auto held = [](uint64_t frame) {
    return static_cast<int64_t>(std::min<uint64_t>(frame, INT64_MAX));
  };
  if (!CheckRange(held(span.start), held(span.stop))) return false;
  request.effectSpan = span;
  return RunOperation(std::move(request));
}

bool Twavefile::Normalize(int32_t percent, TFrameSpan span) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_) return false;
  TOperationRequest request = MakeRequest(opNormalize);
  request.normalizePercent = percent;
  return RequestWithin(std::move(request), span);
}

bool Twavefile::Amplify(uint32_t percent, TFrameSpan span) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_) return false;
  TOperationRequest request = MakeRequest(opAmplify);
  request.amplifyPercent = percent;
  return RequestWithin(std::move(request), span);
}

bool Twavefile::Reverse(TFrameSpan span) {
  QUILLON_MAIN_THREAD_ONLY();
  return !busy_ && loaded_ && RequestWithin(MakeRequest(opReverse), span);
}

bool Twavefile::Invert(TFrameSpan span) {
  QUILLON_MAIN_THREAD_ONLY();
  return !busy_ && loaded_ && RequestWithin(MakeRequest(opInvert), span);
}

bool Twavefile::ApplyGain(TGainPlanner planner, TFrameSpan span) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || !planner) return false;
  TOperationRequest request = MakeRequest(opApplyGain);
  request.planGain = std::move(planner);
  return RequestWithin(std::move(request), span);
}

// The scope

bool TEffectScope::Normalize(Twavefile& document, int32_t percent) const {
  return span ? document.Normalize(percent, *span) : document.Normalize(percent);
}

bool TEffectScope::Amplify(Twavefile& document, uint32_t percent) const {
  return span ? document.Amplify(percent, *span) : document.Amplify(percent);
}

bool TEffectScope::Reverse(Twavefile& document) const {
  return span ? document.Reverse(*span) : document.Reverse();
}

bool TEffectScope::Invert(Twavefile& document) const {
  return span ? document.Invert(*span) : document.Invert();
}

bool TEffectScope::ApplyGain(Twavefile& document, TGainPlanner planner) const {
  return span ? document.ApplyGain(std::move(planner), *span)
              : document.ApplyGain(std::move(planner));
}

}  // namespace quillon
