// The waveform view's markers and regions: markers as lines with their names, regions as shaded
// bands. They are drawn over a copy of the frame without them, so that a change of one marker
// draws again only the band it covers, and a marker's label can be dragged with the mouse.
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "platform/mainthread.h"

namespace quillon {

namespace {

const QColor kMarkerColor(255, 150, 40);
const QColor kMarkerTextColor(0, 0, 0);
const QColor kRegionFill(90, 170, 255, 56);
const QColor kRegionEdge(90, 170, 255);
const QColor kRegionTextColor(200, 230, 255);
// Names are cut to this width, which bounds how far a mark left of the view can reach into it.
constexpr int kMaxLabelWidth = 150;
// A band beyond the mark's line: the line's neighbours and a pixel for a fractional scale.
constexpr int kLineSlack = 2;
// Drawing more than this share of the area again costs more than drawing the frame whole.
constexpr double kWholeFrameShare = 0.5;

QFont MarkFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(7);
  return font;
}

auto Key(const TMarkItem& item) {
  return std::tie(item.start, item.end, item.region, item.name);
}

bool ItemBefore(const TMarkItem& a, const TMarkItem& b) {
  return Key(a) < Key(b);
}

// Copies the columns of band from one frame of device pixels into another of the same size.
void CopyBand(QImage& to, const QImage& from, const QRect& band) {
  const qreal ratio = to.devicePixelRatio();
  const int left = std::clamp(static_cast<int>(std::floor(band.left() * ratio)), 0, to.width());
  const int right =
      std::clamp(static_cast<int>(std::ceil((band.right() + 1) * ratio)), left, to.width());
  const int rows = std::min(to.height(), from.height());
  for (int y = 0; y < rows; ++y)
    std::memcpy(reinterpret_cast<QRgb*>(to.scanLine(y)) + left,
                reinterpret_cast<const QRgb*>(from.constScanLine(y)) + left,
                static_cast<size_t>(right - left) * sizeof(QRgb));
}

}  // namespace

TSharedMarkers TWaveView::ShownMarks() const {
  if (dragPreview_) return dragPreview_;
  return DocumentLoaded() ? document_->MarkersShared() : NoMarkers();
}

int64_t TWaveView::MarkX(int64_t frame) const {
  if (viewLength_ == 0) return 0;
  return std::llround((static_cast<double>(frame) - viewStart_) * (w_ - RightMargin) / viewLength_);
}

std::vector<TMarkItem> TWaveView::VisibleItems(const TMarkerList& list) const {
  std::vector<TMarkItem> items;
  if (viewLength_ == 0 || w_ <= RightMargin) return items;
  // A label reaches right of its line: marks a label's width left of the view still show.
  const double framesPerPixel = static_cast<double>(viewLength_) / (w_ - RightMargin);
  const int64_t from = static_cast<int64_t>(viewStart_) -
                       static_cast<int64_t>(std::ceil((kMaxLabelWidth + 8) * framesPerPixel));
  const int64_t to = int64_t{viewStop_} + 1;
  auto first = std::lower_bound(list.markers.begin(), list.markers.end(), from,
                                [](const TMarker& m, int64_t f) { return m.frame < f; });
  for (auto it = first; it != list.markers.end() && it->frame <= to; ++it)
    items.push_back(ItemOf(*it));
  for (const TRegion& region : list.regions) {
    if (region.start > to) break;
    if (region.end >= from) items.push_back(ItemOf(region));
  }
  std::sort(items.begin(), items.end(), ItemBefore);
  return items;
}

QRect TWaveView::ItemBand(const TMarkItem& item) const {
  const QFontMetrics metrics(MarkFont());
  const int64_t x1 = MarkX(item.start);
  const int64_t x2 = item.region ? MarkX(item.end) : x1;
  const int label =
      std::min(metrics.horizontalAdvance(QString::fromStdString(item.name)), kMaxLabelWidth) + 6;
  const int64_t left = std::clamp<int64_t>(x1 - kLineSlack - 1, -1, w_);
  const int64_t right = std::clamp<int64_t>(std::max(x2, x1 + label) + kLineSlack + 1, -1, w_);
  return QRect(static_cast<int>(left), 0, static_cast<int>(right - left + 1), h_);
}

