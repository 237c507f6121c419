#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <limits>

#include "display/waveview.h"
#include "localization/langmanager.h"
#include "localization/ui/langcontroller.h"
#include "platform/config.h"
#include "platform/messagebox.h"
#include "platform/urlopener.h"
#include "shell/dialogs/about.h"
#include "shell/dialogs/colorpicker.h"
#include "shell/dialogs/filter.h"
#include "shell/dialogs/properties.h"
#include "shell/dialogs/settings.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/ports.h"

namespace quillon {
namespace {

enum Row { kFormat, kRate, kChannels, kBits, kDuration, kSamples, kFileSize, kDataSize, kPeak };

class PropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }

  test::TDocumentHarness harness_;
  TPropertiesForm form_;
};

TEST_F(PropertiesTest, ShowsTheDesignedValuesInTwoGroupsBeforeTheFirstFill) {
  ASSERT_EQ(form_.LV->topLevelItemCount(), 2);
  EXPECT_EQ(form_.LV->topLevelItem(0)->text(0), "Audio Format");
  EXPECT_EQ(form_.LV->topLevelItem(1)->text(0), "Meta Data");
  EXPECT_EQ(form_.LV->topLevelItem(0)->childCount(), kPropertyRowCount);
  EXPECT_EQ(form_.LV->topLevelItem(1)->childCount(), 0);
  EXPECT_EQ(form_.RowValue(kFormat), "WAV");
  EXPECT_EQ(form_.RowValue(kPeak), "-90 dB");
}

TEST_F(PropertiesTest, FillsEveryRowFromADocumentWithoutExtension) {
  const std::string path = harness_.files.File("recording");
  test::WriteWav16(path, 2, 8000, std::vector<int16_t>(2 * 4000, 23197));
  ASSERT_TRUE(harness_.Open(path));
  form_.setfilename(harness_.document);
  EXPECT_EQ(form_.RowValue(kFormat), "");
  EXPECT_EQ(form_.RowValue(kRate), "8000 Hz");
  EXPECT_EQ(form_.RowValue(kChannels), "2");
  EXPECT_EQ(form_.RowValue(kBits), "16");
  EXPECT_EQ(form_.RowValue(kDuration), "0:00:00.500");
  EXPECT_EQ(form_.RowValue(kSamples), "4,000");
  EXPECT_EQ(form_.RowValue(kFileSize), "16,044 bytes");
  EXPECT_EQ(form_.RowValue(kDataSize), "16,000 bytes");
  EXPECT_EQ(form_.RowValue(kPeak), "-3 dB");
}

TEST_F(PropertiesTest, AnMp3NameShowsItsFormatAndAMissingSourceShowsNoSize) {
  ASSERT_TRUE(harness_.OpenSamples(1, std::vector<int16_t>(100, 0)));
  harness_.document.SetFileName(harness_.files.File("Song.Mp3"));
  form_.setfilename(harness_.document);
  EXPECT_EQ(form_.RowValue(kFormat), "MP3");
  EXPECT_EQ(form_.RowValue(kFileSize), "0 bytes");
  EXPECT_EQ(form_.RowValue(kPeak), "-90 dB");
}

TEST_F(PropertiesTest, GroupsLargeFrameCountsWithTheLocaleSeparator) {
  ASSERT_TRUE(harness_.OpenSamples(1, std::vector<int16_t>(1234567, 100)));
  form_.setfilename(harness_.document);
  EXPECT_EQ(form_.RowValue(kSamples), "1,234,567");
  EXPECT_EQ(form_.RowValue(kDataSize), "2,469,134 bytes");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  form_.setfilename(harness_.document);
  EXPECT_EQ(form_.RowValue(kSamples), "1.234.567");
}

TEST(PropertyValuesTest, FormatsPeakLevelsAndLongDurations) {
  TFileFacts facts;
  facts.fileName = "/music/take.two.WAV";
  facts.peakDb = -3;
  facts.duration = 3725.25;
  QStringList values = PropertyValues(facts);
  EXPECT_EQ(values[kFormat], "WAV");
  EXPECT_EQ(values[kPeak], "-3 dB");
  EXPECT_EQ(values[kDuration], "1:02:05.250");
  facts.peakDb = -90;
  EXPECT_EQ(PropertyValues(facts)[kPeak], "-90 dB");
  facts.fileName = "/music/.hidden";
  EXPECT_EQ(PropertyValues(facts)[kFormat], "");
  EXPECT_EQ(SourceFileSize("/no/such/file"), 0u);
}

