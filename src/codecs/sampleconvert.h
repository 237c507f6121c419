#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// One decoded float sample to 16 bits: x = f * 32768 clamped to [-32768, 32767] (a value that is
// not a number gives -32768), then rounded half to even, so that 16-bit sources round-trip.
int16_t FloatToSample(float f);

// The same over a span.
void FloatsToSamples(const float* source, int16_t* dest, size_t count);

// The same from doubles, for sources wider than a float's 24 bits: they are rounded once, from
// their exact value, not first to a float.
void DoublesToSamples(const double* source, int16_t* dest, size_t count);

}  // namespace quillon
