#pragma once

#include <optional>
#include <string>

namespace quillon {

// The formats a document is saved in, chosen by the target's extension.
enum class TSaveFormat { wav, mp3, flac, vorbis, opus };

// A path's extension from its last dot, in lower case; empty when it has none.
std::string LowerExtension(const std::string& path);

// The format of a target by its extension in any case (".wav", ".mp3", ".flac", ".ogg",
// ".opus"); none for any other.
std::optional<TSaveFormat> SaveFormatOf(const std::string& path);

// Quality of the lossy formats beyond MP3, as their settings dialogs choose it.
inline constexpr int kVorbisQualityMin = -1, kVorbisQualityMax = 10, kVorbisQualityDefault = 5;
inline constexpr int kOpusBitrateMin = 16, kOpusBitrateMax = 256, kOpusBitrateDefault = 96;
// Opus is coded at 48 kHz whatever the document's rate.
inline constexpr int kOpusSampleRate = 48000;

}  // namespace quillon
