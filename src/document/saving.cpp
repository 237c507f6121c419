// Saving the document, or a range of it, as WAV, MP3, FLAC, Ogg Vorbis or Opus on the worker.
#include <algorithm>
#include <memory>
#include <vector>

#include "codecs/encodedwriter.h"
#include "codecs/mp3maker.h"
#include "codecs/tagwriter.h"
#include "codecs/wavmarkers.h"
#include "document/operationjob.h"
#include "localization/constants.h"
#include "mp3frames/splice.h"
#include "platform/replacementfile.h"

namespace quillon {

namespace {

// Progress steps of an export: whole chunks of 16384 samples, at most about a hundred steps.
uint64_t ExportStep(uint64_t total) {
  constexpr uint64_t kChunk = 16384;
  return std::max(kChunk, (total / 100 + kChunk - 1) / kChunk * kChunk);
}

// Frames handed to FFmpeg's encoders at a time: large enough that the store's reads and the
// calls cost nothing beside the encoding, small enough to stay in cache.
constexpr uint64_t kEncodeFrames = 1 << 16;

// The markers of the saved range, timed from its start. A part ends where the next begins: the
// marker there is the next part's.
TMarkerList RangeMarkers(const TOperationRequest& request, const TAudioState& source) {
  return MarkersInRange(*request.markers, request.rangeStart, request.rangeStop,
                        request.rangeStop == source.frameCount);
}

TSaveFormat EncodedFormatOf(uint32_t operation) {
  if (operation == opSaveFlac) return TSaveFormat::flac;
  return operation == opSaveVorbis ? TSaveFormat::vorbis : TSaveFormat::opus;
}

}  // namespace

void TOperationJob::Deliver(std::unique_ptr<TReplacementFile> output) {
  if (deferred_)
    deferred_->push_back(std::move(output));
  else
    output->Commit();
}

TOperationResult TOperationJob::SaveWav() {
  const TAudioState& source = Source();
  const uint64_t k = source.channels, first = request_.rangeStart * k;
  const uint64_t total = (request_.rangeStop - request_.rangeStart) * k;
  TWavHeader header = source.header;
  SetWavDataSize(header, static_cast<uint32_t>(total * 2));
  progress_ = 0;
  auto output = std::make_unique<TReplacementFile>(request_.targetFileName);
  {
    TLargeFile store(output->Path(), true, total * 2 + kWavHeaderSize, output->Folder());
    store.WriteHeader(header);
    const uint64_t step = ExportStep(total);
    for (uint64_t done = 0; done < total; done += step) {
      CheckCancel();
      progress_.store(ProgressPercent(done, total), std::memory_order_relaxed);
      store.CopyFrom(*source.samples, static_cast<uint32_t>(first + done),
                     static_cast<uint32_t>(done),
                     static_cast<int64_t>(std::min(step, total - done)));
      // The disk writes while the rest is copied: the commit's flush waits for the last step only.
      store.StartWriteBack();
    }
  }
  CheckCancel();
  WriteTags(output->Path(), TSaveFormat::wav, request_.tags, request_.targetFileName);
  AppendWavMarkers(output->Path(), RangeMarkers(request_, source));
  // The last moment a stop can undo: the target changes with the commit.
  CheckCancel();
  Deliver(std::move(output));
  progress_ = 0;
  return result_;
}

namespace {

// Thousands separated, as the status line shows counts.
std::string Grouped(uint64_t value) {
  std::string digits = std::to_string(value);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

}  // namespace

bool TOperationJob::SaveMp3KeepingFrames() {
  if (!request_.keepMp3Frames || !request_.sourceMap) return false;
  const TAudioState& source = Source();
  const uint64_t start = request_.rangeStart, stop = request_.rangeStop;
  const TSharedSourceMap map = start == 0 && stop == source.frameCount
                                   ? request_.sourceMap
                                   : MapOfRange(request_.sourceMap, start, stop);
  const uint64_t k = source.channels;
  auto read = [&](int64_t first, uint64_t count, int16_t* out) {
    const uint64_t at = (start + static_cast<uint64_t>(first)) * k;
    source.samples->ReadSamples(out, static_cast<uint32_t>(at),
                                static_cast<uint32_t>(at + count * k - 1));
  };
  TSpliceResult spliced;
  {
    TReplacementFile output(request_.targetFileName);
    if (map) {
      spliced = WriteSplicedMp3(*map, stop - start, source.channels, source.sampleRate, read,
                                output.Path(), progress_, request_.cancel);
    } else {
      // The range holds no frame of the source.
      spliced.refusal = "mp3nothingkept";
    }
    if (spliced.refusal.empty()) {
      CheckCancel();
      WriteTags(output.Path(), TSaveFormat::mp3, request_.tags, request_.targetFileName);
      CheckCancel();
      output.Commit();
      result_.mp3Frames = spliced.stats;
      result_.notices.push_back(ConstantText(
          "mp3framessaved", {Grouped(spliced.stats.copied), Grouped(spliced.stats.encoded),
                             Grouped(spliced.stats.joins)}));
      progress_ = 0;
      return true;
    }
  }
  result_.notices.push_back(ConstantText("mp3framesencoded", "%1", ConstantText(spliced.refusal)));
  progress_ = 0;
  return false;
}

TOperationResult TOperationJob::SaveMp3() {
  if (SaveMp3KeepingFrames()) return result_;
  const TAudioState& source = Source();
  const uint64_t k = source.channels, first = request_.rangeStart * k;
  const uint64_t total = (request_.rangeStop - request_.rangeStart) * k;
  progress_ = 0;
  auto output = std::make_unique<TReplacementFile>(request_.targetFileName);
  uint32_t chunk = 0;
  MP3writer writer(output->Path(), chunk, request_.mp3Config);
  std::vector<int16_t> buffer(std::max<uint32_t>(chunk, 1));
  const uint64_t chunks = chunk ? total / chunk : 0;
  const uint64_t rest = total - chunks * chunk;
  for (uint64_t j = 0; j < chunks; ++j) {
    CheckCancel();
    progress_.store(ProgressPercent(j, chunks), std::memory_order_relaxed);
    source.samples->ReadSamples(buffer.data(), static_cast<uint32_t>(first + j * chunk),
                                static_cast<uint32_t>(first + j * chunk + chunk - 1));
    writer.EncodeChunk(buffer.data(), chunk * 2);
  }
  if (rest > 0)
    source.samples->ReadSamples(buffer.data(), static_cast<uint32_t>(first + chunks * chunk),
                                static_cast<uint32_t>(first + chunks * chunk + rest - 1));
  // The last chunk goes to the encoder even when it is empty.
  writer.EncodeChunk(buffer.data(), static_cast<uint32_t>(rest * 2));
  writer.Finish();
  CheckCancel();
  WriteTags(output->Path(), TSaveFormat::mp3, request_.tags, request_.targetFileName,
            ChaptersOf(RangeMarkers(request_, source), source.sampleRate));
  // The last moment a stop can undo: the target changes with the commit.
  CheckCancel();
  Deliver(std::move(output));
  progress_ = 0;
  return result_;
}

TOperationResult TOperationJob::SaveEncoded() {
  const TAudioState& source = Source();
  const uint64_t k = source.channels;
  const uint64_t frames = request_.rangeStop - request_.rangeStart;
  const TSaveFormat format = EncodedFormatOf(request_.operation);
  const int quality = format == TSaveFormat::vorbis ? request_.vorbisQuality : request_.opusBitrate;
  progress_ = 0;
  auto output = std::make_unique<TReplacementFile>(request_.targetFileName);
  EncodedWriter writer(output->Path(), format, quality, source.channels, source.sampleRate);
  std::vector<int16_t> buffer(std::min(frames, kEncodeFrames) * k);
  for (uint64_t done = 0; done < frames; done += kEncodeFrames) {
    CheckCancel();
    progress_.store(ProgressPercent(done, frames), std::memory_order_relaxed);
    const uint64_t count = std::min(kEncodeFrames, frames - done);
    const uint64_t first = (request_.rangeStart + done) * k;
    source.samples->ReadSamples(buffer.data(), static_cast<uint32_t>(first),
                                static_cast<uint32_t>(first + count * k - 1));
    writer.Write(buffer.data(), count);
  }
  writer.Finish();
  CheckCancel();
  WriteTags(output->Path(), format, request_.tags, request_.targetFileName,
            ChaptersOf(RangeMarkers(request_, source), source.sampleRate));
  // The last moment a stop can undo: the target changes with the commit.
  CheckCancel();
  Deliver(std::move(output));
  progress_ = 0;
  return result_;
}

}  // namespace quillon
