#include "document/audiostate.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quillon {

namespace {

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

void TAudioState::ApplyHeader(const TWavHeader& wavHeader) {
  header = wavHeader;
  dataBytes = WavRiffSize(wavHeader) - 36;
  channels = WavChannels(wavHeader);
  sampleRate = WavSampleRate(wavHeader);
  frameCount = channels ? dataBytes / (channels * 2u) : 0;
  duration = sampleRate ? static_cast<double>(frameCount) / sampleRate : 0;
}

TPeakIndex BuildPeakIndex(TLargeFile& store, uint16_t channels, uint32_t frameCount,
                          std::atomic<int32_t>& progress) {
  progress = 0;
  TPeakIndex result;
  if (channels < 1 || channels > 2) return result;
  const uint32_t blocks = frameCount / kIndexBlockFrames;
  result.index.resize(static_cast<size_t>(blocks + 1) * channels);
  std::vector<int16_t> buffer(static_cast<size_t>(kRebuildChunkBlocks) * kIndexBlockFrames *
                              channels);
  for (uint32_t first = 0; first <= blocks; first += kRebuildChunkBlocks) {
    uint32_t last = std::min(blocks, first + kRebuildChunkBlocks - 1);
    uint64_t firstFrame = static_cast<uint64_t>(first) * kIndexBlockFrames;
    uint64_t endFrame = std::min<uint64_t>(frameCount, (last + 1ull) * kIndexBlockFrames);
    if (endFrame > firstFrame)
      store.ReadSamples(buffer.data(), static_cast<uint32_t>(firstFrame * channels),
                        static_cast<uint32_t>(endFrame * channels - 1));
    for (uint32_t b = first; b <= last; ++b) {
      progress.store(blocks ? static_cast<int32_t>(uint64_t{b} * 100 / blocks) : 0,
                     std::memory_order_relaxed);
      uint64_t blockFrame = static_cast<uint64_t>(b) * kIndexBlockFrames;
      uint32_t frames = static_cast<uint32_t>(std::min<uint64_t>(
          kIndexBlockFrames, frameCount - std::min(blockFrame, uint64_t{frameCount})));
      const int16_t* block = buffer.data() + (blockFrame - firstFrame) * channels;
      TBlockExtremes e = ScanBlock(block, frames, channels);
      for (uint16_t k = 0; k < channels; ++k) {
        result.index[b * channels + k] =
            frames ? Tindextype{e.maximum[k], e.minimum[k]} : Tindextype{0, 0};
        result.channelPeaks[k] = std::max(result.channelPeaks[k], e.maximum[k]);
      }
    }
  }
  result.peak =
      *std::max_element(result.channelPeaks.begin(), result.channelPeaks.begin() + channels);
  result.peakDb = PeakToDb(result.peak);
  progress = 0;
  return result;
}

std::shared_ptr<TAudioState> OpenAudioState(const std::string& fileName,
                                            std::atomic<int32_t>& progress) {
  auto state = std::make_shared<TAudioState>();
  state->fileName = fileName;
  state->samples = std::make_shared<TLargeFile>(fileName, false);
  TWavHeader header;
  state->samples->ReadHeader(header);
  state->ApplyHeader(header);
  state->peaks = BuildPeakIndex(*state->samples, state->channels, state->frameCount, progress);
  return state;
}

}  // namespace quillon
