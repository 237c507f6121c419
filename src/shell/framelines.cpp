#include "shell/framelines.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "mp3frames/framegrid.h"

namespace quillon {

namespace {

// Narrower frames would turn the lines into a grey band.
constexpr double kMinFramePixels = 6;
// Faint enough not to be taken for the cursor or a marker.
const QColor kLine(255, 200, 60, 110);

}  // namespace

TFrameLines::TFrameLines(TWaveView& view) : QWidget(&view), view_(&view) {
  setObjectName("FrameLines");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setGeometry(view.rect());
  view.installEventFilter(this);
  show();
}

bool TFrameLines::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::Resize) setGeometry(view_->rect());
  return false;
}

void TFrameLines::paintEvent(QPaintEvent*) {
  drawn_ = 0;
  if (!view_ || view_->ViewLength() == 0 || !view_->Document() || !view_->Document()->Loaded())
    return;
  const TSharedSourceMap& map = view_->Document()->SourceMap();
  const std::optional<TFrameGrid> grid = map ? GridOf(*map) : std::nullopt;
  const int area = std::max(0, width() - RightMargin);
  if (!grid || area == 0) return;
  const double pixelsPerFrame =
      static_cast<double>(grid->samplesPerFrame) * area / view_->ViewLength();
  if (pixelsPerFrame < kMinFramePixels) return;
  const uint64_t start = view_->ViewStart();
  const std::vector<uint64_t> boundaries = FrameBoundaries(
      map->spans, *grid, start, start + view_->ViewLength() + 1, static_cast<size_t>(area));
  QPainter painter(this);
  painter.setPen(kLine);
  for (const uint64_t boundary : boundaries) {
    const double x = static_cast<double>(boundary - start) * area / view_->ViewLength();
    painter.drawLine(QPointF(x, TopMargin), QPointF(x, height()));
  }
  drawn_ = boundaries.size();
}

}  // namespace quillon
