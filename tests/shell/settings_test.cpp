#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <fstream>

#include "platform/config.h"
#include "shell/utils.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  QString IniPath() const { return QString::fromStdString(dir_.File("settings.ini")); }
  void WriteIni(const std::string& text) const {
    std::ofstream(dir_.File("settings.ini"), std::ios::binary) << text;
  }
  TConfig Load() const {
    QSettings store(IniPath(), QSettings::IniFormat);
    return LoadSettings(store);
  }
  void ExpectDefaults(const TConfig& c) const {
    EXPECT_EQ(c.tempfolder, DefaultTempFolder());
    EXPECT_EQ(c.selectiontype, 0);
    EXPECT_EQ(c.backcolor, 0u);
    EXPECT_EQ(c.scalecolor, 14474460u);
    EXPECT_EQ(c.wavecolor, 11268124u);
    EXPECT_EQ(c.posx, -1);
    EXPECT_EQ(c.posy, -1);
    EXPECT_EQ(c.width, -1);
    EXPECT_EQ(c.height, -1);
    EXPECT_EQ(c.lang, -1);
    EXPECT_EQ(c.volume, -8000);
    EXPECT_EQ(c.savefilterindex, 0);
    EXPECT_TRUE(c.updates);
  }

  test::TTempDir dir_;
};

TEST_F(SettingsTest, FirstStartWithoutAFileGivesTheDefaults) {
  TConfig c = Load();
  ExpectDefaults(c);
  // Default colours split into their channels as the view reads them: 0x00BBGGRR.
  EXPECT_EQ(c.wavecolor & 0xFF, 28u);
  EXPECT_EQ((c.wavecolor >> 8) & 0xFF, 240u);
  EXPECT_EQ((c.wavecolor >> 16) & 0xFF, 171u);
}

TEST_F(SettingsTest, RoundTripKeepsEveryStoredValue) {
  test::TTempDir folder;
  TConfig saved;
  saved.tempfolder = folder.Path() + "/";
  saved.selectiontype = 1;
  saved.backcolor = 0x102030;
  saved.scalecolor = 0xFFFFFF;
  saved.wavecolor = 0x0000FF;
  saved.posx = -1200;
  saved.posy = 40;
  saved.width = 1024;
  saved.height = 700;
  saved.lang = 1049;
  saved.volume = -10000;
  saved.savefilterindex = 3;
  saved.updates = false;
  {
    QSettings store(IniPath(), QSettings::IniFormat);
    SaveSettings(store, saved);
  }
  TConfig loaded = Load();
  EXPECT_EQ(loaded.tempfolder, saved.tempfolder);
  EXPECT_EQ(loaded.selectiontype, 1);
  EXPECT_EQ(loaded.backcolor, 0x102030u);
  EXPECT_EQ(loaded.scalecolor, 0xFFFFFFu);
  EXPECT_EQ(loaded.wavecolor, 0x0000FFu);
  EXPECT_EQ(loaded.posx, -1200);
  EXPECT_EQ(loaded.posy, 40);
  EXPECT_EQ(loaded.width, 1024);
  EXPECT_EQ(loaded.height, 700);
  EXPECT_EQ(loaded.lang, 1049);
  EXPECT_EQ(loaded.volume, -10000);
  EXPECT_EQ(loaded.savefilterindex, 0);  // never stored: 0 at every start
  EXPECT_FALSE(loaded.updates);

  // The other edge of each range survives too.
  saved.selectiontype = 0;
  saved.backcolor = 0;
  saved.lang = 0xFFFF;
  saved.volume = 0;
  saved.updates = true;
  {
    QSettings store(IniPath(), QSettings::IniFormat);
    SaveSettings(store, saved);
  }
  loaded = Load();
  EXPECT_EQ(loaded.selectiontype, 0);
  EXPECT_EQ(loaded.backcolor, 0u);
  EXPECT_EQ(loaded.lang, 0xFFFF);
  EXPECT_EQ(loaded.volume, 0);
  EXPECT_TRUE(loaded.updates);
}

TEST_F(SettingsTest, SaveWritesTheTwelveNamedValuesAsPlainIntegers) {
  {
    QSettings store(IniPath(), QSettings::IniFormat);
    SaveSettings(store, TConfig{});
  }
  QSettings store(IniPath(), QSettings::IniFormat);
  EXPECT_EQ(store.childGroups(), QStringList{"Settings"});
  store.beginGroup("Settings");
  QStringList keys = store.childKeys();
  keys.sort();
  QStringList expected{"tempfolder", "selectiontype", "backcolor", "scalecolor",
                       "wavecolor",  "posx",          "posy",      "width",
                       "height",     "lang",          "volume",    "updates"};
  expected.sort();
  EXPECT_EQ(keys, expected);
  // Text as a hand editor sees it: decimal numbers, the Boolean as 1, no type wrappers.
  EXPECT_EQ(store.value("scalecolor").toString(), "14474460");
  EXPECT_EQ(store.value("wavecolor").toString(), "11268124");
  EXPECT_EQ(store.value("volume").toString(), "-8000");
  EXPECT_EQ(store.value("updates").toString(), "1");
  EXPECT_EQ(store.value("tempfolder").toString().toStdString(), DefaultTempFolder());
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeOrOutOfRangeFallBackToDefaults) {
  WriteIni(
      "[Settings]\n"
      "tempfolder=/nonexistent-quillon-folder/\n"
      "selectiontype=2\n"
      "backcolor=-1\n"
      "scalecolor=16777216\n"
      "wavecolor=1.5\n"
      "posx=99999999999\n"
      "posy=1, 2\n"
      "width=0\n"
      "height=-7\n"
      "lang=70000\n"
      "volume=5\n"
      "updates=maybe\n");
  ExpectDefaults(Load());

  WriteIni(
      "[Settings]\n"
      "tempfolder=relative/folder\n"
      "selectiontype=ms\n"
      "backcolor=\n"
      "scalecolor=0x10\n"
      "posx=@Variant(garbage)\n"
      "lang=-2\n"
      "volume=-10001\n");
  ExpectDefaults(Load());
}

