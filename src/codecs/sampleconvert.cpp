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
  for (size_t i = 0; i < count; ++i) dest[i] = FloatToSample(source[i]);
}

}  // namespace quillon
