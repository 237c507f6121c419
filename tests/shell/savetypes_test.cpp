#include <gtest/gtest.h>

#include <string>

#include "shell/utils.h"

namespace quillon {
namespace {

const char* const kExtensions[] = {".wav", ".mp3", ".flac", ".ogg", ".opus"};

TEST(SaveTypesTest, TheDialogListsTheTypesInOrderAndMapsEntriesBackToTheirIndex) {
  EXPECT_EQ(SaveDialogFilter().toStdString(),
            "WAV (*.wav);;MP3 (*.mp3);;FLAC (*.flac);;Ogg Vorbis (*.ogg);;Opus (*.opus)");
  const TSaveFormat formats[] = {TSaveFormat::wav, TSaveFormat::mp3, TSaveFormat::flac,
                                 TSaveFormat::vorbis, TSaveFormat::opus};
  ASSERT_EQ(SaveTypes().size(), 5u);
  for (int index = 1; index <= 5; ++index) {
    const TSaveType& type = SaveTypeAt(index);
    EXPECT_STREQ(SaveTypeExtension(index), kExtensions[index - 1]);
    EXPECT_EQ(type.format, formats[index - 1]);
    EXPECT_EQ(SaveTypeOfFilter(type.filter), index);
    // Each entry's pattern names the extension the type writes.
    EXPECT_NE(std::string(type.filter).find(std::string("*") + type.extension), std::string::npos);
  }
  // Before the first Save As (0) and anything that is none of ours fall back to WAV.
  for (int index : {0, -1, 6}) EXPECT_STREQ(SaveTypeExtension(index), ".wav") << index;
  EXPECT_EQ(SaveTypeOfFilter("All files (*)"), 1);
}

// The typed name wins: a known extension in any case keeps the name and decides the format;
// the chosen type only completes a name without one.
TEST(SaveTypesTest, ATypedKnownExtensionWinsAndOtherNamesGetTheChosenTypes) {
  struct TRow {
    const char* typed;
    int typeIndex;
    const char* target;
  };
  const TRow rows[] = {
      {"/d/UPPER.MP3", 1, "/d/UPPER.MP3"},   {"/d/x.Flac", 2, "/d/x.Flac"},
      {"/d/take.WAV", 5, "/d/take.WAV"},     {"/d/a.OgG", 1, "/d/a.OgG"},
      {"/d/b.opus", 3, "/d/b.opus"},         {"/d/song", 1, "/d/song.wav"},
      {"/d/song", 2, "/d/song.mp3"},         {"/d/song", 3, "/d/song.flac"},
      {"/d/song", 4, "/d/song.ogg"},         {"/d/song", 5, "/d/song.opus"},
      {"/d/part.txt", 2, "/d/part.txt.mp3"}, {"/d/song.oga", 4, "/d/song.oga.ogg"},
      {"/d.mp3/part", 1, "/d.mp3/part.wav"}, {"/d/v1.2", 3, "/d/v1.2.flac"},
  };
  for (const TRow& row : rows) {
    const std::string target = SaveTargetName(row.typed, row.typeIndex);
    EXPECT_EQ(target, row.target) << row.typed << " as type " << row.typeIndex;
  }
  // The next dialog opens on the type of what was written.
  for (int index = 1; index <= 5; ++index)
    EXPECT_EQ(SaveTypeOfFormat(SaveTypeAt(index).format), index);
}

}  // namespace
}  // namespace quillon
