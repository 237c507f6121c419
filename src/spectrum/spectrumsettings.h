#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillon {

enum class TWindowShape : int32_t { Hann = 0, BlackmanHarris = 1 };
enum class TFrequencyScale : int32_t { Linear = 0, Log = 1, Mel = 2 };

inline constexpr int32_t kMinSpectrumWindow = 256;
inline constexpr int32_t kMaxSpectrumWindow = 8192;
// The colour maps ColourMap knows, greyscale first.
inline constexpr int32_t kColourMapCount = 4;

// What the spectrogram shows. The window and its shape decide the columns' levels; the rest only
// how they are drawn, so changing them needs no new columns.
struct TSpectrumSettings {
  int32_t window = 2048;
  TWindowShape shape = TWindowShape::Hann;
  TFrequencyScale scale = TFrequencyScale::Log;
  int32_t colourMap = 1;
  // Levels raised by gainDb are drawn from -rangeDb (the floor, the map's first colour) to 0 dB
  // (its last).
  double rangeDb = 80;
  double gainDb = 0;

  // Windows overlap by three quarters whatever their size.
  int32_t Hop() const { return window / 4; }
  bool operator==(const TSpectrumSettings&) const = default;
};

// A power of two from kMinSpectrumWindow to kMaxSpectrumWindow.
bool ValidSpectrumWindow(int64_t size);
// The settings held to what can be drawn: the window rounded down to a power of two inside
// its bounds, the range at 20..120 dB, the gain at -60..60 dB, a known map.
TSpectrumSettings HeldSpectrumSettings(TSpectrumSettings settings);

// "linear", "log", "mel" and back.
std::optional<TFrequencyScale> ParseFrequencyScale(std::string_view name);

}  // namespace quillon
