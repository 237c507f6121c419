#include <gtest/gtest.h>

#include <string>

#include "shell/filedialogtexts.h"
#include "shell/utils.h"

namespace quillon {
namespace {

const char* const kExtensions[] = {".wav", ".mp3", ".flac", ".ogg", ".opus"};

TEST(SaveTypesTest, TheDialogListsTheTypesInOrderAndMapsEntriesBackToTheirIndex) {
  EXPECT_EQ(SaveDialogFilter().toStdString(),
            "WAV Files (*.wav);;MP3 Files (*.mp3);;FLAC Files (*.flac);;Ogg Vorbis Files (*.ogg);;"
            "Opus Files (*.opus)");
  const TSaveFormat formats[] = {TSaveFormat::wav, TSaveFormat::mp3, TSaveFormat::flac,
                                 TSaveFormat::vorbis, TSaveFormat::opus};
  ASSERT_EQ(SaveTypes().size(), 5u);
  for (int index = 1; index <= 5; ++index) {
    const TSaveType& type = SaveTypeAt(index);
    EXPECT_STREQ(SaveTypeExtension(index), kExtensions[index - 1]);
    EXPECT_EQ(type.format, formats[index - 1]);
    EXPECT_EQ(SaveTypeOfFilter(SaveTypeFilter(index)), index);
    // Each entry's pattern names the extension the type writes.
    EXPECT_TRUE(SaveTypeFilter(index).endsWith(QString("(*") + type.extension + ")"));
  }
  // Before the first Save As (0) and anything that is none of ours fall back to WAV.
  for (int index : {0, -1, 6}) EXPECT_STREQ(SaveTypeExtension(index), ".wav") << index;
  EXPECT_EQ(SaveTypeOfFilter("All files (*)"), 1);
  // An entry shown in another language still names its type.
  EXPECT_EQ(SaveTypeOfFilter("Файлы FLAC (*.flac)"), 3);
}

}  // namespace
}  // namespace quillon
