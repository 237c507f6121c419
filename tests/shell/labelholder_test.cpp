#include "shell/labelholder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTest>
#include <chrono>

#include "support/wait.h"

namespace quillon {
namespace {

// Counts the layout requests a window receives.
class TLayoutCount : public QObject {
 public:
  explicit TLayoutCount(QWidget& window) { window.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    count += event->type() == QEvent::LayoutRequest;
    return false;
  }
  int count = 0;
};

struct TNewText {
  const char* text;
  bool laysOut;
};

class LabelHolderTest : public ::testing::TestWithParam<TNewText> {};

// A new text of the same size repaints the label alone; a longer one lays the window out again
// and the label is shown whole.
TEST_P(LabelHolderTest, LaysTheWindowOutOnlyWhenTheLabelWantsAnotherSize) {
  QWidget window;
  auto* row = new QHBoxLayout(&window);
  auto* label = new QLabel("000:01.100");
  label->setObjectName("timedisplay");
  row->addWidget(new TLabelHolder(label, &window));
  row->addStretch(1);
  window.resize(600, 60);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  test::ServeFor(std::chrono::milliseconds(20));
  TLayoutCount requests(window);

  label->setText(QString::fromUtf8(GetParam().text));
  test::ServeFor(std::chrono::milliseconds(20));
  EXPECT_EQ(requests.count > 0, GetParam().laysOut);
  EXPECT_GE(label->width(), label->sizeHint().width());
  EXPECT_EQ(label->geometry(), label->parentWidget()->rect());
  EXPECT_EQ(window.findChild<QLabel*>("timedisplay"), label);
}

INSTANTIATE_TEST_SUITE_P(Texts, LabelHolderTest,
                         ::testing::Values(TNewText{"000:01.200", false},
                                           TNewText{"000:01.100 and a good deal more", true}));

}  // namespace
}  // namespace quillon
