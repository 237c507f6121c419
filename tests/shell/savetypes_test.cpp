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

TEST(SaveTypesTest, SaveAsKeepsAnExactExtensionOfAnyTypeAndAppendsOtherwise) {
  for (const char* extension : kExtensions) {
    const std::string name = std::string("/d/take") + extension;
    EXPECT_EQ(SaveAsTargetName(name, ".opus"), name);
    // Another case is no exact extension: the default one follows it, as for WAV.
    const std::string upper = QString::fromStdString(name).toUpper().toStdString();
    EXPECT_EQ(SaveAsTargetName(upper, ".flac"), upper + ".flac");
  }
  EXPECT_EQ(SaveAsTargetName("/d/take.Opus", ".opus"), "/d/take.Opus.opus");
  EXPECT_EQ(SaveAsTargetName("/d/song", ".ogg"), "/d/song.ogg");
  EXPECT_EQ(SaveAsTargetName("/d/song.oga", ".ogg"), "/d/song.oga.ogg");
  EXPECT_EQ(SaveAsTargetName("/d/song.opus.txt", ".opus"), "/d/song.opus.txt.opus");
}

TEST(SaveTypesTest, SaveSelectedAsPutsTheChosenTypesExtensionInPlaceOfAnyOther) {
  for (const char* name :
       {"/d/part", "/d/part.WAV", "/d/part.Opus", "/d/part.flac", "/d/part.OGG"}) {
    EXPECT_EQ(SelectionTargetName(name, 3), "/d/part.flac") << name;
    EXPECT_EQ(SelectionTargetName(name, 4), "/d/part.ogg") << name;
    EXPECT_EQ(SelectionTargetName(name, 5), "/d/part.opus") << name;
    EXPECT_EQ(SelectionTargetName(name, 2), "/d/part.mp3") << name;
  }
  EXPECT_EQ(SelectionTargetName("/d.ogg/part", 5), "/d.ogg/part.opus");
}

}  // namespace
}  // namespace quillon
