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
const QStringList kQuarter = Numbers({128, 112, 96, 80, 64, 56, 48, 40, 32, 24, 16, 8});

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

TEST_F(Mp3FormatTest, ARateWithoutATableLeavesListsAndSelectionsAlone) {
  dialog.Prepare(22050);
  List("bitrate")->setCurrentIndex(3);
  List("avgbitrate")->setCurrentIndex(9);
  dialog.Prepare(96000);
  EXPECT_EQ(Items(List("bitrate")), kHalf);
  EXPECT_EQ(Items(List("maxbitrate")), kHalf);
  EXPECT_EQ(List("bitrate")->currentText(), "112");
  EXPECT_EQ(List("avgbitrate")->currentText(), "40");
  // The odd rate still counts as the last one, so returning to 22050 refills.
  dialog.Prepare(22050);
  EXPECT_EQ(List("bitrate")->currentIndex(), 0);
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
  dialog.Prepare(11025);  // twelve entries
  List("avgbitrate")->setCurrentIndex(10);
  Child<QCheckBox>("crc")->setChecked(true);
  EXPECT_EQ(dialog.Choice().averagePosition, 10);
  EXPECT_TRUE(dialog.Choice().crc);
  TMp3Choice wanted{TMp3Mode::Vbr, 4, 2, 7, 11, true};
  dialog.SetChoice(wanted);
  TMp3Choice got = dialog.Choice();
  EXPECT_EQ(got.mode, TMp3Mode::Vbr);
  EXPECT_EQ(got.bitratePosition, 4);
  EXPECT_EQ(got.maxBitratePosition, 2);
  EXPECT_EQ(got.qualityPosition, 7);
  EXPECT_EQ(got.averagePosition, 11);
  EXPECT_TRUE(got.crc);
  EXPECT_EQ(Child<QStackedWidget>("Notebook3")->currentIndex(), 1);

  dialog.SetChoice(TMp3Choice{TMp3Mode::Abr, 13, -5, 40, 99, false});
  got = dialog.Choice();
  EXPECT_EQ(got.bitratePosition, 11);
  EXPECT_EQ(got.maxBitratePosition, 0);
  EXPECT_EQ(got.qualityPosition, 9);
  EXPECT_EQ(got.averagePosition, 11);
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
  for (int i = 0; i < 7; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    walked << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(walked, (QStringList{"vbrmode", "bitrate", "maxbitrate", "vbrquality", "crc", "Button1",
                                 "Button2", "vbrmode"}));
  dialog.hide();
}

TEST_F(Mp3FormatTest, EveryControlSitsInsideTheDialogWithoutOverlap) {
  dialog.Prepare(44100);
  List("vbrmode")->setCurrentIndex(2);
  dialog.show();
  const QImage shot = dialog.grab().toImage();
  ASSERT_FALSE(shot.isNull());
  if (const QByteArray path = qgetenv("QUILLON_DIALOG_SHOT"); !path.isEmpty()) shot.save(path);

  const QRect inside = dialog.rect();
  std::vector<std::pair<QString, QRect>> placed;
  for (const char* name : {"Label1", "vbrmode", "Bitratelabel", "bitrate", "maxbitLabel",
                           "maxbitrate", "Label40", "avgbitrate", "crc", "Button1", "Button2"}) {
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

}  // namespace
}  // namespace quillon
