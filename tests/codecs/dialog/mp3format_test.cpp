#include "codecs/dialog/mp3format.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <functional>

#include "codecs/mp3testing.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

QStringList Items(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

QStringList Numbers(std::initializer_list<int> rates) {
  QStringList items;
  for (int rate : rates) items << QString::number(rate);
  return items;
}

const QStringList kWide = Numbers({320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32});
const QStringList kHalf = Numbers({160, 144, 128, 112, 96, 80, 64, 56, 48, 40, 32, 24, 16, 8});
const QStringList kQuarter = Numbers({64, 56, 48, 40, 32, 24, 16, 8});

class Mp3FormatTest : public ::testing::Test {
 protected:
  template <typename T>
  T* Child(const char* name) {
    T* child = dialog.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QComboBox* List(const char* name) { return Child<QComboBox>(name); }

  // Runs the dialog modally for this rate while `during` acts on it from inside its loop.
  std::optional<TMp3Choice> AskWhile(uint32_t rate, std::function<void()> during) {
    QTimer::singleShot(0, &dialog, [this, during] {
      during();
      // A dialog the action failed to close would otherwise hang the test.
      if (dialog.isVisible()) QTimer::singleShot(2000, &dialog, [this] { dialog.done(99); });
    });
    return dialog.Ask(rate);
  }

  Tmpegsettings dialog;
};

// ---- lists and sample rates ----

TEST_F(Mp3FormatTest, StartsWithDefaultsAndRate44100FillsAllThreeListsWithTheWideTable) {
  EXPECT_EQ(Items(List("bitrate")), kWide + QStringList{"16"});
  EXPECT_EQ(Items(List("avgbitrate")), kWide);
  const TMp3Choice fresh = dialog.Choice();
  EXPECT_EQ(fresh.mode, TMp3Mode::Cbr);
  EXPECT_EQ(fresh.qualityPosition, 0);
  EXPECT_FALSE(fresh.crc);
  // The source's frames are kept unless the user says otherwise.
  EXPECT_TRUE(fresh.keepFrames);

  dialog.Prepare(44100);
  for (const char* name : {"bitrate", "maxbitrate", "avgbitrate"}) {
    EXPECT_EQ(Items(List(name)), kWide) << name;
    EXPECT_EQ(List(name)->currentText(), "320") << name;
  }
}

TEST_F(Mp3FormatTest, AnotherDocumentAtTheSameRateKeepsTheUsersSelections) {
  dialog.Prepare(44100);
  List("bitrate")->setCurrentIndex(5);
  List("maxbitrate")->setCurrentIndex(2);
  List("avgbitrate")->setCurrentIndex(7);
  dialog.Prepare(44100);
  EXPECT_EQ(List("bitrate")->currentText(), "128");
  EXPECT_EQ(List("maxbitrate")->currentText(), "224");
  EXPECT_EQ(List("avgbitrate")->currentText(), "96");
}

TEST_F(Mp3FormatTest, ANewRateRefillsEveryListAndSelectsItsFirstEntry) {
  dialog.Prepare(44100);
  for (const char* name : {"bitrate", "maxbitrate", "avgbitrate"}) List(name)->setCurrentIndex(4);
  dialog.Prepare(22050);
  for (const char* name : {"bitrate", "maxbitrate", "avgbitrate"}) {
    EXPECT_EQ(Items(List(name)), kHalf) << name;
    EXPECT_EQ(List(name)->currentText(), "160") << name;
  }
  dialog.Prepare(11025);
  for (const char* name : {"bitrate", "maxbitrate", "avgbitrate"}) {
    EXPECT_EQ(Items(List(name)), kQuarter) << name;
    EXPECT_EQ(List(name)->currentIndex(), 0) << name;
  }
  // Back to a rate seen two showings ago is still a change of rate.
  dialog.Prepare(48000);
  EXPECT_EQ(Items(List("avgbitrate")), kWide);
}

// ---- mode ----

TEST_F(Mp3FormatTest, TheModeChoosesThePageAndWhetherTheMaximumIsOffered) {
  auto* mode = List("vbrmode");
  auto* pages = Child<QStackedWidget>("Notebook3");
  auto* maxList = List("maxbitrate");
  auto* maxLabel = Child<QLabel>("maxbitLabel");
  ASSERT_EQ(mode->count(), 3);
  EXPECT_EQ(mode->itemText(0), "Constant Bitrate (CBR)");
  EXPECT_EQ(mode->itemText(1), "Variable Bitrate (VBR)");
  EXPECT_EQ(mode->itemText(2), "Average Bitrate (ABR)");

  dialog.Prepare(44100);
  EXPECT_EQ(pages->currentWidget()->objectName(), "CBR");
  EXPECT_FALSE(maxList->isVisibleTo(&dialog));
  EXPECT_FALSE(maxLabel->isVisibleTo(&dialog));

  mode->setCurrentIndex(1);
  EXPECT_EQ(pages->currentWidget()->objectName(), "VBR");
  EXPECT_TRUE(pages->currentWidget()->isAncestorOf(Child<QSlider>("vbrquality")));
  EXPECT_TRUE(maxList->isVisibleTo(&dialog));
  EXPECT_TRUE(maxLabel->isVisibleTo(&dialog));

  mode->setCurrentIndex(2);
  EXPECT_EQ(pages->currentWidget()->objectName(), "ABR");
  EXPECT_TRUE(pages->currentWidget()->isAncestorOf(List("avgbitrate")));
  EXPECT_TRUE(maxList->isVisibleTo(&dialog));

  mode->setCurrentIndex(0);
  EXPECT_FALSE(maxList->isVisibleTo(&dialog));
}

// ---- the choice ----

TEST_F(Mp3FormatTest, ChoiceReadsTheControlsAndSetChoiceClampsToTheListsAsTheyStand) {
  dialog.Prepare(11025);  // eight entries
  List("avgbitrate")->setCurrentIndex(6);
  Child<QCheckBox>("crc")->setChecked(true);
  EXPECT_EQ(dialog.Choice().averagePosition, 6);
  EXPECT_TRUE(dialog.Choice().crc);
  TMp3Choice wanted{TMp3Mode::Vbr, 4, 2, 7, 5, true};
  dialog.SetChoice(wanted);
  TMp3Choice got = dialog.Choice();
  EXPECT_EQ(got.mode, TMp3Mode::Vbr);
  EXPECT_EQ(got.bitratePosition, 4);
  EXPECT_EQ(got.maxBitratePosition, 2);
  EXPECT_EQ(got.qualityPosition, 7);
  EXPECT_EQ(got.averagePosition, 5);
  EXPECT_TRUE(got.crc);
  EXPECT_EQ(Child<QStackedWidget>("Notebook3")->currentIndex(), 1);

  dialog.SetChoice(TMp3Choice{TMp3Mode::Abr, 13, -5, 40, 99, false, false});
  got = dialog.Choice();
  EXPECT_FALSE(got.keepFrames);
  EXPECT_EQ(got.bitratePosition, 7);
  EXPECT_EQ(got.maxBitratePosition, 0);
  EXPECT_EQ(got.qualityPosition, 9);
  EXPECT_EQ(got.averagePosition, 7);
  EXPECT_FALSE(got.crc);
}

// ---- running the dialog ----

TEST_F(Mp3FormatTest, OkReturnsTheChoiceAndTheDialogRemembersItForNextTime) {
  auto answer = AskWhile(44100, [this] {
    List("vbrmode")->setCurrentIndex(1);
    Child<QSlider>("vbrquality")->setValue(3);
    List("bitrate")->setCurrentIndex(2);
    QTest::mouseClick(Child<QPushButton>("Button1"), Qt::LeftButton);
  });
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->mode, TMp3Mode::Vbr);
  EXPECT_EQ(answer->qualityPosition, 3);
  EXPECT_EQ(answer->bitratePosition, 2);

  // Shown again for another 44100 document: the same choice is offered.
  auto again = AskWhile(44100, [this] { Child<QPushButton>("Button1")->click(); });
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->mode, TMp3Mode::Vbr);
  EXPECT_EQ(again->bitratePosition, 2);
  EXPECT_EQ(Child<QStackedWidget>("Notebook3")->currentIndex(), 1);
}

