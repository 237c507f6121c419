#include "analysis/loudness.h"

#include <ebur128.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <limits>
#include <memory>
#include <vector>

#include "document/largefile.h"
#include "platform/error.h"

namespace quillon {

namespace {

constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();

struct TStateDeleter {
  void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using TState = std::unique_ptr<ebur128_state, TStateDeleter>;

TState MakeState(uint16_t channels, uint32_t rate, int mode) {
  TState state(ebur128_init(channels, rate, mode));
  if (!state) throw Exception("The loudness meter could not be set up for this format.");
  return state;
}

void Check(int status) {
  if (status != EBUR128_SUCCESS) throw Exception("The loudness meter refused the audio.");
}

// A level below the meter's floor is none at all.
double Finite(double value) {
  return std::isfinite(value) && value > -200 ? value : kMinusInfinity;
}

double Decibels(double amplitude) {
  return amplitude > 0 ? 20 * std::log10(amplitude) : kMinusInfinity;
}

// The loudness range of EBU Tech 3342 from short-term levels taken every 100 ms: those above
// -70 LUFS and not more than 20 LU below their mean energy, from the 10th to the 95th percentile.
// libebur128 itself takes a short-term level only every second, which misreads short files.
double LoudnessRange(std::vector<double> levels) {
  std::erase_if(levels, [](double level) { return !(level > -70); });
  if (levels.empty()) return 0;
  double energy = 0;
  for (double level : levels) energy += std::pow(10.0, level / 10);
  const double gate = 10 * std::log10(energy / static_cast<double>(levels.size())) - 20;
  std::erase_if(levels, [gate](double level) { return level < gate; });
  if (levels.empty()) return 0;
  std::sort(levels.begin(), levels.end());
  auto at = [&](double share) {
    return levels[static_cast<size_t>(std::lround(share * static_cast<double>(levels.size() - 1)))];
  };
  return at(0.95) - at(0.10);
}

// The momentary and short-term levels move every 100 ms, the step the meter itself works in.
class TLoudnessPass {
 public:
  TLoudnessPass(uint16_t channels, uint32_t rate)
      : state_(MakeState(channels, rate, EBUR128_MODE_I | EBUR128_MODE_S)),
        step_(std::max<uint32_t>(1, rate / 10)),
        channels_(channels) {}

  void Add(const int16_t* samples, size_t frames) {
    while (frames > 0) {
      const size_t now = std::min<size_t>(frames, step_ - filled_);
      Check(ebur128_add_frames_short(state_.get(), samples, now));
      samples += now * channels_;
      frames -= now;
      filled_ += now;
      seen_ += now;
      if (filled_ == step_) TakeStepLevels();
    }
  }

  void Finish(TLoudness& result) {
    double value = 0;
    Check(ebur128_loudness_global(state_.get(), &value));
    result.integratedLufs = Finite(value);
    result.rangeLu = LoudnessRange(std::move(shortTerm_));
    result.maxMomentaryLufs = maxMomentary_;
    result.maxShortTermLufs = maxShortTerm_;
  }

 private:
  void TakeStepLevels() {
    filled_ = 0;
    double value = 0;
    // A window is measured only once it is full: 400 ms and 3 s.
    if (seen_ >= 4 * step_ && ebur128_loudness_momentary(state_.get(), &value) == EBUR128_SUCCESS)
      maxMomentary_ = std::max(maxMomentary_, Finite(value));
    if (seen_ >= 30 * step_ &&
        ebur128_loudness_shortterm(state_.get(), &value) == EBUR128_SUCCESS) {
      maxShortTerm_ = std::max(maxShortTerm_, Finite(value));
      shortTerm_.push_back(value);
    }
  }

  TState state_;
  size_t step_;
  uint16_t channels_;
  size_t filled_ = 0;
  uint64_t seen_ = 0;
  double maxMomentary_ = kMinusInfinity;
  double maxShortTerm_ = kMinusInfinity;
  std::vector<double> shortTerm_;
};

// The true peak as the largest magnitude of the audio resampled to 192 kHz (where it is not
// there already), as FFmpeg's meter finds it; libebur128's fourfold oversampling reads up to
// 0.7 dB low on audio with much treble.
class TPeakPass {
 public:
  TPeakPass(uint16_t channels, uint32_t rate) : channels_(channels) {
    if (rate >= kTruePeakRate) return;
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    resampler_.reset(soxr_create(rate, kTruePeakRate, channels, &error, &io, &quality, nullptr));
    if (error || !resampler_) throw Exception("The true-peak meter could not be set up.");
    out_.resize(static_cast<size_t>(kOutFrames) * channels);
  }

