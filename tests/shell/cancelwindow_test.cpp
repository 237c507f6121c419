// The real main window stops a running operation through each way the user has: the Cancel
// button beside the progress bar, Esc, and closing the window, which must not wait for the work.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <chrono>
#include <functional>

#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/cancel.h"
#include "shell/main.h"
#include "shell/windowdriver.h"
#include "support/wait.h"

namespace quillon {
namespace {

using test::TWindowDriver;
using test::WaitUntil;

struct TStopWay {
  const char* name;
  std::function<void(Tmainform&)> stop;
  // Whether the window is gone afterwards.
  bool closes;
};

const std::vector<TStopWay>& StopWays() {
  static const std::vector<TStopWay> ways{
      {"CancelButton",
       [](Tmainform& form) { QTest::mouseClick(form.CancelOperationButton(), Qt::LeftButton); },
       false},
      {"Escape", [](Tmainform& form) { QTest::keyClick(&form, Qt::Key_Escape); }, false},
      {"CloseWindow", [](Tmainform& form) { form.close(); }, true},
      {"ExitCommand", [](Tmainform& form) { form.findChild<QAction*>("ExitAction")->trigger(); },
       true},
  };
  return ways;
}

class CancelWindowTest : public ::testing::TestWithParam<size_t> {
 protected:
  void TearDown() override { HoldAtNthCheck(0); }
};

TEST_P(CancelWindowTest, StopsAWholeDocumentFadeInItsMiddleAndLeavesTheDocumentAsItWas) {
  const TStopWay& way = StopWays()[GetParam()];
  TWindowDriver w;
  // Ten seconds of stereo: a fade of several chunks.
  ASSERT_TRUE(w.OpenFile("long", 10 * 44100, 44100));
  w.SelectAll();
  // The worker waits at its third look at the stop request, so that the stop meets it mid-way.
  HoldAtNthCheck(3);
  const test::TDocumentModel untouched = w.model;
  ASSERT_TRUE(w.Fade(true));
  // The samples stay; the command left the range unselected all the same.
  const test::TPlaceModel place = w.model.place;
  w.model = untouched;
  w.model.place = place;
  QPushButton* button = w.Form().CancelOperationButton();
  ASSERT_TRUE(WaitUntil([&] { return button->isVisible(); }))
      << "no Cancel button while the fade runs";

  const auto asked = std::chrono::steady_clock::now();
  way.stop(w.Form());
  // A close does not wait for the work: the window stays, says why, and serves its events.
  if (way.closes) {
    EXPECT_TRUE(w.Form().isVisible());
    EXPECT_EQ(w.Form().findChild<QStatusBar*>()->currentMessage().toStdString(),
              ConstantText("closewhenstopped"));
  }
  ASSERT_TRUE(WaitUntil([&] { return !w.Document().Busy(); }, std::chrono::seconds(2)))
      << "the operation did not stop";
  const auto took = std::chrono::steady_clock::now() - asked;
  EXPECT_LT(took, std::chrono::seconds(2));

  EXPECT_TRUE(w.boxes.shown.empty()) << w.boxes.shown.front();
  EXPECT_TRUE(WaitUntil([&] { return w.Form().isVisible() == !way.closes; }))
      << "the window did not close after the operation ended";
  if (way.closes) return;
  // The model took up no fade: the samples, the history and the temporary folder agree with it.
  EXPECT_EQ(w.Mismatch(), "");
  EXPECT_FALSE(w.Document().Modified());
  EXPECT_FALSE(w.Action("UndoAction")->isEnabled());
  EXPECT_TRUE(WaitUntil([&] { return !button->isVisible(); })) << "the button outlived the fade";
  EXPECT_EQ(w.Form().NoticePanel()->text().toStdString(), ConstantText("operationcancelled"));
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelWindowTest, ::testing::Range<size_t>(0, StopWays().size()),
                         [](const auto& info) { return StopWays()[info.param].name; });

TEST(CancelButtonTest, HiddenWhileNothingRuns) {
  TWindowDriver w;
  ASSERT_TRUE(w.OpenFile("short", 44100, 44100));
  ASSERT_NE(w.Form().CancelOperationButton(), nullptr);
  test::ServeFor(std::chrono::milliseconds(120));
  EXPECT_FALSE(w.Form().CancelOperationButton()->isVisible());
}

}  // namespace
}  // namespace quillon
