// The edits that change the length on the worker: insert silence, delete, copy, cut and paste
// of the clipboard's audio, which may also be an audio file it names.
#include <algorithm>
#include <new>
#include <vector>

#include "codecs/clipformat.h"
#include "codecs/pastedfile.h"
#include "document/operationjob.h"
#include "platform/error.h"

namespace quillon {

namespace {
const char* kClipboardMemoryText = "Could not allocate memory for clipboard.";
}

TOperationResult TOperationJob::InsertSilence() {
  const uint64_t n = Source().frameCount, k = Source().channels;
  const uint64_t position = request_.rangeStart, frames = request_.silenceFrames;
  MoveMarkers([&](TMarkerList& list) { FollowInsert(list, position, frames); });
  result_.sourceMap = MapAfterInsert(request_.sourceMap, position, frames);
  return Edit(n + frames, [&](TLargeFile& next) {
    CopySamples(next, 0, 0, position * k);
    // A new store reads as zeros, so the silence itself needs no writing.
    CopySamples(next, position * k, (position + frames) * k, (n - position) * k);
  });
}

TOperationResult TOperationJob::Delete() {
  const uint64_t n = Source().frameCount, k = Source().channels;
  const uint64_t start = request_.rangeStart, stop = request_.rangeStop;
  MoveMarkers([&](TMarkerList& list) { FollowRemove(list, start, stop); });
  result_.sourceMap = MapAfterRemove(request_.sourceMap, start, stop);
  return Edit(n - (stop - start), [&](TLargeFile& next) {
    CopySamples(next, 0, 0, start * k);
    CopySamples(next, stop * k, start * k, (n - stop) * k);
  });
}

std::vector<uint8_t> ReadRangeBlock(const TAudioState& state, uint64_t start, uint64_t stop,
                                    const TCancelToken& cancel) {
  const uint64_t k = state.channels;
  const uint64_t count = (stop - start) * k;
  std::vector<uint8_t> block;
  try {
    block.resize(kWavHeaderSize + count * 2);
  } catch (const std::bad_alloc&) {
    throw Exception(kClipboardMemoryText);
  }
  TWavHeader header = state.header;
  SetWavDataSize(header, static_cast<uint32_t>(count * 2));
  std::copy(header.begin(), header.end(), block.begin());
  // In pieces, so that a stop request is looked at while a long range is read.
  constexpr uint64_t kPieceSamples = uint64_t{4} << 20;
  auto* samples = reinterpret_cast<int16_t*>(block.data() + kWavHeaderSize);
  for (uint64_t done = 0; done < count; done += kPieceSamples) {
    cancel.ThrowIfCancelled();
    const uint64_t first = start * k + done, n = std::min(kPieceSamples, count - done);
    state.samples->ReadSamples(samples + done, static_cast<uint32_t>(first),
                               static_cast<uint32_t>(first + n - 1));
  }
  return block;
}

std::vector<uint8_t> TOperationJob::ReadRange(uint64_t start, uint64_t stop) const {
  return ReadRangeBlock(Source(), start, stop, request_.cancel);
}

TOperationResult TOperationJob::Copy() {
  progress_ = 5;
  result_.clip = ReadRange(request_.rangeStart, request_.rangeStop);
  result_.clipOrigin = MakeClipOrigin(
      *result_.clip, MapOfRange(request_.sourceMap, request_.rangeStart, request_.rangeStop));
  // Until the clipboard has it, a stop still leaves the clipboard as it was.
  CheckCancel();
  progress_ = 0;
  return result_;
}

TOperationResult TOperationJob::Cut() {
  std::vector<uint8_t> block = ReadRange(request_.rangeStart, request_.rangeStop);
  TSharedClipOrigin origin = MakeClipOrigin(
      block, MapOfRange(request_.sourceMap, request_.rangeStart, request_.rangeStop));
  Delete();
  result_.clipOrigin = std::move(origin);
  // Handed to the clipboard only once the range is gone, so that a failed cut changes nothing.
  result_.clip = std::move(block);
  return result_;
}

std::optional<std::vector<int16_t>> TOperationJob::ClipboardAudio() {
  const uint16_t channels = Source().channels;
  const uint32_t rate = Source().sampleRate;
  if (request_.clipBlock)
    // Not audio we can read: like an empty clipboard.
    return ReadClipAudio(request_.clipBlock->data(), request_.clipBlock->size(), channels, rate);
  if (request_.clipFiles.empty()) return std::nullopt;
  TFileClip clip = ReadFileClip(request_.clipFiles, channels, rate, progress_, request_.tempFolder,
                                kMaxFileClipBytes, request_.cancel);
  progress_ = 0;
  if (!clip.refusal.empty()) {
    result_.message =
        TOperationMessage{kApplicationTitle, clip.refusal, TMessageIcon::Exclamation, false};
    return std::nullopt;
  }
  return std::move(clip.samples);
}

std::vector<TFrameSpan> OrderedSpans(std::vector<TFrameSpan> spans, uint64_t frames) {
  for (TFrameSpan& span : spans) {
    span.stop = std::min(span.stop, frames);
    span.start = std::min(span.start, span.stop);
  }
  std::erase_if(spans, [](const TFrameSpan& span) { return span.Length() == 0; });
  std::sort(spans.begin(), spans.end(),
            [](const TFrameSpan& a, const TFrameSpan& b) { return a.start < b.start; });
  std::vector<TFrameSpan> joined;
  for (const TFrameSpan& span : spans) {
    if (!joined.empty() && span.start <= joined.back().stop)
      joined.back().stop = std::max(joined.back().stop, span.stop);
    else
      joined.push_back(span);
  }
  return joined;
}

TOperationResult TOperationJob::RemoveSpans() {
  const uint64_t n = Source().frameCount, k = Source().channels;
  const std::vector<TFrameSpan> spans =
      OrderedSpans(request_.planSpans ? request_.planSpans(Source(), request_.cancel)
                                      : std::vector<TFrameSpan>{},
                   n);
  if (spans.empty()) {
    // Nothing changes, and the status line says why.
    if (!request_.nothingToRemove.empty()) result_.notices.push_back(request_.nothingToRemove);
    return result_;
  }
  uint64_t removed = 0;
  for (const TFrameSpan& span : spans) removed += span.Length();
  // From the last span back, so that each one's frames are still those of the source.
  MoveMarkers([&](TMarkerList& list) {
    for (auto span = spans.rbegin(); span != spans.rend(); ++span)
      FollowRemove(list, static_cast<int64_t>(span->start), static_cast<int64_t>(span->stop));
  });
  result_.sourceMap = request_.sourceMap;
  for (auto span = spans.rbegin(); span != spans.rend(); ++span)
    result_.sourceMap = MapAfterRemove(result_.sourceMap, span->start, span->stop);
  return Edit(n - removed, [&](TLargeFile& next) {
    uint64_t from = 0, to = 0;
    for (const TFrameSpan& span : spans) {
      CopySamples(next, from * k, to * k, (span.start - from) * k);
      to += span.start - from;
      from = span.stop;
      progress_ = ProgressPercent(from, n);
    }
    CopySamples(next, from * k, to * k, (n - from) * k);
  });
}

TOperationResult TOperationJob::Paste() {
  std::optional<std::vector<int16_t>> clip = ClipboardAudio();
  if (!clip) return result_;
  const uint64_t n = Source().frameCount, k = Source().channels, position = request_.rangeStart;
  const uint64_t clipFrames = clip->size() / k;
  MoveMarkers([&](TMarkerList& list) { FollowInsert(list, position, clipFrames); });
  // The clipboard's audio is the source's only where a copy from the same source says so.
  result_.sourceMap =
      MapAfterPaste(request_.sourceMap, position, clipFrames, request_.clipOrigin.get(),
                    request_.clipBlock ? &*request_.clipBlock : nullptr);
  return Edit(n + clipFrames, [&](TLargeFile& next) {
    progress_ = 5;
    CopySamples(next, 0, 0, position * k);
    progress_ = 30;
    if (clipFrames > 0)
      next.WriteSamples(clip->data(), static_cast<uint32_t>(position * k),
                        static_cast<uint32_t>((position + clipFrames) * k - 1));
    progress_ = 60;
    CopySamples(next, position * k, (position + clipFrames) * k, (n - position) * k);
    progress_ = 100;
  });
}

}  // namespace quillon
