#include "display/waveplot.h"

#include <algorithm>
#include <climits>

#include "platform/vectorclones.h"

namespace quillon {

namespace {

// Columns written together: a tile's rows run from its highest to its lowest run.
constexpr int kTileColumns = 64;

// Rows y1 to y2 of count columns from x0, where a column's run covers them.
QUILLON_VECTOR_CLONES void FillTile(uchar* bits, qsizetype bytesPerLine, const int32_t* top,
                                    const int32_t* bottom, int x0, int count, int y1, int y2,
                                    QRgb colour) {
  for (int y = y1; y <= y2; ++y) {
    QRgb* __restrict row = reinterpret_cast<QRgb*>(bits + y * bytesPerLine) + x0;
    for (int i = 0; i < count; ++i) row[i] = (top[i] <= y && y <= bottom[i]) ? colour : row[i];
  }
}

}  // namespace

void TWavePlotter::Reset(int columns) {
  top_.assign(static_cast<size_t>(std::max(columns, 0)) + 1, INT_MAX);
  bottom_.assign(top_.size(), INT_MIN);
  apart_.clear();
}

void TWavePlotter::Run(int x, int y1, int y2) {
  if (x < 0 || static_cast<size_t>(x) >= top_.size()) return;
  int32_t& top = top_[x];
  int32_t& bottom = bottom_[x];
  if (top <= bottom && (y1 > bottom + 1 || y2 < top - 1)) {
    apart_.push_back({x, y1, y2});
    return;
  }
  top = std::min(top, y1);
  bottom = std::max(bottom, y2);
}

// The rules are those of Qt's cosmetic stroker for a one-pixel step sideways and a vertical
// segment after it: the step fills its rows in the left column but for its end row, which it
// leaves to the right column only when it rises; the vertical segment covers its rows, except
// where a short segment back up meets the step's end (the stroker's last-pixel rule) and where a
// steep descent (more than four rows) leaves its end one row lower.
void TWavePlotter::Column(int x, int previous, int first, int second) {
  const int d = first - previous, e = second - first;
  if (d <= -1)
    Run(x, first + 1, previous);
  else if (d <= 1)
    Run(x, previous, previous);
  else
    Run(x, previous, first - 1);
  if (e >= 1) {
    Run(x + 1, first, second);
  } else if (e == 0) {
    if (d <= -2) Run(x + 1, first, first);
  } else if (!(e == -1 && d == 0)) {
    const int low = second + ((e == -2 && d >= 1) || (e == -1 && d <= -2) ? 1 : 0);
    const int high = first + (d == 1 ? -1 : (d >= 5 ? 1 : 0));
    Run(x + 1, low, high);
  }
}

void TWavePlotter::Draw(QImage& image, QRgb colour) {
  colour |= 0xFF000000u;
  uchar* bits = image.bits();
  const qsizetype bytesPerLine = image.bytesPerLine();
  const int columns = std::min(static_cast<int>(top_.size()), image.width());
  // A column without a run stays out of its tile's rows.
  for (int x0 = 0; x0 < columns; x0 += kTileColumns) {
    const int count = std::min(kTileColumns, columns - x0);
    const int y1 = std::max(*std::min_element(&top_[x0], &top_[x0] + count), 0);
    const int y2 =
        std::min(*std::max_element(&bottom_[x0], &bottom_[x0] + count), image.height() - 1);
    FillTile(bits, bytesPerLine, &top_[x0], &bottom_[x0], x0, count, y1, y2, colour);
  }
  for (const TRun& run : apart_) {
    if (run.x >= image.width()) continue;
    for (int y = std::max(run.y1, 0); y <= std::min(run.y2, image.height() - 1); ++y)
      reinterpret_cast<QRgb*>(bits + y * bytesPerLine)[run.x] = colour;
  }
}

}  // namespace quillon
