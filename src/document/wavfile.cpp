#include "document/wavfile.h"

#include <algorithm>
#include <vector>

#include "codecs/bassdecoder.h"
#include "document/journal.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "platform/tempfile.h"

namespace quillon {

namespace {

const char* kOpenErrorCaption = "File Loading Error!";
const char* kUnsupportedText = "Could not import audio file. Format not supported or file broken";
const char* kTooLargeText = "The size of the decompressed audio data exceeds the 2GB limit.";

// Blocks read from the store at a time while the index is rebuilt.
constexpr uint32_t kRebuildChunkBlocks = 64;

struct TBlockExtremes {
  std::array<int16_t, kMaxFilterChannels> maximum;
  std::array<int16_t, kMaxFilterChannels> minimum;
};

// The rebuild starts each block at maximum 0 and minimum 32767.
template <int kChannels>
TBlockExtremes ScanBlock(const int16_t* samples, uint32_t frames) {
  TBlockExtremes e;
  e.maximum.fill(0);
  e.minimum.fill(32767);
  for (uint32_t f = 0; f < frames; ++f)
    for (int k = 0; k < kChannels; ++k) {
      int16_t s = samples[f * kChannels + k];
      e.maximum[k] = std::max(e.maximum[k], s);
      e.minimum[k] = std::min(e.minimum[k], s);
    }
  return e;
}

TBlockExtremes ScanBlock(const int16_t* samples, uint32_t frames, uint16_t channels) {
  return channels == 1 ? ScanBlock<1>(samples, frames) : ScanBlock<2>(samples, frames);
}

}  // namespace

Twavefile::Twavefile() {
  SetStoreReportContext([this] { return TStoreReportContext{Busy(), Operation()}; });
}

Twavefile::~Twavefile() {
  if (busy_) MainThread().WaitServing([this] { return !busy_.load(); });
  SetStoreReportContext(nullptr);
}

CThread::TRoutine Twavefile::RoutineFor(uint32_t operation) {
  switch (operation) {
    case opBuildIndex:
      return [](Twavefile& d) { d.IndexSwitchedState(); };
    case opOpen:
      return [](Twavefile& d) { d.DoOpen(); };
    case opRecover:
      return [](Twavefile& d) { d.DoRecover(); };
    case opSaveMp3:
      return [](Twavefile& d) { d.DoSaveMp3(); };
    case opSaveWav:
      return [](Twavefile& d) { d.DoSaveWav(); };
    case opCut:
      return [](Twavefile& d) { d.DoCut(); };
    case opCopy:
      return [](Twavefile& d) { d.DoCopy(); };
    case opPaste:
      return [](Twavefile& d) { d.DoPaste(); };
    case opDelete:
      return [](Twavefile& d) { d.DoDelete(); };
    case opInsertSilence:
      return [](Twavefile& d) { d.DoInsertSilence(); };
    case opNormalize:
      return [](Twavefile& d) { d.DoNormalize(); };
    case opFadeIn:
    case opFadeOut:
      return [](Twavefile& d) { d.DoFade(); };
    case opReverse:
      return [](Twavefile& d) { d.DoReverse(); };
    case opInvert:
      return [](Twavefile& d) { d.DoInvert(); };
    case opAmplify:
      return [](Twavefile& d) { d.DoAmplify(); };
    default:
      return [operation](Twavefile&) {
        throw Exception("Operation " + std::to_string(operation) + " is not available.");
      };
  }
}

void Twavefile::RunOperation() {
  if (busy_) return;
  busy_ = true;
  worker_ = std::make_unique<CThread>(RoutineFor(operation_), *this, [this] { OperationDone(); });
  worker_->Start();
}

void Twavefile::OperationDone() {
  worker_->Join();
  int result = worker_->Result();
  worker_.reset();
  if (result == CThread::kSucceeded) {
    loaded_ = true;
    if (operation_ == opRecover) RaiseAction(CanUndo(), CanRedo());
    if ((operation_ == opOpen || operation_ == opRecover) && OnLoaded) OnLoaded(this);
    // Only a save of the whole document to its own file makes it unmodified.
    if ((operation_ == opSaveMp3 || operation_ == opSaveWav) && savingWhole_) modified_ = false;
  }
  progress_ = 0;
  // A copy changes nothing of the document's state.
  if (operation_ != opCopy) RaiseStateChanged();
  if (OnReady) OnReady(this);
  busy_ = false;
}

void Twavefile::RaiseStateChanged() {
  if (OnStateChanged) OnStateChanged(this);
}

void Twavefile::Open(const std::string& path) {
  if (busy_) return;
  fileName_ = path;
  operation_ = opOpen;
  RunOperation();
}

void Twavefile::ShowOpenError(const std::string& text) {
  worker_->SetResult(CThread::kReportedFailure);
  MainThread().Invoke(
      [&] { MessageBoxes().Show(kOpenErrorCaption, text, TMessageIcon::Exclamation); });
}

bool Twavefile::DecodedSizeFits(int64_t estimatedBytes) {
  // Durations in containers can be a little off; the exact checks follow the decode.
  const double slack = 1.01;
  if (estimatedBytes > kMaxDecodedBytes * slack) {
    ShowOpenError(kTooLargeText);
    return false;
  }
  std::optional<uint64_t> free = FreeDiskSpace(config.tempfolder);
  if (free && (estimatedBytes + kWavHeaderSize) > *free * slack) {
    ShowOpenError(ConstantText("outofmemory"));
    return false;
  }
  return true;
}

bool Twavefile::DecodeSource(TBASSDecoder& decoder) {
  if (!decoder.Ready()) {
    ShowOpenError(kUnsupportedText);
    return false;
  }
  if (auto estimate = decoder.EstimatedBytes(); estimate && !DecodedSizeFits(*estimate))
    return false;
  try {
    if (!decoder.Decode(progress_, kMaxDecodedBytes)) {
      ShowOpenError(kUnsupportedText);
      return false;
    }
  } catch (const EOSError&) {
    // A short working copy must never pass for the whole file.
    ShowOpenError(ConstantText("outofmemory"));
    return false;
  }
  if (decoder.BytesWritten() > kMaxDecodedBytes) {
    ShowOpenError(kTooLargeText);
    return false;
  }
  return true;
}

void Twavefile::DoOpen() {
  tempFileName_ = MakeTempFileName();
  TBASSDecoder decoder(fileName_, tempFileName_);
  if (!DecodeSource(decoder)) {
    DeleteFileIfExists(tempFileName_);
    return;
  }
  try {
    samples_ = std::make_unique<TLargeFile>(tempFileName_, false);
  } catch (...) {
    DeleteFileIfExists(tempFileName_);
    throw;
  }
  decoder.Filter()->GetIndex(index_);
  decoder.Filter()->GetPeaks(channelPeaks_, peak_, peakDb_);
  originalBits_ = decoder.OriginalBits();
  TWavHeader header;
  samples_->ReadHeader(header);
  ParseHeader(header);
  if (frameCount_ == 0) {
    peak_ = 0;
    peakDb_ = -90;
  }
}

bool Twavefile::Recover(const TJournalState& state) {
  if (busy_ || loaded_ || state.current.empty()) return false;
  fileName_ = state.source;
  tempFileName_ = state.current;
  undoStack_ = TStack();
  redoStack_ = TStack();
  for (const std::string& name : state.undo) undoStack_.Push(name);
  for (const std::string& name : state.redo) redoStack_.Push(name);
  modified_ = true;
  operation_ = opRecover;
  RunOperation();
  return true;
}

void Twavefile::DoRecover() {
  try {
    samples_ = std::make_unique<TLargeFile>(tempFileName_, false);
    TWavHeader header;
    samples_->ReadHeader(header);
    const uint16_t channels = WavChannels(header);
    const uint32_t bytes = WavDataSize(header);
    if (channels < 1 || channels > 2 || WavSampleRate(header) == 0 ||
        bytes > samples_->DataSize() || bytes % (channels * 2u) != 0 ||
        header != MakeWavHeader(channels, WavSampleRate(header), bytes))
      throw Exception("The recovered file is not a working copy of this program: " + tempFileName_);
    ParseHeader(header);
    originalBits_ = 16;
    BuildPeakIndex();
  } catch (...) {
    // Nothing of a broken state is shown; its files stay where they are until the run ends.
    samples_.reset();
    undoStack_ = TStack();
    redoStack_ = TStack();
    modified_ = false;
    RaiseAction(false, false);
    throw;
  }
}

void Twavefile::ParseHeader(const TWavHeader& header) {
  header_ = header;
  dataBytes_ = WavRiffSize(header) - 36;
  channels_ = WavChannels(header);
  sampleRate_ = WavSampleRate(header);
  frameCount_ = channels_ ? dataBytes_ / (channels_ * 2u) : 0;
  duration_ = sampleRate_ ? static_cast<double>(frameCount_) / sampleRate_ : 0;
}

void Twavefile::BuildPeakIndex() {
  progress_ = 0;
  const uint16_t channels = channels_;
  if (channels < 1 || channels > 2 || !samples_) {
    channelPeaks_.fill(0);
    peak_ = 0;
    return;
  }
  // Built aside, so that a failed read leaves the previous index and peaks in place.
  TChannelPeaks channelPeaks{};
  const uint32_t blocks = frameCount_ / kIndexBlockFrames;
  Tindexdata index(static_cast<size_t>(blocks + 1) * channels);
  std::vector<int16_t> buffer(static_cast<size_t>(kRebuildChunkBlocks) * kIndexBlockFrames *
                              channels);
  for (uint32_t first = 0; first <= blocks; first += kRebuildChunkBlocks) {
    uint32_t last = std::min(blocks, first + kRebuildChunkBlocks - 1);
    uint64_t firstFrame = static_cast<uint64_t>(first) * kIndexBlockFrames;
    uint64_t endFrame = std::min<uint64_t>(frameCount_, (last + 1ull) * kIndexBlockFrames);
    if (endFrame > firstFrame)
      samples_->ReadSamples(buffer.data(), static_cast<uint32_t>(firstFrame * channels),
                            static_cast<uint32_t>(endFrame * channels - 1));
    for (uint32_t b = first; b <= last; ++b) {
      progress_.store(blocks ? static_cast<int32_t>(uint64_t{b} * 100 / blocks) : 0,
                      std::memory_order_relaxed);
      uint64_t blockFrame = static_cast<uint64_t>(b) * kIndexBlockFrames;
      uint32_t frames = static_cast<uint32_t>(std::min<uint64_t>(
          kIndexBlockFrames, frameCount_ - std::min(blockFrame, uint64_t{frameCount_})));
      const int16_t* block = buffer.data() + (blockFrame - firstFrame) * channels;
      TBlockExtremes e = ScanBlock(block, frames, channels);
      for (uint16_t k = 0; k < channels; ++k) {
        index[b * channels + k] =
            frames ? Tindextype{e.maximum[k], e.minimum[k]} : Tindextype{0, 0};
        channelPeaks[k] = std::max(channelPeaks[k], e.maximum[k]);
      }
    }
  }
  channelPeaks_ = channelPeaks;
  peak_ = *std::max_element(channelPeaks_.begin(), channelPeaks_.begin() + channels);
  peakDb_ = PeakToDb(peak_);
  index_ = std::move(index);
  progress_ = 0;
}

void Twavefile::CreateNextStore(uint64_t bytes) {
  tempFileName_ = MakeTempFileName();
  nextSamples_ = std::make_unique<TLargeFile>(tempFileName_, true, bytes + kWavHeaderSize);
}

void Twavefile::ReopenCurrent() {
  samples_.reset();
  nextSamples_.reset();
  samples_ = std::make_unique<TLargeFile>(tempFileName_, false);
}

void Twavefile::Close() {
  if (busy_) return;
  loaded_ = false;
  samples_.reset();
  fileName_.clear();
  modified_ = false;
  redoStack_.DeleteAll();
  undoStack_.DeleteAll();
  DeleteFileIfExists(tempFileName_);
  RaiseStateChanged();
}

}  // namespace quillon
