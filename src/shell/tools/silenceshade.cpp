#include "shell/tools/silenceshade.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

#include "display/waveview.h"

namespace quillon {

namespace {

// A blue that reads over every wave colour the settings offer, dark or light.
const QColor kShade(40, 120, 255, 90);
const QColor kEdge(90, 160, 255, 200);

}  // namespace

TSilenceShade::TSilenceShade(TWaveView& view) : QWidget(&view), view_(&view) {
  setObjectName("SilenceShade");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setGeometry(view.rect());
  view.installEventFilter(this);
  show();
}

void TSilenceShade::SetSpans(std::vector<TFrameSpan> spans, const QString& count) {
  spans_ = std::move(spans);
  count_ = count;
  update();
}

double TSilenceShade::ColumnOf(uint64_t frame) const {
  const uint32_t length = view_ ? view_->ViewLength() : 0;
  if (length == 0) return 0;
  const int area = std::max(0, width() - RightMargin);
  return (static_cast<double>(frame) - view_->ViewStart()) * area / length;
}

bool TSilenceShade::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::Resize) setGeometry(view_->rect());
  return false;
}

void TSilenceShade::paintEvent(QPaintEvent*) {
  if (!view_ || view_->ViewLength() == 0) return;
  QPainter painter(this);
  const int area = std::max(0, width() - RightMargin);
  const int top = TopMargin;
  // Only the spans in sight: a binary search for the first that ends after the view's start.
  const uint64_t first = view_->ViewStart();
  const uint64_t last = static_cast<uint64_t>(view_->ViewStart()) + view_->ViewLength();
  auto it = std::lower_bound(spans_.begin(), spans_.end(), first,
                             [](const TFrameSpan& span, uint64_t at) { return span.stop <= at; });
  painter.setPen(kEdge);
  for (; it != spans_.end() && it->start < last; ++it) {
    const double x1 = std::max(0.0, ColumnOf(it->start));
    const double x2 = std::min<double>(area, ColumnOf(it->stop));
    const QRectF band(x1, top, std::max(1.0, x2 - x1), height() - top);
    painter.fillRect(band, kShade);
    painter.drawLine(band.topLeft(), band.bottomLeft());
    painter.drawLine(band.topRight(), band.bottomRight());
  }
  if (!count_.isEmpty()) {
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const QRect box = painter.fontMetrics().boundingRect(count_).adjusted(-6, -3, 6, 3);
    const QRect placed(QPoint(6, top + 6), box.size());
    painter.fillRect(placed, QColor(0, 0, 0, 170));
    painter.setPen(Qt::white);
    painter.drawText(placed, Qt::AlignCenter, count_);
  }
}

}  // namespace quillon