// A document that differs from its file shows the file's format beside its own.
TEST(PropertyValuesTest, ShowTheSourcesFormatWhereTheDocumentDiffers) {
  const struct {
    uint16_t sourceChannels;
    int32_t bits;
    bool isFloat;
    const char* channels;
    const char* bitsValue;
  } cases[] = {{2, 16, false, "2", "16"},
               {6, 24, false, "2 (6 in the source)", "16 (24-bit in the source)"},
               {2, 64, true, "2", "16 (64-bit float in the source)"}};
  for (const auto& c : cases) {
    TFileFacts facts;
    facts.channels = 2;
    facts.sourceChannels = c.sourceChannels;
    facts.originalBits = c.bits;
    facts.originalFloat = c.isFloat;
    EXPECT_EQ(PropertyValues(facts)[kChannels], c.channels);
    EXPECT_EQ(PropertyValues(facts)[kBits], c.bitsValue);
  }
}

TEST(FilterFormTest, LimitsTheValueToTheGivenRange) {
  Tfilterform form;
  EXPECT_EQ(form.objectName(), "filterform");
  form.setproperties("Amplify", "Percent", 1, 400, 120);
  EXPECT_EQ(form.windowTitle(), "Amplify");
  EXPECT_EQ(form.ValueName->title(), "Percent");
  EXPECT_EQ(form.Value(), 120);
  form.ValueEdit->setValue(1000);
  EXPECT_EQ(form.Value(), 400);
  form.ValueEdit->setValue(-5);
  EXPECT_EQ(form.Value(), 1);
}

TEST(FilterFormTest, EqualMinimumAndMaximumSetNoLimit) {
  Tfilterform form;
  form.setproperties("Insert Silence", "Milliseconds", 0, 0, 1000);
  EXPECT_EQ(form.Value(), 1000);
  form.ValueEdit->setValue(-250);
  EXPECT_EQ(form.Value(), -250);
  form.ValueEdit->setValue(std::numeric_limits<int>::max());
  EXPECT_EQ(form.Value(), std::numeric_limits<int>::max());
  // A later use with a range limits again.
  form.setproperties("Fade", "Length", 10, 20, 15);
  form.ValueEdit->setValue(-250);
  EXPECT_EQ(form.Value(), 10);
}

TEST(FilterFormTest, OkAcceptsAndCancelRejects) {
  Tfilterform form;
  form.show();
  form.OkButton->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  form.show();
  form.CancelButton->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = config;
    config.lang = kDefaultLanguageId;
  }
  void TearDown() override {
    config = saved_;
    LangManager().ActivateLanguage(kDefaultLanguageId);
  }
  TConfig saved_;
  uint32_t savedView_[3] = {ViewBackColor, ViewScaleColor, ViewWaveColor};
};

TEST_F(SettingsTest, ColourChangesTakeEffectAtOnceAndCancelRevertsNothing) {
  config.backcolor = 0x123456;  // no named colour: the custom entry shows it
  TsettingsForm form;
  EXPECT_EQ(form.backColor->Selected(), 0x123456u);
  EXPECT_EQ(form.backColor->currentText(), "Custom...");
  EXPECT_EQ(form.waveColor->Selected(), config.wavecolor);

  int repaints = 0;
  QObject::connect(&form, &TsettingsForm::ColorsChanged, [&] { ++repaints; });
  form.show();
  const int navy = form.scaleColor->findText("Navy");
  ASSERT_GE(navy, 0);
  emit form.scaleColor->activated(navy);
  form.backColor->PickCustom(0x00FF8040);
  EXPECT_EQ(config.scalecolor, 0x800000u);
  EXPECT_EQ(ViewScaleColor, 0x800000u);
  EXPECT_EQ(config.backcolor, 0xFF8040u);
  EXPECT_EQ(ViewBackColor, 0xFF8040u);
  EXPECT_EQ(repaints, 2);

  form.Button2->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(config.scalecolor, 0x800000u);
  EXPECT_EQ(ViewBackColor, 0xFF8040u);

  form.show();
  const int def = form.waveColor->findText("Default");
  emit form.waveColor->activated(def);
  form.Button1->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(config.wavecolor, kDefaultWaveColor);
  EXPECT_EQ(ViewWaveColor, kDefaultWaveColor);
  ViewBackColor = savedView_[0];
  ViewScaleColor = savedView_[1];
  ViewWaveColor = savedView_[2];
}

TEST_F(SettingsTest, ColourConversionKeepsTheStoredByteOrder) {
  EXPECT_EQ(ToQColor(0xABF01C), QColor(28, 240, 171));
  EXPECT_EQ(ToBgr(QColor(28, 240, 171)), 0xABF01Cu);
}

