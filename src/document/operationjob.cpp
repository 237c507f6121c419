// The worker's side of every operation: what runs on the request, and the pattern every edit
// follows. Open, undo, redo and recovery are here too; edits, effects and saves have files of
// their own.
#include "document/operationjob.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "codecs/bassdecoder.h"
#include "codecs/openrefusal.h"
#include "codecs/tagreader.h"
#include "codecs/tagtext.h"
#include "codecs/wavmarkers.h"
#include "document/sourceformat.h"
#include "localization/constants.h"
#include "mp3frames/frameindex.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/tempfile.h"

namespace quillon {

namespace {

// The general refusal, then the file and, when it can be told, why.
std::string UnsupportedText(const std::string& path) {
  const std::string reason = OpenRefusalReason(path);
  return ConstantText("openunsupported") + "\n" + path + (reason.empty() ? "" : ": " + reason);
}

// The status line that says a file was opened mixed down, in the interface language.
std::string MixedDownNotice(uint16_t sourceChannels) {
  return ConstantText("mixeddown", "%s", std::to_string(sourceChannels));
}

// The status line that says a file's samples were converted to the working copy's 16 bits.
std::string NarrowedNotice(const TResolution& resolution) {
  return ConstantText("reducedbits", "%s", ResolutionName(resolution.bits, resolution.isFloat));
}

}  // namespace

TOperationJob::TOperationJob(const TOperationRequest& request, std::atomic<int32_t>& progress)
    : request_(request), progress_(progress) {}

TOperationResult TOperationJob::Run(const TOperationRequest& request,
                                    std::atomic<int32_t>& progress) {
  return TOperationJob(request, progress).Dispatch();
}

TOperationResult TOperationJob::Dispatch() {
  switch (request_.operation) {
    case opBuildIndex:
      return TakeUpStore();
    case opOpen:
      return Open();
    case opRecover:
      return TakeUpRecoveredStore();
    case opSaveMp3:
      return SaveMp3();
    case opSaveWav:
      return SaveWav();
    case opSaveFlac:
    case opSaveVorbis:
    case opSaveOpus:
      return SaveEncoded();
    case opCut:
      return Cut();
    case opCopy:
      return Copy();
    case opPaste:
      return Paste();
    case opDelete:
      return Delete();
    case opInsertSilence:
      return InsertSilence();
    case opNormalize:
      return Normalize();
    case opFadeIn:
    case opFadeOut:
      return Fade();
    case opReverse:
      return Reverse();
    case opInvert:
      return Invert();
    case opAmplify:
      return Amplify();
    case opRemoveSpans:
      return RemoveSpans();
    case opApplyGain:
      return ApplyGain();
    case opToMono:
    case opToStereo:
    case opSwapChannels:
      return RemixChannels();
    case opResample:
      return Resample();
    case opSplit:
      return Split();
    default:
      throw Exception("Operation " + std::to_string(request_.operation) + " is not available.");
  }
}

bool IsEdit(uint32_t operation) {
  return (operation >= opCut && operation <= opAmplify && operation != opCopy) ||
         (operation >= opRemoveSpans && operation <= opResample);
}

bool IsSave(uint32_t operation) {
  return operation == opSaveMp3 || operation == opSaveWav ||
         (operation >= opSaveFlac && operation <= opSaveOpus);
}

// Open

void TOperationJob::ReportOpenFailure(const std::string& text) {
  result_.outcome = TOperationResult::kReportedFailure;
  result_.message =
      TOperationMessage{ConstantText("openerrorcaption"), text, TMessageIcon::Exclamation, false};
}

bool TOperationJob::DecodedSizeFits(int64_t estimatedBytes) {
  // Durations in containers can be a little off; the exact checks follow the decode.
  const double slack = 1.01;
  if (estimatedBytes > kMaxDecodedBytes * slack) {
    ReportOpenFailure(ConstantText("opentoolarge"));
    return false;
  }
  std::optional<uint64_t> free = FreeDiskSpace(request_.tempFolder);
  if (free && (estimatedBytes + kWavHeaderSize) > *free * slack) {
    ReportOpenFailure(ConstantText("outofmemory"));
    return false;
  }
  return true;
}

bool TOperationJob::DecodeSource(TBASSDecoder& decoder) {
  if (!decoder.Ready()) {
    ReportOpenFailure(UnsupportedText(request_.fileName));
    return false;
  }
  if (auto estimate = decoder.EstimatedBytes(); estimate && !DecodedSizeFits(*estimate))
    return false;
  try {
    if (!decoder.Decode(progress_, kMaxDecodedBytes)) {
      ReportOpenFailure(UnsupportedText(request_.fileName));
      return false;
    }
  } catch (const EOSError& error) {
    // A short working copy must never pass for the whole file. A source that cannot be read says
    // why in the system's words; only a lack of space is the full-disk message.
    const bool noSpace = error.Code() == ENOSPC || error.Code() == EDQUOT || error.Code() == ENOMEM;
    ReportOpenFailure(noSpace ? ConstantText("outofmemory") : std::string(error.what()));
    return false;
  }
  if (decoder.BytesWritten() > kMaxDecodedBytes) {
    ReportOpenFailure(ConstantText("opentoolarge"));
    return false;
  }
  return true;
}

namespace {

bool HasMp3Extension(const std::string& path) {
  const std::filesystem::path extension = std::filesystem::path(path).extension();
  std::string lower = extension.string();
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower == ".mp3";
}

}  // namespace

TSharedSourceMap TOperationJob::IndexMp3Source(const std::string& path, const TAudioState& state,
                                               const TBASSDecoder& decoder) {
  if (!HasMp3Extension(path)) return nullptr;
  auto source = std::make_shared<TMp3Source>(path);
  // The frames are only the document's when the decoder gave exactly what they decode to: the
  // same channels, rate and length.
  const bool same = source->Usable() && decoder.SourceChannels() == state.channels &&
                    source->Format().Channels() == state.channels &&
                    source->Format().sampleRate == state.sampleRate &&
                    source->DecodedLength() == state.frameCount;
  if (!same) {
    // Kept without frames, so that a save can say why it encodes everything.
    auto unusable = std::make_shared<TSourceMap>();
    unusable->refusal = source->Usable() ? std::string("mp3lengthdiffers") : source->Refusal();
    return unusable;
  }
  return WholeSourceMap(std::move(source), state.frameCount);
}

TOperationResult TOperationJob::Open() {
  const std::string store = MakeTempFileNameIn(request_.tempFolder);
  try {
    TBASSDecoder decoder(request_.fileName, store);
    decoder.SetCancel(request_.cancel);
    if (!DecodeSource(decoder)) {
      DeleteFileIfExists(store);
      return result_;
    }
    auto state = std::make_shared<TAudioState>();
    state->fileName = store;
    state->samples = std::make_shared<TLargeFile>(store, false);
    decoder.Filter()->GetIndex(state->peaks.index);
    decoder.Filter()->GetPeaks(state->peaks.channelPeaks, state->peaks.peak, state->peaks.peakDb);
    const TResolution& resolution = decoder.OriginalResolution();
    state->originalBits = resolution.bits;
    state->originalFloat = resolution.isFloat;
    if (resolution.Narrowed()) result_.notices.push_back(NarrowedNotice(resolution));
    if (decoder.SourceChannels() > decoder.Channels()) {
      state->sourceChannels = decoder.SourceChannels();
      result_.notices.push_back(MixedDownNotice(decoder.SourceChannels()));
    }
    TWavHeader header;
    state->samples->ReadHeader(header);
    state->ApplyHeader(header);
    state->peaks.coarse = CoarsenIndex(state->peaks.index, state->channels);
    if (state->frameCount == 0) {
      state->peaks.peak = 0;
      state->peaks.peakDb = -90;
    }
    CheckCancel();
    result_.sourceMap = IndexMp3Source(request_.fileName, *state, decoder);
    result_.state = std::move(state);
  } catch (...) {
    DeleteFileIfExists(store);
    throw;
  }
  // After the audio, and never in its way: a tag that cannot be read only costs a notice.
  TTagReading reading = ReadTags(request_.fileName);
  result_.tags = std::move(reading.tags);
  for (std::string& notice : reading.notices) result_.notices.push_back(std::move(notice));
  // Likewise the markers: a damaged chunk or chapter costs its notices, never the audio. A WAV
  // holds them in chunks of its own, other forms as chapters beside their tags.
  TMarkerReading markers = ReadWavMarkers(request_.fileName, result_.state->frameCount);
  if (markers.list.Empty() && markers.notices.empty())
    markers =
        MarkersOfChapters(reading.chapters, result_.state->sampleRate, result_.state->frameCount,
                          std::filesystem::path(request_.fileName).filename().string());
  if (!markers.list.Empty())
    result_.markers = std::make_shared<const TMarkerList>(std::move(markers.list));
  for (std::string& notice : markers.notices) result_.notices.push_back(std::move(notice));
  return result_;
}

// Undo, redo and recovery

TOperationResult TOperationJob::TakeUpStore() {
  auto state = OpenAudioState(request_.fileName, progress_, request_.cancel);
  if (request_.source) {
    state->originalBits = request_.source->originalBits;
    state->originalFloat = request_.source->originalFloat;
    state->sourceChannels = request_.source->sourceChannels;
  }
  result_.state = std::move(state);
  return result_;
}

TOperationResult TOperationJob::TakeUpRecoveredStore() {
  auto state = OpenAudioState(request_.fileName, progress_, request_.cancel);
  const TWavHeader& header = state->header;
  const uint16_t channels = WavChannels(header);
  const uint32_t bytes = WavDataSize(header);
  if (channels < 1 || channels > 2 || WavSampleRate(header) == 0 ||
      bytes > state->samples->DataSize() || bytes % (channels * 2u) != 0 ||
      header != MakeWavHeader(channels, WavSampleRate(header), bytes))
    throw Exception(ConstantText("recoverednotours") + " " + request_.fileName);
  result_.recoveredMaps = BindJournalMaps(request_.recordedMaps, state->frameCount);
  result_.state = std::move(state);
  result_.tags = RecoveredTags();
  return result_;
}

// The journal's tags with their cover's picture read back. The picture's file goes once read:
// the journal writes the cover anew as soon as the document is installed.
TTags TOperationJob::RecoveredTags() const {
  TTags tags = request_.tags;
  if (request_.coverFile.empty()) return tags;
  std::error_code error;
  const auto size = std::filesystem::file_size(request_.coverFile, error);
  std::ifstream in(request_.coverFile, std::ios::binary);
  if (error || size > kMaxCoverBytes || !tags.cover || !in) {
    tags.cover.reset();
  } else {
    tags.cover->data.resize(size);
    if (!in.read(reinterpret_cast<char*>(tags.cover->data.data()),
                 static_cast<std::streamsize>(size)) ||
        tags.cover->data.empty())
      tags.cover.reset();
  }
  DeleteFileIfExists(request_.coverFile);
  return tags;
}

// The edit pattern

void TOperationJob::MoveMarkers(const std::function<void(TMarkerList&)>& follow) {
  if (request_.markers->Empty()) return;
  auto moved = std::make_shared<TMarkerList>(*request_.markers);
  follow(*moved);
  result_.markers = std::move(moved);
}

void TOperationJob::CopySamples(TLargeFile& next, uint64_t from, uint64_t to,
                                uint64_t count) const {
  // Small enough that the kernel copies a piece well within the time a stop may take.
  constexpr uint64_t kPieceSamples = uint64_t{8} << 20;
  for (uint64_t done = 0; done < count; done += kPieceSamples) {
    CheckCancel();
    next.CopyFrom(*Source().samples, static_cast<uint32_t>(from + done),
                  static_cast<uint32_t>(to + done),
                  static_cast<int64_t>(std::min(kPieceSamples, count - done)));
  }
}

TOperationResult TOperationJob::Edit(uint64_t newFrames,
                                     const std::function<void(TLargeFile& next)>& writeSamples) {
  return BuildState(newFrames, [&](TLargeFile& next) -> std::optional<TPeakIndex> {
    writeSamples(next);
    return std::nullopt;
  });
}

TOperationResult TOperationJob::EditInOrder(
    uint64_t newFrames,
    const std::function<void(TLargeFile& next, TPeakScan& scan)>& writeSamples) {
  return BuildState(newFrames, [&](TLargeFile& next) {
    TPeakScan scan(Source().channels, static_cast<uint32_t>(newFrames));
    writeSamples(next, scan);
    return scan.Finish();
  });
}

TOperationResult TOperationJob::BuildState(
    uint64_t newFrames,
    const std::function<std::optional<TPeakIndex>(TLargeFile& next)>& writeSamples) {
  return BuildState(newFrames, Source().header, writeSamples);
}

TOperationResult TOperationJob::BuildState(
    uint64_t newFrames, TWavHeader header,
    const std::function<std::optional<TPeakIndex>(TLargeFile& next)>& writeSamples) {
  const TAudioState& source = Source();
  const uint64_t newBytes = newFrames * WavChannels(header) * 2;
  const std::string name = MakeTempFileNameIn(request_.tempFolder);
  try {
    auto state = std::make_shared<TAudioState>();
    std::optional<TPeakIndex> index;
    {
      TLargeFile next(name, true, newBytes + kWavHeaderSize, request_.tempFolder);
      // Over the limit the store has refused already, so the size fits the header's fields.
      SetWavDataSize(header, static_cast<uint32_t>(newBytes));
      next.WriteHeader(header);
      index = writeSamples(next);
    }
    state->fileName = name;
    state->samples = std::make_shared<TLargeFile>(name, false);
    state->ApplyHeader(header);
    state->originalBits = source.originalBits;
    state->originalFloat = source.originalFloat;
    state->sourceChannels = source.sourceChannels;
    // A scan that missed a frame (it should not) costs only the second pass.
    state->peaks = index ? std::move(*index)
                         : BuildPeakIndex(*state->samples, state->channels, state->frameCount,
                                          progress_, request_.cancel);
    // A stop asked for at the very end still wins: nothing has been handed back yet.
    CheckCancel();
    result_.state = std::move(state);
  } catch (...) {
    DeleteFileIfExists(name);
    progress_ = 0;
    throw;
  }
  return result_;
}

}  // namespace quillon