  void Add(const int16_t* samples, size_t frames) {
    for (size_t i = 0; i < frames * channels_; ++i)
      samplePeak_ = std::max(samplePeak_, std::abs(int32_t{samples[i]}));
    if (!resampler_) return;
    while (frames > 0) {
      size_t used = 0;
      Resample(samples, frames, &used);
      samples += used * channels_;
      frames -= used;
    }
  }

  void Finish(TLoudness& result) {
    // What the resampler still holds comes out once it is told there is no more.
    if (resampler_)
      for (size_t made = 1; made > 0;) made = Resample(nullptr, 0, nullptr);
    const double samplePeak = samplePeak_ / 32768.0;
    result.samplePeakDbfs = Decibels(samplePeak);
    result.truePeakDbtp =
        Decibels(resampler_ ? std::max<double>(truePeak_, samplePeak) : samplePeak);
  }

 private:
  static constexpr uint32_t kTruePeakRate = 192000;
  static constexpr size_t kOutFrames = 1 << 14;
  struct TResamplerDeleter {
    void operator()(soxr_t resampler) const { soxr_delete(resampler); }
  };

  size_t Resample(const int16_t* samples, size_t frames, size_t* used) {
    size_t made = 0;
    if (soxr_process(resampler_.get(), samples, frames, used, out_.data(), kOutFrames, &made))
      throw Exception("The true-peak meter refused the audio.");
    for (size_t i = 0; i < made * channels_; ++i)
      truePeak_ = std::max(truePeak_, std::fabs(out_[i]));
    return made;
  }

  uint16_t channels_;
  std::unique_ptr<soxr, TResamplerDeleter> resampler_;
  std::vector<float> out_;
  int32_t samplePeak_ = 0;
  float truePeak_ = 0;
};

// Two seconds of audio a chunk: long enough that handing it to the peak thread costs nothing.
uint64_t ChunkFrames(uint32_t rate) {
  return 2 * static_cast<uint64_t>(rate);
}

}  // namespace

TLoudness MeasureLoudness(const TMeasuredRange& range, std::atomic<int32_t>* progress,
                          const TCancelToken& cancel) {
  if (!range.store || range.channels == 0 || range.sampleRate == 0)
    throw Exception("There is no audio to measure.");
  TLoudnessPass loudness(range.channels, range.sampleRate);
  TPeakPass peaks(range.channels, range.sampleRate);
  const uint64_t chunk = ChunkFrames(range.sampleRate);
  // Two buffers: the peak thread reads one while the next is read into the other.
  std::vector<int16_t> buffers[2];
  std::future<void> peakWork;
  int current = 0;
  for (uint64_t done = 0; done < range.frameCount; done += chunk) {
    cancel.ThrowIfCancelled();
    const uint64_t frames = std::min(chunk, range.frameCount - done);
    std::vector<int16_t>& buffer = buffers[current];
    buffer.resize(frames * range.channels);
    const uint64_t first = (range.firstFrame + done) * range.channels;
    range.store->ReadSamples(buffer.data(), static_cast<uint32_t>(first),
                             static_cast<uint32_t>(first + buffer.size() - 1));
    if (peakWork.valid()) peakWork.get();
    peakWork = std::async(std::launch::async,
                          [&peaks, &buffer, frames] { peaks.Add(buffer.data(), frames); });
    loudness.Add(buffer.data(), frames);
    current ^= 1;
    if (progress) progress->store(static_cast<int32_t>(100 * (done + frames) / range.frameCount));
  }
  if (peakWork.valid()) peakWork.get();
  TLoudness result;
  loudness.Finish(result);
  peaks.Finish(result);
  return result;
}

std::string FormatLevel(double value, const char* unit) {
  if (!std::isfinite(value)) return std::string("-inf ") + unit;
  char text[48];
  std::snprintf(text, sizeof text, "%.1f %s", value, unit);
  return text;
}

}  // namespace quillon
