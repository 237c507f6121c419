// The volume bar under every input a user gives it: up is louder, and its fill is the level.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <functional>

#include "display/waveview.h"
#include "platform/config.h"
#include "shell/main.h"
#include "shell/windowdriver.h"

namespace quillon {
namespace {

class VolumeBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar = window.Form().findChild<QSlider*>("VolumeBar");
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(window.View().HasPlayer()) << "the tests play through SDL's dummy driver";
  }

  QRect Handle() const {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.upsideDown = !bar->invertedAppearance();
    option.subControls = QStyle::SC_SliderHandle;
    return bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
  }

  // Places the bar as the stored setting names its position (-10000 loudest, 0 silent).
  void PlaceAt(int32_t position) {
    // The bar's own value runs either way; the setting says which end is loud.
    bar->setValue(bar->invertedAppearance() ? position : -position);
    ASSERT_EQ(config.volume, position);
  }

  // The fill's pixels: the highlight colour, blue well over red.
  int FillPixels() const {
    const QImage image = bar->grab().toImage();
    // Down the groove's middle, away from the tick marks.
    const int x = Handle().center().x();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      const QColor c = image.pixelColor(x, y);
      if (c.blue() - c.red() > 60) ++count;
    }
    return count;
  }

  test::TWindowDriver window;
  QSlider* bar = nullptr;
};

struct TInputRow {
  const char* name;
  std::function<void(QSlider*, QRect handle)> give;
};

TEST_F(VolumeBarTest, EveryInputUpwardsMakesItLouderByAVisibleStep) {
  const TInputRow rows[] = {
      {"wheel up",
       [](QSlider* bar, QRect handle) {
         QWheelEvent wheel(handle.center(), bar->mapToGlobal(handle.center()), {}, {0, 120},
                           Qt::NoButton, {}, Qt::NoScrollPhase, false);
         QApplication::sendEvent(bar, &wheel);
       }},
      {"Up key", [](QSlider* bar, QRect) { QTest::keyClick(bar, Qt::Key_Up); }},
      {"click above the handle",
       [](QSlider* bar, QRect handle) {
         QTest::mouseClick(bar, Qt::LeftButton, {}, {handle.center().x(), handle.top() - 12});
       }},
      {"drag up",
       [](QSlider* bar, QRect handle) {
         QTest::mousePress(bar, Qt::LeftButton, {}, handle.center());
         QTest::mouseMove(bar, handle.center() - QPoint(0, 10));
         QTest::mouseMove(bar, handle.center() - QPoint(0, 20));
         QTest::mouseRelease(bar, Qt::LeftButton, {}, handle.center() - QPoint(0, 20));
       }},
  };
  for (const TInputRow& row : rows) {
    SCOPED_TRACE(row.name);
    PlaceAt(-5000);
    const QRect before = Handle();
    row.give(bar, before);
    EXPECT_LT(config.volume, -5000) << "louder is nearer -10000";
    // Up on the screen, by a step one can see.
    EXPECT_LE(Handle().top(), before.top() - 2);
  }
}

TEST_F(VolumeBarTest, TheFillGrowsWithTheLevel) {
  int last = -1;
  for (int32_t position : {0, -2500, -5000, -7500, -10000}) {
    SCOPED_TRACE(position);
    PlaceAt(position);
    const int fill = FillPixels();
    EXPECT_GT(fill, last);
    last = fill;
  }
}

}  // namespace
}  // namespace quillon