TEST_F(SettingsTest, SystemPageFollowsTheSettingsAndWritesThemBack) {
  config.updates = false;
  config.tempfolder = "/var/tmp/";
  TsettingsForm form;
  EXPECT_EQ(form.objectName(), "settingsForm");
  EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet1);
  EXPECT_FALSE(form.CheckBoxUpdates->isChecked());
  EXPECT_EQ(form.tmpedit->text(), "/var/tmp/");
  form.CheckBoxUpdates->click();
  EXPECT_TRUE(config.updates);
  form.ChooseTempFolder("/srv/scratch/");
  EXPECT_EQ(form.tmpedit->text(), "/srv/scratch");
  EXPECT_EQ(config.tempfolder, "/srv/scratch/");
}

// The folder button's icon is looked up when the window shows, not when the editor starts.
TEST_F(SettingsTest, TheFolderButtonShowsItsIconWithTheWindow) {
  TsettingsForm form;
  form.show();
  EXPECT_FALSE(form.SpeedButton1->icon().isNull());
}

TEST_F(SettingsTest, ListsTheLanguagesAndStartsWithTheStoredOne) {
  test::TTempDir folder;
  std::ofstream(folder.File("de.lng"))
      << "LANGID=1031\n[settingsForm]\n1=Einstellungen\n5=Hintergrund:\n";
  LangManager().FindLanguageFiles(folder.Path(), "*.lng", false);
  config.lang = 1031;
  TsettingsForm form;
  int changes = 0;
  QObject::connect(&form, &TsettingsForm::LanguageChanged, [&] { ++changes; });

  ASSERT_EQ(form.LangBox->count(), LangManager().LanguageEntryCount());
  // Each language is listed in its own words.
  EXPECT_EQ(form.LangBox->itemText(0), "English");
  EXPECT_EQ(form.LangBox->currentText(), "Deutsch");
  EXPECT_EQ(LangManager().ActiveLanguageId(), 1031);
  EXPECT_EQ(form.windowTitle(), "Einstellungen");
  EXPECT_EQ(form.Label1->text(), "Hintergrund:");

  form.LangBox->setCurrentIndex(0);
  form.LangBoxChange();
  EXPECT_EQ(LangManager().ActiveLanguageId(), kDefaultLanguageId);
  EXPECT_EQ(form.windowTitle(), "Settings");
  EXPECT_EQ(changes, 1);
}

TEST_F(SettingsTest, ALanguageFileThatCannotBeReadKeepsTheOldLanguage) {
  test::TTempDir folder;
  const std::string path = folder.File("fr.lng");
  std::ofstream(path) << "LANGID=1036\n";
  LangManager().FindLanguageFiles(folder.Path(), "*.lng", false);
  std::filesystem::remove(path);
  test::TRecordingMessageBoxes boxes;
  test::TScopedMessageBoxes port(&boxes);
  config.lang = kDefaultLanguageId;
  TsettingsForm form;
  const int french = form.LangBox->findData(1036);
  ASSERT_GE(french, 0);
  form.LangBox->setCurrentIndex(french);
  form.LangBoxChange();
  EXPECT_EQ(LangManager().ActiveLanguageId(), kDefaultLanguageId);
  EXPECT_EQ(form.LangBox->currentIndex(), 0);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(AboutFormTest, ShowsTheVersionLineAndRunsItsLinks) {
  struct TRecordingOpener : TUrlOpener {
    void Open(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
  } opener;
  SetUrlOpener(&opener);
  TAboutForm form;
  EXPECT_EQ(form.objectName(), "AboutForm");
  EXPECT_TRUE(form.Label6->text().startsWith("Product Version: "));
  form.Label3Click();  // no address yet: nothing opens
  form.HomePageUrl = "https://example.org/";
  form.Label3Click();
  bool checked = false;
  form.OnCheckUpdates = [&] { checked = true; };
  form.Label4Click();
  SetUrlOpener(nullptr);
  EXPECT_EQ(opener.opened, std::vector<std::string>{"https://example.org/"});
  EXPECT_TRUE(checked);
}

// Every text of a window's translation table must reach an object of the window.
TEST(DialogTranslationTest, EveryTableEntryFindsItsObject) {
  TsettingsForm settings;
  TPropertiesForm properties;
  Tfilterform filter;
  TAboutForm about;
  for (QWidget* window : std::initializer_list<QWidget*>{&settings, &properties, &filter, &about}) {
    auto* controller = window->findChild<TVxLanguageController*>();
    ASSERT_NE(controller, nullptr) << window->objectName().toStdString();
    EXPECT_TRUE(controller->UnboundIds().empty()) << window->objectName().toStdString();
  }
}

}  // namespace
}  // namespace quillon