TEST_F(SettingsTest, InMemoryValuesOfOtherTypesFallBackToDefaults) {
  // Values not yet written to disk keep the types they were set with.
  QSettings store(IniPath(), QSettings::IniFormat);
  store.setValue("Settings/tempfolder", 42);
  store.setValue("Settings/selectiontype", QStringList{"1", "0"});
  store.setValue("Settings/backcolor", 2.5);
  store.setValue("Settings/posx", QVariant(static_cast<qulonglong>(1) << 63));
  store.setValue("Settings/volume", true);
  store.setValue("Settings/updates", QStringList{"0"});
  ExpectDefaults(LoadSettings(store));
}

TEST_F(SettingsTest, TolerantReadingOfHandEditedValues) {
  test::TTempDir folder;
  WriteIni("[Settings]\ntempfolder=" + folder.Path() +
           "\n"
           "posx= 120 \n"
           "updates=7\n");
  TConfig c = Load();
  EXPECT_EQ(c.tempfolder, folder.Path() + "/");  // always ends with '/'
  EXPECT_EQ(c.posx, 120);
  EXPECT_TRUE(c.updates);  // any nonzero is true

  WriteIni("[Settings]\nupdates=0\n");
  EXPECT_FALSE(Load().updates);
  WriteIni("[Settings]\nupdates=false\n");
  EXPECT_FALSE(Load().updates);
}

TEST_F(SettingsTest, ValuesOutsideTheGroupAreIgnored) {
  WriteIni("[General]\nposx=10\n[Other]\nvolume=-5\n");
  ExpectDefaults(Load());
}

TEST_F(SettingsTest, GarbageFileGivesDefaults) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) & 0xFF);
  WriteIni(junk);
  ExpectDefaults(Load());
}

TEST_F(SettingsTest, SavingWhereNothingCanBeWrittenIsSilent) {
  // A folder below a plain file cannot be made, not even by root.
  WriteIni("not a folder");
  QSettings store(IniPath() + "/settings.ini", QSettings::IniFormat);
  EXPECT_NO_THROW(SaveSettings(store, TConfig{}));
  EXPECT_NE(store.status(), QSettings::NoError);
}

TEST_F(SettingsTest, EncoderQualityRoundTripsBesideTheOtherValues) {
  {
    QSettings store(IniPath(), QSettings::IniFormat);
    SaveSettings(store, TConfig{});
    SaveEncoderQuality(store, {-1, 256});
  }
  QSettings store(IniPath(), QSettings::IniFormat);
  EXPECT_EQ(store.value("Settings/vorbisquality").toString(), "-1");
  EXPECT_EQ(store.value("Settings/opusbitrate").toString(), "256");
  const TEncoderQuality loaded = LoadEncoderQuality(store);
  EXPECT_EQ(loaded.vorbisQuality, -1);
  EXPECT_EQ(loaded.opusBitrate, 256);
  ExpectDefaults(LoadSettings(store));  // the twelve values read as before
}

TEST_F(SettingsTest, EncoderQualityMissingOrBadGivesDefaultsAndOutOfRangeIsClamped) {
  auto load = [this] {
    QSettings store(IniPath(), QSettings::IniFormat);
    return LoadEncoderQuality(store);
  };
  // A file from before these values: the defaults.
  WriteIni("[Settings]\nvolume=-5\n");
  EXPECT_EQ(load().vorbisQuality, 5);
  EXPECT_EQ(load().opusBitrate, 96);
  WriteIni("[Settings]\nvorbisquality=11\nopusbitrate=8\n");
  EXPECT_EQ(load().vorbisQuality, 10);
  EXPECT_EQ(load().opusBitrate, 16);
  WriteIni("[Settings]\nvorbisquality=-99999999999\nopusbitrate=100000\n");
  EXPECT_EQ(load().vorbisQuality, -1);
  EXPECT_EQ(load().opusBitrate, 256);
  WriteIni("[Settings]\nvorbisquality=high\nopusbitrate=\n");
  EXPECT_EQ(load().vorbisQuality, 5);
  EXPECT_EQ(load().opusBitrate, 96);
  WriteIni("[Other]\nvorbisquality=2\n");
  EXPECT_EQ(load().vorbisQuality, 5);
}

TEST(SettingsStoreTest, UserSettingsAreAnIniFileOfTheOrganisationAndProgram) {
  std::unique_ptr<QSettings> store = OpenUserSettings();
  EXPECT_EQ(store->format(), QSettings::IniFormat);
  EXPECT_EQ(store->organizationName(), "Morvane");
  EXPECT_EQ(store->applicationName(), "Quillon");
  EXPECT_TRUE(store->fileName().endsWith("Morvane/Quillon.ini")) << store->fileName().toStdString();
}

}  // namespace
}  // namespace quillon
