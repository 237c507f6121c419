#include "display/spectrumcanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "support/fixtures.h"

namespace quillon {
namespace {

// A picture of a two-tone document, drawn until nothing is pending.
struct TCanvasDocument {
  test::TTempDir dir;
  std::unique_ptr<TSpectrumCache> cache;
  std::vector<TSpectrumPainter> painters{1};
  TSpectrumSettings settings;

  TCanvasDocument() {
    std::vector<int16_t> samples(60000);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>(9000 * std::sin(i * (0.05 + i * 2e-6)));
    const std::string path = dir.File("store.wav");
    test::WriteWav16(path, 1, 8000, samples);
    cache = std::make_unique<TSpectrumCache>(
        TSpectrumSource{std::make_shared<TLargeFile>(path, false), 1, 8000, 60000}, 256,
        TWindowShape::Hann, kSpectrumColumnBudget, 2, false);
    settings.window = 256;
  }
  // The columns the first paint drew.
  int32_t PaintUntilComplete(TSpectrumCanvas& canvas) {
    int32_t drawn = -1;
    for (int round = 0; round < 10; ++round) {
      std::vector<TSpectrumKey> missing;
      const int32_t pending = canvas.Paint(*cache, settings, painters, missing);
      if (drawn < 0) drawn = canvas.DrawnColumns();
      if (pending == 0 && missing.empty()) break;
      cache->Request(std::move(missing), 0);
      cache->WaitUntilIdle();
    }
    return drawn;
  }
};

TEST(SpectrumCanvasTest, AScrollDrawsOnlyTheExposedColumnsAndEqualsAPictureDrawnAnew) {
  struct TRow {
    const char* what;
    double start, framesPerPixel;
    int32_t drawn;
  };
  const TRow rows[] = {
      {"right by 37 pixels and a third", 3000 + 37 * 40 + 13, 40, 37},
      {"left by 50 pixels", 3000 - 50 * 40, 40, 50},
      {"not at all", 3000, 40, 0},
      {"further than the view is wide", 3000 + 250 * 40, 40, 200},
      {"zoomed", 3000, 30, 200},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    TCanvasDocument document;
    TSpectrumCanvas scrolled, anew;
    scrolled.Show(3000, 40, 200, 61, 61, 1);
    EXPECT_EQ(document.PaintUntilComplete(scrolled), 200);
    scrolled.Show(row.start, row.framesPerPixel, 200, 61, 61, 1);
    EXPECT_EQ(document.PaintUntilComplete(scrolled), row.drawn);
    anew.Show(row.start, row.framesPerPixel, 200, 61, 61, 1);
    document.PaintUntilComplete(anew);
    EXPECT_EQ(scrolled.Image(), anew.Image());
    EXPECT_EQ(scrolled.Span().firstFrame, anew.Span().firstFrame);
  }
}

TEST(SpectrumCanvasTest, ArrivalsRedrawOnlyTheColumnsThatWaited) {
  TCanvasDocument document;
  TSpectrumCanvas canvas;
  // Wider pixels than a hop: every pixel a column of its own.
  canvas.Show(0, 100, 200, 61, 61, 1);
  std::vector<TSpectrumKey> missing;
  EXPECT_EQ(canvas.Paint(*document.cache, document.settings, document.painters, missing), 200);
  // Half the columns arrive.
  missing.resize(missing.size() / 2);
  document.cache->Request(missing, 0);
  document.cache->WaitUntilIdle();
  missing.clear();
  EXPECT_EQ(canvas.Paint(*document.cache, document.settings, document.painters, missing), 100);
  EXPECT_EQ(canvas.DrawnColumns(), 200);
  EXPECT_EQ(canvas.Paint(*document.cache, document.settings, document.painters, missing), 100);
  EXPECT_EQ(canvas.DrawnColumns(), 100);
}

}  // namespace
}  // namespace quillon
