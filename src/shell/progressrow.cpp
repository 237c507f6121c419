#include "shell/progressrow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <algorithm>

namespace quillon {

namespace {

// The bar's place over the panel's top edge, right of its tab, and the gap between the parts.
constexpr int kBarLeft = 64;
constexpr int kBarTop = 4;
constexpr int kBarHeight = 12;
constexpr int kGap = 6;

// Places widget at its own size's width, ending at right and centred on the bar; the new right
// end of what is left.
int PlaceBeforeRight(QWidget& widget, int right) {
  if (widget.isHidden()) return right;
  const QSize size = widget.sizeHint();
  const int left = std::max(kBarLeft, right - size.width());
  widget.setGeometry(left, std::max(0, kBarTop + (kBarHeight - size.height()) / 2), right - left,
                     size.height());
  return left - kGap;
}

}  // namespace

void PlaceProgressRow(const QWidget& panel, QProgressBar& bar, QLabel& waiting,
                      QPushButton& cancel) {
  int right = PlaceBeforeRight(cancel, panel.width() - kGap);
  right = PlaceBeforeRight(waiting, right);
  bar.setGeometry(kBarLeft, kBarTop, std::max(0, right - kBarLeft), kBarHeight);
  cancel.raise();
  waiting.raise();
}

}  // namespace quillon
