#pragma once

#include <cstdint>
#include <vector>

#include "spectrum/spectrumsettings.h"

struct AVTXContext;

namespace quillon {

// Levels are kept as one byte a bin: kLevelStepDb apart from kLevelFloorDb (byte 0, and
// everything below it) up.
inline constexpr float kLevelFloorDb = -120.0f;
inline constexpr float kLevelStepDb = 0.5f;
uint8_t LevelByte(float db);
inline float LevelDb(uint8_t byte) {
  return kLevelFloorDb + kLevelStepDb * byte;
}

// One window's real FFT through FFmpeg's av_tx, with the window applied first. Scaled so that a
// full-scale sine that falls on a bin reads 0 dB there. One object per thread: it keeps its
// buffers between calls.
class TSpectrumTransform {
 public:
  // Throws Exception when FFmpeg cannot be loaded or refuses the size.
  TSpectrumTransform(int32_t size, TWindowShape shape);
  ~TSpectrumTransform();
  TSpectrumTransform(const TSpectrumTransform&) = delete;
  TSpectrumTransform& operator=(const TSpectrumTransform&) = delete;

  int32_t Size() const { return size_; }
  int32_t Bins() const { return size_ / 2 + 1; }
  // Power of each of Bins() bins of size frames in -1..1, relative to a full-scale sine's.
  void Power(const float* frames, float* power);
  // The same in decibels, as level bytes.
  void Levels(const float* frames, uint8_t* levels);

 private:
  int32_t size_;
  std::vector<float> window_;
  std::vector<float> input_;
  // Complex output, interleaved re, im.
  std::vector<float> output_;
  std::vector<float> power_;
  float scale_ = 1;
  AVTXContext* context_ = nullptr;
  void (*transform_)(AVTXContext*, void*, void*, std::ptrdiff_t) = nullptr;
};

// Power to level byte, for levels that were combined as power first.
void PowerToLevels(const float* power, int32_t count, uint8_t* levels);

}  // namespace quillon