TEST_F(Mp3FormatTest, CancelAndEscapeReturnNothing) {
  auto cancelled = AskWhile(44100, [this] { Child<QPushButton>("Button2")->click(); });
  EXPECT_FALSE(cancelled.has_value());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);

  auto escaped = AskWhile(44100, [this] { QTest::keyClick(List("bitrate"), Qt::Key_Escape); });
  EXPECT_FALSE(escaped.has_value());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(Mp3FormatTest, EnterOnAListOrTheSliderAccepts) {
  EXPECT_TRUE(Child<QPushButton>("Button1")->isDefault());
  auto fromList = AskWhile(44100, [this] { QTest::keyClick(List("bitrate"), Qt::Key_Return); });
  EXPECT_TRUE(fromList.has_value());
  auto fromSlider = AskWhile(44100, [this] {
    List("vbrmode")->setCurrentIndex(1);
    QTest::keyClick(Child<QSlider>("vbrquality"), Qt::Key_Enter);
  });
  EXPECT_TRUE(fromSlider.has_value());
}

// ---- keyboard and layout ----

TEST_F(Mp3FormatTest, LabelsAreBuddiedAndTabWalksTheVisibleControlsInOrder) {
  const std::pair<const char*, const char*> buddies[] = {{"Label1", "vbrmode"},
                                                         {"Bitratelabel", "bitrate"},
                                                         {"maxbitLabel", "maxbitrate"},
                                                         {"Label37", "vbrquality"},
                                                         {"Label40", "avgbitrate"}};
  for (auto [label, control] : buddies) {
    QWidget* buddy = Child<QLabel>(label)->buddy();
    ASSERT_NE(buddy, nullptr) << label;
    EXPECT_EQ(buddy->objectName(), control) << label;
  }

  dialog.Prepare(44100);
  List("vbrmode")->setCurrentIndex(1);
  dialog.show();
  QApplication::setActiveWindow(&dialog);  // offscreen windows are not activated on their own
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  List("vbrmode")->setFocus();
  QStringList walked{QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    walked << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(walked, (QStringList{"vbrmode", "bitrate", "maxbitrate", "vbrquality", "crc",
                                 "keepframes", "Button1", "Button2", "vbrmode"}));
  dialog.hide();
}

TEST_F(Mp3FormatTest, EveryControlSitsInsideTheDialogWithoutOverlap) {
  dialog.Prepare(96000);  // with the line on the changed rate
  List("vbrmode")->setCurrentIndex(2);
  dialog.show();
  const QImage shot = dialog.grab().toImage();
  ASSERT_FALSE(shot.isNull());
  if (const QByteArray path = qgetenv("QUILLON_DIALOG_SHOT"); !path.isEmpty()) shot.save(path);

  const QRect inside = dialog.rect();
  std::vector<std::pair<QString, QRect>> placed;
  for (const char* name :
       {"Label1", "vbrmode", "Bitratelabel", "bitrate", "maxbitLabel", "maxbitrate", "Label40",
        "avgbitrate", "crc", "ratenote", "Button1", "Button2"}) {
    auto* widget = Child<QWidget>(name);
    ASSERT_TRUE(widget->isVisible()) << name;
    const QRect area(widget->mapTo(&dialog, QPoint(0, 0)), widget->size());
    EXPECT_TRUE(inside.contains(area)) << name;
    for (const auto& [other, otherArea] : placed)
      EXPECT_FALSE(area.intersects(otherArea)) << name << " over " << other.toStdString();
    placed.emplace_back(name, area);
  }
  // The paged list lines up with the lists above it.
  EXPECT_EQ(List("avgbitrate")->mapTo(&dialog, QPoint(0, 0)).x(),
            List("bitrate")->mapTo(&dialog, QPoint(0, 0)).x());
  dialog.hide();
}

// ---- VBR ----

TEST_F(Mp3FormatTest, InVbrTheBitrateIsAFloorStartingAtTheLowestAndCbrKeepsItsOwn) {
  dialog.Prepare(44100);
  List("bitrate")->setCurrentIndex(5);  // CBR 128
  List("vbrmode")->setCurrentIndex(1);
  EXPECT_EQ(List("bitrate")->currentText().toStdString(), "32");
  EXPECT_EQ(dialog.Choice().bitratePosition, 13);
  List("bitrate")->setCurrentIndex(12);  // a floor of 40
  List("vbrmode")->setCurrentIndex(0);
  EXPECT_EQ(List("bitrate")->currentText().toStdString(), "128");
  List("vbrmode")->setCurrentIndex(1);
  EXPECT_EQ(List("bitrate")->currentText().toStdString(), "40");
  // A new rate starts both over: CBR from the top of its list, the floor from the bottom.
  dialog.Prepare(22050);
  EXPECT_EQ(List("bitrate")->currentText().toStdString(), "8");
  List("vbrmode")->setCurrentIndex(0);
  EXPECT_EQ(List("bitrate")->currentText().toStdString(), "160");
}

// What `lame -V<q>` gives on the same input at the same rate and in the same channel mode (our
// two channels are plain stereo, lame's default is joint stereo): position p stands for V(8 - p),
// and position 9 for V0 with the encoder's most thorough search.
int64_t LameBitRate(const test::TTempDir& dir, const std::string& wav, int position, int channels) {
  const int v = position == 9 ? 0 : 8 - position;
  const std::string mp3 = dir.File("lame.mp3");
  const std::string command = "lame --quiet -V" + std::to_string(v) +
                              (position == 9 ? " -q0" : "") + (channels == 1 ? " -m m" : " -m s") +
                              " --resample 44.1 '" + wav + "' '" + mp3 + "'";
  EXPECT_EQ(test::RunCommand(command), 0) << command;
  return test::ProbedNumber(mp3, "bit_rate");
}

TEST_F(Mp3FormatTest, EveryQualityPositionGivesTheBitrateOfItsLameQuality) {
  const uint32_t rate = 44100;
  dialog.Prepare(rate);
  List("vbrmode")->setCurrentIndex(1);
  for (uint16_t channels : {uint16_t{1}, uint16_t{2}}) {
    test::TTempDir dir;
    const std::vector<int16_t> samples = test::MusicSamples(rate, channels, rate * 2);
    const std::string wav = dir.File("in.wav");
    test::WriteWav16(wav, channels, rate, samples);
    for (int position = 0; position <= 9; ++position) {
      SCOPED_TRACE(testing::Message() << channels << " channels, position " << position);
      Child<QSlider>("vbrquality")->setValue(position);
      const std::string mp3 = dir.File("ours.mp3");
      test::EncodeMp3(mp3, MakeMp3Config(dialog.Choice(), rate, channels), samples);
      const int64_t ours = test::ProbedNumber(mp3, "bit_rate");
      const int64_t lame = LameBitRate(dir, wav, position, channels);
      EXPECT_NEAR(double(ours), double(lame), 0.1 * double(lame)) << ours << " against " << lame;
    }
  }
}

// ---- rates MP3 lacks ----

TEST_F(Mp3FormatTest, ARateMp3LacksOffersTheNearestRatesListsAndSaysSoBeforeSaving) {
  auto* note = Child<QLabel>("ratenote");
  dialog.Prepare(96000);
  for (const char* name : {"bitrate", "maxbitrate", "avgbitrate"})
    EXPECT_EQ(Items(List(name)), kWide) << name;
  EXPECT_TRUE(note->isVisibleTo(&dialog));
  EXPECT_EQ(note->text().toStdString(), Mp3RateNotice(96000));
  EXPECT_TRUE(note->text().contains("48000 Hz") && note->text().contains("96000 Hz"))
      << note->text().toStdString();
  dialog.Prepare(7000);
  EXPECT_EQ(Items(List("bitrate")), kQuarter);
  EXPECT_TRUE(note->text().contains("8000 Hz")) << note->text().toStdString();
  for (uint32_t rate : {44100u, 24000u, 12000u}) {
    dialog.Prepare(rate);
    EXPECT_FALSE(note->isVisibleTo(&dialog)) << rate;
  }
  EXPECT_EQ(Items(List("bitrate")), kQuarter);
}

}  // namespace
}  // namespace quillon
