#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>

#include "localization/langmanager.h"
#include "platform/qt/dialogkeys.h"
#include "shell/dialogs/encoderquality.h"

namespace quillon {
namespace {

// Runs answer on the dialog once it shows; gives up after ten seconds so that a dialog
// that never comes fails the test instead of hanging it.
void WhenModal(std::function<void(QDialog*)> answer) {
  auto* poll = new QTimer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  QObject::connect(poll, &QTimer::timeout, [poll, deadline, answer] {
    // Once it has the keyboard, as the user meets it.
    QDialog* dialog = RunningDialog();
    if (dialog && !dialog->isActiveWindow()) dialog = nullptr;
    if (!dialog && std::chrono::steady_clock::now() < deadline) return;
    poll->deleteLater();
    poll->stop();
    ASSERT_NE(dialog, nullptr) << "no dialog showed";
    answer(dialog);
  });
  poll->start(10);
}

TEST(EncoderQualityTest, VorbisAsksForAQualityFromMinusOneToTen) {
  TEncoderQualityForm form(VorbisQualitySpec());
  EXPECT_EQ(form.objectName(), "vorbissettings");
  EXPECT_EQ(form.windowTitle(), "Ogg Vorbis Settings");
  EXPECT_EQ(form.ValueEdit->minimum(), -1);
  EXPECT_EQ(form.ValueEdit->maximum(), 10);
  EXPECT_EQ(form.Value(), 5);
  EXPECT_EQ(form.ValueSlider->value(), 5);
  EXPECT_EQ(form.NoteLabel, nullptr);
  EXPECT_TRUE(form.findChildren<QPushButton*>().size() == 2u) << "Ok and Cancel only";
  form.SetValue(42);
  EXPECT_EQ(form.Value(), 10);
  form.SetValue(-3);
  EXPECT_EQ(form.Value(), -1);
  form.ValueSlider->setValue(7);
  EXPECT_EQ(form.Value(), 7);
}

TEST(EncoderQualityTest, OpusAsksForABitrateWithVoiceAndMusicPresetsAndNamesItsRate) {
  TEncoderQualityForm form(OpusBitrateSpec());
  EXPECT_EQ(form.objectName(), "opussettings");
  EXPECT_EQ(form.ValueEdit->minimum(), 16);
  EXPECT_EQ(form.ValueEdit->maximum(), 256);
  EXPECT_EQ(form.Value(), 96);
  ASSERT_NE(form.NoteLabel, nullptr);
  EXPECT_TRUE(form.NoteLabel->text().contains(QString::fromUtf8("48\u00a0kHz")));
  auto* voice = form.findChild<QPushButton*>("VoiceButton");
  auto* music = form.findChild<QPushButton*>("MusicButton");
  ASSERT_TRUE(voice && music);
  music->click();
  EXPECT_EQ(form.Value(), 128);
  EXPECT_EQ(form.ValueSlider->value(), 128);
  voice->click();
  EXPECT_EQ(form.Value(), 32);
  form.SetValue(1000);
  EXPECT_EQ(form.Value(), 256);
}

TEST(EncoderQualityTest, OkGivesTheTypedValueAndCancelGivesNothingAndPutsTheOldOneBack) {
  TEncoderQualityForm form(OpusBitrateSpec());
  // Typed and confirmed with Enter, the default button.
  WhenModal([](QDialog* dialog) {
    auto* box = dialog->findChild<QSpinBox*>("ValueEdit");
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClicks(box, "160");
    QTest::keyClick(box, Qt::Key_Return);
  });
  EXPECT_EQ(form.Ask(), 160);

  WhenModal([](QDialog* dialog) {
    dialog->findChild<QPushButton*>("MusicButton")->click();
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(form.Ask(), std::nullopt);
  EXPECT_EQ(form.Value(), 160);

  WhenModal([](QDialog* dialog) {
    dialog->findChild<QPushButton*>("VoiceButton")->click();
    dialog->findChild<QPushButton*>("CancelButton")->click();
  });
  EXPECT_EQ(form.Ask(), std::nullopt);
  WhenModal([](QDialog* dialog) { dialog->findChild<QPushButton*>("OkButton")->click(); });
  EXPECT_EQ(form.Ask(), 160);
}

class TranslatedQualityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LangManager().RegisterLanguageFile(QUILLON_LANG_DIR "/de.lng"));
    ASSERT_TRUE(LangManager().RegisterLanguageFile(QUILLON_LANG_DIR "/ru.lng"));
  }
  void TearDown() override { LangManager().ActivateLanguage(kDefaultLanguageId); }

  // Laid out as shown, every label and button gets at least the width its text needs.
  static void ExpectNothingClipped(QDialog& form) {
    form.show();
    form.adjustSize();
    for (QLabel* label : form.findChildren<QLabel*>()) {
      if (label->wordWrap()) continue;
      EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    }
    for (QPushButton* button : form.findChildren<QPushButton*>())
      EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    form.hide();
  }

  TEncoderQualityForm vorbis_{VorbisQualitySpec()};
  TEncoderQualityForm opus_{OpusBitrateSpec()};
};

TEST_F(TranslatedQualityTest, GermanAndRussianTextsReplaceTheEnglishOnesAndFit) {
  LangManager().ActivateLanguage(1031);
  EXPECT_EQ(vorbis_.windowTitle(), "Ogg-Vorbis-Einstellungen");
  EXPECT_EQ(vorbis_.ValueLabel->text(), "&Qualität:");
  EXPECT_EQ(opus_.windowTitle(), "Opus-Einstellungen");
  EXPECT_EQ(opus_.findChild<QPushButton*>("VoiceButton")->text(), "&Sprache (32 kbit/s)");
  EXPECT_TRUE(
      opus_.NoteLabel->text().startsWith(QString::fromUtf8("Opus wird immer mit 48\u00a0kHz")));
  ExpectNothingClipped(vorbis_);
  ExpectNothingClipped(opus_);

  LangManager().ActivateLanguage(1049);
  EXPECT_EQ(vorbis_.windowTitle(), "Параметры Ogg Vorbis");
  EXPECT_EQ(opus_.windowTitle(), "Параметры Opus");
  EXPECT_EQ(opus_.findChild<QPushButton*>("MusicButton")->text(), "&Музыка (128 кбит/с)");
  EXPECT_EQ(opus_.CancelButton->text(), "Отмена");
  ExpectNothingClipped(vorbis_);
  ExpectNothingClipped(opus_);

  LangManager().ActivateLanguage(kDefaultLanguageId);
  EXPECT_EQ(opus_.windowTitle(), "Opus Settings");
  EXPECT_EQ(opus_.ValueLabel->text(), "&Bitrate (kbit/s):");
}

}  // namespace
}  // namespace quillon