void TWaveView::DrawMarks(QImage& image, const QRect& clip) {
  if (!DocumentLoaded() || viewLength_ == 0) return;
  const TSharedMarkers marks = ShownMarks();
  std::vector<TMarkItem> items = VisibleItems(*marks);
  // Only what can reach into clip: a band drawn again draws its neighbours' edges alone.
  std::erase_if(items, [&](const TMarkItem& item) {
    const int64_t x1 = MarkX(item.start);
    const int64_t x2 = std::max(item.region ? MarkX(item.end) : x1, x1 + kMaxLabelWidth + 8);
    return x2 + kLineSlack < clip.left() || x1 - kLineSlack > clip.right();
  });
  if (items.empty()) return;
  const int32_t area = w_ - RightMargin;
  const QRect wave = QRect(0, TopMargin + 1, area, h_ - TopMargin - 1).intersected(clip);
  if (wave.isEmpty()) return;
  QPainter painter(&image);
  painter.setClipRect(wave);
  const QFont font = MarkFont();
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const int textHeight = metrics.height();
  auto label = [&](const TMarkItem& item, int64_t x, int64_t y, const QColor& fill,
                   const QColor& text) {
    const QString name =
        metrics.elidedText(QString::fromStdString(item.name), Qt::ElideRight, kMaxLabelWidth);
    if (name.isEmpty()) return;
    const QRect box(static_cast<int>(x), static_cast<int>(y), metrics.horizontalAdvance(name) + 4,
                    textHeight);
    if (fill.isValid()) painter.fillRect(box, fill);
    painter.setPen(text);
    painter.drawText(box.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
  };
  // Regions first, so that the markers' lines and names stay on top.
  for (const TMarkItem& item : items) {
    if (!item.region) continue;
    const int64_t x1 = std::max<int64_t>(MarkX(item.start), -1);
    const int64_t x2 = std::min<int64_t>(MarkX(item.end), area + 1);
    if (x2 < 0 || x1 > area) continue;
    painter.fillRect(QRect(static_cast<int>(x1), TopMargin + 1,
                           static_cast<int>(std::max<int64_t>(x2 - x1, 1)), h_ - TopMargin - 1),
                     kRegionFill);
    painter.setPen(kRegionEdge);
    painter.drawLine(static_cast<int>(x1), TopMargin + 1, static_cast<int>(x1), h_);
    painter.drawLine(static_cast<int>(x2), TopMargin + 1, static_cast<int>(x2), h_);
    label(item, x1 + 1, h_ - textHeight - 2, QColor(), kRegionTextColor);
  }
  for (const TMarkItem& item : items) {
    if (item.region) continue;
    const int64_t x = MarkX(item.start);
    if (x < -kMaxLabelWidth - 8 || x > area) continue;
    painter.setPen(QPen(kMarkerColor, 1));
    painter.drawLine(static_cast<int>(x), TopMargin + 1, static_cast<int>(x), h_);
    label(item, x + 1, TopMargin + 2, kMarkerColor, kMarkerTextColor);
  }
}

void TWaveView::MarksChanged() {
  QUILLON_MAIN_THREAD_ONLY();
  ShowMarks(ShownMarks());
}

void TWaveView::ShowMarks(TSharedMarkers shown) {
  lastMarkBands_ = QRegion();
  if (shown == drawnMarks_) return;
  const bool current = !stale_ && !presentedOnly_ && DocumentLoaded() && !baseFrame_.isNull() &&
                       baseFrame_.size() == cleanFrame_.size() &&
                       frame_.size() == cleanFrame_.size() && w_ == width() && h_ == height();
  if (!current) {
    Repaint();
    return;
  }
  // What differs between the marks drawn and those to show, in view.
  const std::vector<TMarkItem> before = VisibleItems(*drawnMarks_);
  const std::vector<TMarkItem> after = VisibleItems(*shown);
  std::vector<TMarkItem> changed;
  std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                std::back_inserter(changed), ItemBefore);
  drawnMarks_ = std::move(shown);
  QRegion bands;
  for (const TMarkItem& item : changed) bands += ItemBand(item);
  bands &= QRect(0, 0, w_ - RightMargin, h_);
  int64_t width = 0;
  for (const QRect& band : bands) width += band.width();
  if (width > kWholeFrameShare * (w_ - RightMargin)) {
    Repaint();
    return;
  }
  RedrawMarkBands(bands);
}

