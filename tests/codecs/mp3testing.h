// Helpers shared by the MP3 tests: a music-like signal, and what ffmpeg, ffprobe and the lame
// command line make of files.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "codecs/mp3maker.h"
#include "codecs/mp3settings.h"
#include "support/fixtures.h"

namespace quillon::test {

// Tones, a swelling noise and a different phase per channel: enough going on for VBR to choose
// different bitrates at different qualities. Deterministic, so every run encodes the same input.
inline std::vector<int16_t> MusicSamples(uint32_t rate, uint16_t channels, size_t frames) {
  std::vector<int16_t> samples(frames * channels);
  uint32_t seed = 12345;
  for (size_t i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    for (uint16_t ch = 0; ch < channels; ++ch) {
      seed = seed * 1664525u + 1013904223u;
      const double noise = (double((seed >> 16) & 0xFFFF) - 32768.0) / 32768.0;
      const double swell = 0.55 + 0.45 * std::sin(2 * M_PI * 1.5 * t);
      const double value =
          0.25 * std::sin(2 * M_PI * 220 * t + ch) + 0.15 * std::sin(2 * M_PI * 1375 * t) +
          0.1 * std::sin(2 * M_PI * 5100 * t * (1 + ch * 0.01)) + 0.2 * noise * swell;
      samples[i * channels + ch] = static_cast<int16_t>(std::lround(value * 26000));
    }
  }
  return samples;
}

// Encodes the samples as a save does: full chunks, the remainder (possibly empty), the flush.
inline void EncodeMp3(const std::string& path, const TMp3Config& config,
                      const std::vector<int16_t>& samples) {
  uint32_t chunk = 0;
  MP3writer writer(path, chunk, config);
  ASSERT_GT(chunk, 0u);
  size_t done = 0;
  while (samples.size() - done >= chunk) {
    writer.EncodeChunk(samples.data() + done, chunk * 2);
    done += chunk;
  }
  writer.EncodeChunk(samples.data() + done, static_cast<uint32_t>((samples.size() - done) * 2));
  writer.Finish();
}

// Everything a command prints on its standard output; the command must succeed.
inline std::string CheckedOutput(const std::string& command) {
  int status = 0;
  std::string out = CommandOutput(command, &status);
  EXPECT_EQ(status, 0) << command;
  return out;
}

// How many frames `ffmpeg -i file -f s16le -` decodes.
inline size_t FfmpegFrames(const std::string& path, uint16_t channels) {
  const std::string pcm =
      CheckedOutput("ffmpeg -v error -i '" + path + "' -f s16le -acodec pcm_s16le -");
  return pcm.size() / (2u * channels);
}

// ffprobe's stream values (sample_rate, bit_rate, channels ...) of the first stream.
inline std::map<std::string, std::string> ProbeStreamValues(const std::string& path) {
  std::map<std::string, std::string> values;
  const std::string text =
      CheckedOutput("ffprobe -v error -show_entries stream -of default=nw=1 '" + path + "'");
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values.emplace(line.substr(0, eq), line.substr(eq + 1));
    start = end + 1;
  }
  return values;
}

inline int64_t ProbedNumber(const std::string& path, const std::string& key) {
  const auto values = ProbeStreamValues(path);
  const auto found = values.find(key);
  if (found == values.end()) {
    ADD_FAILURE() << "ffprobe gives no " << key << " for " << path;
    return 0;
  }
  return std::stoll(found->second);
}

}  // namespace quillon::test
