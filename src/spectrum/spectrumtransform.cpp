#include "spectrum/spectrumtransform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "codecs/ffmpegapi.h"
#include "platform/error.h"

namespace quillon {

uint8_t LevelByte(float db) {
  const float steps = (db - kLevelFloorDb) / kLevelStepDb;
  if (!(steps > 0)) return 0;
  return static_cast<uint8_t>(std::min(255.0f, std::round(steps)));
}

void PowerToLevels(const float* power, int32_t count, uint8_t* levels) {
  for (int32_t i = 0; i < count; ++i)
    levels[i] = LevelByte(power[i] > 0 ? 10.0f * std::log10(power[i]) : kLevelFloorDb);
}

namespace {

std::vector<float> WindowCurve(int32_t size, TWindowShape shape) {
  std::vector<float> curve(size);
  const double step = 2 * std::numbers::pi / size;
  for (int32_t i = 0; i < size; ++i) {
    const double x = step * i;
    curve[i] = static_cast<float>(shape == TWindowShape::Hann
                                      ? 0.5 - 0.5 * std::cos(x)
                                      : 0.35875 - 0.48829 * std::cos(x) +
                                            0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x));
  }
  return curve;
}

}  // namespace

TSpectrumTransform::TSpectrumTransform(int32_t size, TWindowShape shape)
    : size_(size),
      window_(WindowCurve(size, shape)),
      input_(size),
      output_(size + 2),
      power_(size / 2 + 1) {
  if (!ValidSpectrumWindow(size)) throw Exception("Spectrum window size out of range");
  double sum = 0;
  for (float w : window_) sum += w;
  // A sine of amplitude A gives |X| = A * sum / 2 at its bin.
  scale_ = static_cast<float>(4.0 / (sum * sum));
  const float unit = 1.0f;
  av_tx_fn function = nullptr;
  if (av_tx_init(&context_, &function, AV_TX_FLOAT_RDFT, 0, size, &unit, AV_TX_UNALIGNED) < 0 ||
      !function)
    throw Exception("FFmpeg cannot make a transform of " + std::to_string(size) + " points");
  transform_ = function;
}

TSpectrumTransform::~TSpectrumTransform() {
  if (context_) av_tx_uninit(&context_);
}

void TSpectrumTransform::Power(const float* frames, float* power) {
  for (int32_t i = 0; i < size_; ++i) input_[i] = frames[i] * window_[i];
  transform_(context_, output_.data(), input_.data(), sizeof(float));
  const int32_t bins = Bins();
  for (int32_t k = 0; k < bins; ++k) {
    const float re = output_[2 * k], im = output_[2 * k + 1];
    power[k] = (re * re + im * im) * scale_;
  }
}

void TSpectrumTransform::Levels(const float* frames, uint8_t* levels) {
  Power(frames, power_.data());
  PowerToLevels(power_.data(), Bins(), levels);
}

}  // namespace quillon
