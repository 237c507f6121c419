#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace quillon {

// Plots one lane's waveform columns straight into an image's rows: column x is the polyline from
// (x, previous) to (x + 1, first) to (x + 1, second), with exactly the pixels that QPainter's
// one-pixel aliased pen gives that polyline, at a fraction of its cost. The runs are collected
// first and written row by row, as the image lies in memory.
class TWavePlotter {
 public:
  // Starts a lane of columns 0 to columns - 1 (whose polylines reach column columns).
  void Reset(int columns);
  void Column(int x, int previous, int first, int second);
  // Writes the lane into image, cut at its edges. The image must not be shared.
  void Draw(QImage& image, QRgb colour);

 private:
  // Rows y1 to y2 (inclusive, y1 <= y2) of column x.
  void Run(int x, int y1, int y2);

  // The rows each column covers: one run, as a column's step and the vertical segment of the
  // column before it always touch when previous is the second row of the column before.
  std::vector<int32_t> top_;
  std::vector<int32_t> bottom_;
  // Runs that touch nothing else in their column (only where previous was not that row).
  struct TRun {
    int x, y1, y2;
  };
  std::vector<TRun> apart_;
};

}  // namespace quillon