void TWaveView::RedrawMarkBands(const QRegion& bands) {
  lastMarkBands_ = bands;
  if (bands.isEmpty()) return;
  const auto selection = SelectionSpan();
  for (const QRect& band : bands) {
    CopyBand(cleanFrame_, baseFrame_, band);
    DrawMarks(cleanFrame_, band);
    if (selection) {
      const int64_t x1 = std::max<int64_t>(selection->first, band.left());
      const int64_t x2 = std::min<int64_t>(selection->second, band.right() + 1);
      if (x1 < x2) InvertColumnsOf(cleanFrame_, x1, x2);
    }
    CopyBand(frame_, cleanFrame_, band);
  }
  // The cursor goes back over what was drawn again.
  if (cursorDrawn_ && bands.intersects(CursorBand(drawnCursorX_))) DrawCursor();
  Present(bands);
}

void TWaveView::ShowCursorPos(uint32_t position) {
  QUILLON_MAIN_THREAD_ONLY();
  position = std::min(position, FrameCount());
  if (viewLength_ == 0 || (viewStart_ <= position && position < viewStop_)) {
    SetCursorPos(position);
    return;
  }
  cursorPos_ = position;
  cursorMs_ = SamplesToMs(position);
  CentreOnCursor();
  UpdateScrollBar();
  Repaint();
  RaiseCursor();
}

// Dragging a marker by its name

bool TWaveView::PressMark(const QMouseEvent* event) {
  if (!DocumentLoaded() || event->modifiers() != Qt::NoModifier) return false;
  const QPoint at = event->position().toPoint();
  const QFontMetrics metrics(MarkFont());
  const int top = TopMargin + 2;
  if (at.y() < top || at.y() >= top + metrics.height() || at.x() >= AreaWidth()) return false;
  const std::vector<TMarkItem> items = VisibleItems(*ShownMarks());
  // The topmost label under the mouse: the last one drawn.
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (it->region) continue;
    const int64_t x = MarkX(it->start);
    const int width =
        std::min(metrics.horizontalAdvance(QString::fromStdString(it->name)), kMaxLabelWidth) + 4;
    if (at.x() >= x - kLineSlack && at.x() <= x + std::max(width, kLineSlack + 1)) {
      markDrag_ = *it;
      dragFrame_ = it->start;
      return true;
    }
  }
  return false;
}

void TWaveView::DragMark(const QMouseEvent* event) {
  const int64_t frame = FrameAt(std::clamp(AreaX(event), 0, AreaWidth()));
  if (frame == dragFrame_) return;
  dragFrame_ = frame;
  TMarkerList preview = DocumentLoaded() ? document_->Markers() : TMarkerList();
  if (!MoveItem(preview, *markDrag_, frame)) return;
  dragPreview_ = std::make_shared<const TMarkerList>(std::move(preview));
  ShowMarks(dragPreview_);
}

void TWaveView::DropMark(const QMouseEvent*) {
  const TMarkItem item = *markDrag_;
  markDrag_.reset();
  dragPreview_.reset();
  if (dragFrame_ != item.start && OnMarkerDragged) OnMarkerDragged(item, dragFrame_);
  // A move that waits its turn, or was refused, shows the marker where it still is.
  MarksChanged();
}

}  // namespace quillon
