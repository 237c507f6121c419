#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// One decoded float sample to 16 bits: x = f * 32768 clamped to [-32768, 32767], then rounded
// half to even, so that 16-bit sources round-trip. A value that is not a number gives 0.
int16_t FloatToSample(float f);

// The same over a span.
void FloatsToSamples(const float* source, int16_t* dest, size_t count);

// The same from doubles, for sources wider than a float's 24 bits: they are rounded once, from
// their exact value, not first to a float.
void DoublesToSamples(const double* source, int16_t* dest, size_t count);

// Integer samples to 16 bits by the same rule, in integer arithmetic: value / 2^16 (or / 2^48)
// rounded half to even, the top clamped to 32767.
int16_t S32ToSample(int32_t value);
int16_t S64ToSample(int64_t value);

// The sample formats a decoder delivers, whether packed or one plane a channel.
enum class TSampleFormat { u8, s16, s32, s64, flt, dbl };

// count samples of format, one after another at source, into dest[0], dest[stride], ...: a
// packed source is converted with stride 1, each plane of a planar one with the channel count.
void ConvertSamples(TSampleFormat format, const void* source, size_t count, int16_t* dest,
                    size_t stride);

}  // namespace quillon
