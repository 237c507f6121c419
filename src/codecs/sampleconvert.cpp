#include "codecs/sampleconvert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quillon {

int16_t FloatToSample(float f) {
  float x = f * 32768.0f;
  if (std::isnan(x)) return 0;
  if (!(x > -32768.0f)) return -32768;
  if (x >= 32767.0f) return 32767;
  // nearbyint rounds half to even in the default rounding mode.
  return static_cast<int16_t>(std::nearbyint(x));
}

namespace {

// FloatToSample without a library call, so that loops of it vectorise: adding and taking away
// 1.5 * 2^23 rounds a float of this range half to even. It equals FloatToSample for every float.
int16_t RoundFloat(float f) {
  constexpr float kRounder = 12582912.0f;
  float x = f * 32768.0f;
  x = x == x ? x : 0.0f;  // NaN, a sample that holds nothing, is silence
  x = x > -32768.0f ? x : -32768.0f;
  x = x < 32767.0f ? x : 32767.0f;
  return static_cast<int16_t>((x + kRounder) - kRounder);
}

int16_t DoubleToSample(double d) {
  constexpr double kRounder = 6755399441055744.0;  // 1.5 * 2^52, as for floats above
  double x = d * 32768.0;
  x = x == x ? x : 0.0;  // NaN is silence, as for floats
  x = x > -32768.0 ? x : -32768.0;
  x = x < 32767.0 ? x : 32767.0;
  return static_cast<int16_t>((x + kRounder) - kRounder);
}

int16_t U8ToSample(uint8_t value) {
  return static_cast<int16_t>((value - 128) * 256);
}

// Reads each sample by memcpy: planes and packets need not be aligned for the type.
template <typename T, typename Convert>
void ConvertSpan(const void* source, size_t count, int16_t* dest, size_t stride, Convert convert) {
  const auto* bytes = static_cast<const uint8_t*>(source);
  auto at = [&](size_t i) {
    T value;
    std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
    return convert(value);
  };
  // The packed loop on its own, so that it vectorises.
  if (stride == 1) {
    for (size_t i = 0; i < count; ++i) dest[i] = at(i);
  } else {
    for (size_t i = 0; i < count; ++i) dest[i * stride] = at(i);
  }
}

}  // namespace

void FloatsToSamples(const float* source, int16_t* dest, size_t count) {
  for (size_t i = 0; i < count; ++i) dest[i] = RoundFloat(source[i]);
}

void DoublesToSamples(const double* source, int16_t* dest, size_t count) {
  for (size_t i = 0; i < count; ++i) dest[i] = DoubleToSample(source[i]);
}

int16_t S32ToSample(int32_t value) {
  const int32_t floor = value >> 16;  // arithmetic shift: rounds toward minus infinity
  // Above the half, or at it from an odd floor: written without branches, so loops vectorise.
  const int32_t rest = (value & 0xFFFF) + (floor & 1);
  const int32_t rounded = floor + (rest > 0x8000 ? 1 : 0);
  return static_cast<int16_t>(rounded < 32767 ? rounded : 32767);
}

int16_t S64ToSample(int64_t value) {
  constexpr int64_t kHalf = int64_t{1} << 47;
  const int64_t floor = value >> 48;
  const int64_t rest = value & ((int64_t{1} << 48) - 1);
  const bool up = rest > kHalf || (rest == kHalf && (floor & 1) != 0);
  return static_cast<int16_t>(std::min<int64_t>(floor + (up ? 1 : 0), 32767));
}

void ConvertSamples(TSampleFormat format, const void* source, size_t count, int16_t* dest,
                    size_t stride) {
  // Lambdas rather than function pointers, so that each loop inlines its rule.
  switch (format) {
    case TSampleFormat::u8:
      return ConvertSpan<uint8_t>(source, count, dest, stride,
                                  [](uint8_t v) { return U8ToSample(v); });
    case TSampleFormat::s16:
      return ConvertSpan<int16_t>(source, count, dest, stride, [](int16_t v) { return v; });
    case TSampleFormat::s32:
      return ConvertSpan<int32_t>(source, count, dest, stride,
                                  [](int32_t v) { return S32ToSample(v); });
    case TSampleFormat::s64:
      return ConvertSpan<int64_t>(source, count, dest, stride,
                                  [](int64_t v) { return S64ToSample(v); });
    case TSampleFormat::flt:
      return ConvertSpan<float>(source, count, dest, stride, [](float v) { return RoundFloat(v); });
    case TSampleFormat::dbl:
      return ConvertSpan<double>(source, count, dest, stride,
                                 [](double v) { return DoubleToSample(v); });
  }
}

}  // namespace quillon
