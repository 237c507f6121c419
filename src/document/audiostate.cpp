#include "document/audiostate.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quillon {

namespace {

// Samples read from a store at a time while it is scanned: 64 blocks of stereo frames.
constexpr uint64_t kScanChunkSamples = 64 * kIndexBlockFrames * 2;

bool IndexedChannels(uint16_t channels) {
  return channels == 1 || channels == 2;
}

}  // namespace

void TAudioState::ApplyHeader(const TWavHeader& wavHeader) {
  header = wavHeader;
  dataBytes = WavRiffSize(wavHeader) - 36;
  channels = WavChannels(wavHeader);
  sampleRate = WavSampleRate(wavHeader);
  frameCount = channels ? dataBytes / (channels * 2u) : 0;
  duration = sampleRate ? static_cast<double>(frameCount) / sampleRate : 0;
}

TPeakScan::TPeakScan(uint16_t channels, uint32_t frameCount)
    : channels_(channels), frameCount_(frameCount) {
  if (IndexedChannels(channels))
    result_.index.resize(static_cast<size_t>(frameCount / kIndexBlockFrames + 1) * channels);
  maximum_.fill(0);
  minimum_.fill(32767);
}

void TPeakScan::Add(const int16_t* samples, size_t count) {
  if (!IndexedChannels(channels_)) return;
  uint64_t frames = count / channels_;
  framesAdded_ += frames;
  while (frames > 0) {
    const uint32_t take =
        static_cast<uint32_t>(std::min<uint64_t>(frames, kIndexBlockFrames - framesInBlock_));
    ScanExtremes(samples, static_cast<int32_t>(take), channels_, maximum_, minimum_);
    samples += static_cast<size_t>(take) * channels_;
    frames -= take;
    framesInBlock_ += take;
    if (framesInBlock_ == kIndexBlockFrames) CloseBlock();
  }
}

void TPeakScan::CloseBlock() {
  for (uint16_t k = 0; k < channels_; ++k) {
    result_.index[static_cast<size_t>(block_) * channels_ + k] = {maximum_[k], minimum_[k]};
    result_.channelPeaks[k] = std::max(result_.channelPeaks[k], maximum_[k]);
  }
  ++block_;
  framesInBlock_ = 0;
  maximum_.fill(0);
  minimum_.fill(32767);
}

std::optional<TPeakIndex> TPeakScan::Finish() {
  if (!IndexedChannels(channels_)) return TPeakIndex{};
  if (framesAdded_ != frameCount_) return std::nullopt;
  if (framesInBlock_ > 0) CloseBlock();
  result_.coarse = CoarsenIndex(result_.index, channels_);
  result_.peak =
      *std::max_element(result_.channelPeaks.begin(), result_.channelPeaks.begin() + channels_);
  result_.peakDb = PeakToDb(result_.peak);
  return std::move(result_);
}

void TPeakScan::AddFrom(const TLargeFile& store, uint64_t firstSample, uint64_t count,
                        std::atomic<int32_t>* progress, const TCancelToken& cancel) {
  if (!IndexedChannels(channels_)) return;
  // Whole frames in every chunk.
  std::vector<int16_t> chunk(std::min(count, kScanChunkSamples / channels_ * channels_));
  for (uint64_t done = 0; done < count;) {
    cancel.ThrowIfCancelled();
    if (progress) progress->store(ProgressPercent(done, count), std::memory_order_relaxed);
    const uint64_t n = std::min<uint64_t>(chunk.size(), count - done);
    store.ReadSamples(chunk.data(), static_cast<uint32_t>(firstSample + done),
                      static_cast<uint32_t>(firstSample + done + n - 1));
    Add(chunk.data(), n);
    done += n;
  }
}

TPeakIndex BuildPeakIndex(const TLargeFile& store, uint16_t channels, uint32_t frameCount,
                          std::atomic<int32_t>& progress, const TCancelToken& cancel) {
  progress = 0;
  TPeakScan scan(channels, frameCount);
  scan.AddFrom(store, 0, uint64_t{frameCount} * channels, &progress, cancel);
  progress = 0;
  return *scan.Finish();
}

std::shared_ptr<TAudioState> OpenAudioState(const std::string& fileName,
                                            std::atomic<int32_t>& progress,
                                            const TCancelToken& cancel) {
  auto state = std::make_shared<TAudioState>();
  state->fileName = fileName;
  state->samples = std::make_shared<TLargeFile>(fileName, false);
  TWavHeader header;
  state->samples->ReadHeader(header);
  state->ApplyHeader(header);
  state->peaks =
      BuildPeakIndex(*state->samples, state->channels, state->frameCount, progress, cancel);
  return state;
}

}  // namespace quillon
