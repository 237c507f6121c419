#include "display/spectrogramview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <cmath>
#include <numbers>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "spectrum/colourmaps.h"
#include "spectrum/frequencyscale.h"
#include "support/document_harness.h"
#include "support/wait.h"

namespace quillon {
namespace {

class SpectrogramViewTest : public ::testing::Test {
 protected:
  void Open(double hz) {
    std::vector<int16_t> samples(16000);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] =
          static_cast<int16_t>(std::lround(12000 * std::sin(2 * std::numbers::pi * hz * i / 8000)));
    ASSERT_TRUE(harness.OpenSamples(1, samples, 8000));
    wave.AttachDocument(&harness.document);
    wave.resize(400 + RightMargin, 150);
    spectrogram.resize(400 + RightMargin, 200);
    // Hidden widgets are not painted.
    spectrogram.show();
    wave.Repaint();
  }
  // Paints until every column has arrived.
  bool PaintUntilComplete() {
    return test::WaitUntil([&] {
      spectrogram.repaint();
      return spectrogram.PendingColumns() == 0;
    });
  }

  test::TDocumentHarness harness;
  TWaveView wave;
  TSpectrogramView spectrogram{&wave};
};

TEST_F(SpectrogramViewTest, TheFirstPaintIsANeutralBandThatFillsInWithTheSinesRow) {
  Open(1000);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&spectrogram));
  ASSERT_TRUE(PaintUntilComplete());
  // Another window size needs new columns.
  TSpectrumSettings settings;
  settings.colourMap = 0;
  settings.window = 512;
  spectrogram.SetSettings(settings);
  spectrogram.repaint();
  // Nothing was computed before the first paint, and it did not wait for it.
  EXPECT_GT(spectrogram.PendingColumns(), 0);
  EXPECT_EQ(spectrogram.Picture().pixel(200, 100), kPendingColour);
  ASSERT_TRUE(PaintUntilComplete());
  const QImage& picture = spectrogram.Picture();
  const TColourMap& grey = ColourMap(0);
  int brightest = 0;
  int64_t best = -1;
  for (int y = 0; y < picture.height(); ++y) {
    const int64_t level = std::find(grey.begin(), grey.end(), picture.pixel(200, y)) - grey.begin();
    if (level > best) best = level, brightest = y;
  }
  const TFrequencyAxis axis(TFrequencyScale::Log, picture.height(), 8000);
  EXPECT_GE(brightest, axis.RowOf(1000 + 8000.0 / 512));
  EXPECT_LE(brightest, axis.RowOf(1000 - 8000.0 / 512));
  const QString reading = spectrogram.PointerText(QPoint(200, brightest));
  EXPECT_TRUE(reading.contains(" s ") && reading.contains("Hz") && reading.contains("dB"))
      << reading.toStdString();
  EXPECT_TRUE(spectrogram.PointerText(QPoint(400 + RightMargin / 2, 10)).isEmpty());
}

TEST_F(SpectrogramViewTest, TheSelectionAndTheCursorAreDrawnAcrossAtTheWaveViewsPlaces) {
  Open(500);
  ASSERT_TRUE(PaintUntilComplete());
  wave.SetSelection(4000, 8000, true);
  wave.SetCursorPos(12000);
  const QImage shown = spectrogram.grab().toImage();
  const int inside = static_cast<int>(6000 / wave.FramesPerPixel());
  const int outside = static_cast<int>(2000 / wave.FramesPerPixel());
  const int cursor = static_cast<int>(std::lround(12000 / wave.FramesPerPixel()));
  const int y = 20;
  EXPECT_GT(qGray(shown.pixel(inside, y)), qGray(shown.pixel(outside, y)));
  EXPECT_EQ(shown.pixel(cursor, y) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_NE(shown.pixel(cursor + 3, y) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(SpectrogramViewTest, WithoutADocumentNothingIsComputedAndNothingFails) {
  spectrogram.resize(300, 100);
  spectrogram.show();
  spectrogram.repaint();
  EXPECT_EQ(spectrogram.PendingColumns(), 0);
  EXPECT_TRUE(spectrogram.PointerText(QPoint(10, 10)).isEmpty());
}

TEST_F(SpectrogramViewTest, AfterAnEditAndItsUndoTheEarlierColumnsComeBackWithoutComputing) {
  Open(700);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&spectrogram));
  ASSERT_TRUE(PaintUntilComplete());
  const QImage before = spectrogram.Picture().copy();
  ASSERT_TRUE(harness.Run([](Twavefile& d) { return d.Invert(); }));
  wave.FollowDocument();
  // A new state: its columns are computed anew.
  spectrogram.repaint();
  EXPECT_GT(spectrogram.PendingColumns(), 0);
  ASSERT_TRUE(PaintUntilComplete());
  ASSERT_TRUE(harness.Run([](Twavefile& d) {
    d.Undo();
    return true;
  }));
  wave.FollowDocument();
  spectrogram.repaint();
  EXPECT_EQ(spectrogram.PendingColumns(), 0);
  EXPECT_EQ(spectrogram.Picture(), before);
}

TEST_F(SpectrogramViewTest, AfterADeletionOnlyTheColumnsOverTheJoinAreTransformed) {
  Open(700);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&spectrogram));
  ASSERT_TRUE(PaintUntilComplete());
  // Two hops of the default window out of the middle: what follows moves by whole columns.
  ASSERT_TRUE(harness.Run([](Twavefile& d) { return d.Delete(8000, 9024); }));
  wave.FollowDocument();
  ASSERT_TRUE(PaintUntilComplete());
  ASSERT_TRUE(test::WaitUntil([&] {
    spectrogram.repaint();
    return spectrogram.ComputedColumns() > 0;
  }));
  // Four windows hold the join; the reduced level's group may take them before the view does.
  // The document has 30 columns.
  EXPECT_LE(spectrogram.ComputedColumns(), 8);
}

}  // namespace
}  // namespace quillon
