#include "codecs/encodersettings.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(EncoderSettingsTest, TheFormatFollowsTheLastExtensionInAnyCase) {
  const std::pair<const char*, std::optional<TSaveFormat>> cases[] = {
      {"a.wav", TSaveFormat::wav},       {"/x/B.MP3", TSaveFormat::mp3},
      {"song.Flac", TSaveFormat::flac},  {"song.ogg", TSaveFormat::vorbis},
      {"a.b.OPUS", TSaveFormat::opus},   {"song.flac.txt", std::nullopt},
      {"folder.ogg/song", std::nullopt}, {"song", std::nullopt},
      {".opus/", std::nullopt},          {"song.oga", std::nullopt},
  };
  for (const auto& [path, format] : cases) EXPECT_EQ(SaveFormatOf(path), format) << path;
}

}  // namespace
}  // namespace quillon
