#include "codecs/sampleconvert.h"

#include <cmath>

namespace quillon {

int16_t FloatToSample(float f) {
  float x = f * 32768.0f;
  if (!(x > -32768.0f)) return -32768;  // also catches NaN
  if (x >= 32767.0f) return 32767;
  // nearbyint rounds half to even in the default rounding mode.
  return static_cast<int16_t>(std::nearbyint(x));
}

void FloatsToSamples(const float* source, int16_t* dest, size_t count) {
  // Adding and taking away 1.5 * 2^23 rounds a float of this range half to even without a
  // library call, so the loop vectorises; it equals FloatToSample for every float.
  constexpr float kRounder = 12582912.0f;
  for (size_t i = 0; i < count; ++i) {
    float x = source[i] * 32768.0f;
    x = x > -32768.0f ? x : -32768.0f;  // also turns NaN into -32768
    x = x < 32767.0f ? x : 32767.0f;
    dest[i] = static_cast<int16_t>((x + kRounder) - kRounder);
  }
}

void DoublesToSamples(const double* source, int16_t* dest, size_t count) {
  constexpr double kRounder = 6755399441055744.0;  // 1.5 * 2^52, as above for doubles
  for (size_t i = 0; i < count; ++i) {
    double x = source[i] * 32768.0;
    x = x > -32768.0 ? x : -32768.0;
    x = x < 32767.0 ? x : 32767.0;
    dest[i] = static_cast<int16_t>((x + kRounder) - kRounder);
  }
}

}  // namespace quillon
