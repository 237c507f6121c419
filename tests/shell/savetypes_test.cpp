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

}  // namespace
}  // namespace quillon
