#include "display/waveview.h"

#include <QFont>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPen>
#include <QPolygon>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "codecs/cache.h"
#include "display/screenimage.h"
#include "display/waveplot.h"
#include "document/storewindow.h"
#include "document/wavfile.h"
#include "platform/config.h"
#include "platform/mainthread.h"
#include "playback/playunit.h"

namespace quillon {

uint32_t ViewBackColor = kDefaultBackColor;
uint32_t ViewScaleColor = kDefaultScaleColor;
uint32_t ViewWaveColor = kDefaultWaveColor;
int32_t TopMargin = 20;
int32_t RightMargin = 30;

namespace {

const QColor kBandLineColor(150, 150, 150);
const QColor kFullScaleColor(111, 135, 159);
const QColor kLaneCentreColor(140, 23, 23);
const QColor kSeparatorColor(255, 255, 255);
const QColor kCursorColor(255, 255, 0);

QColor FromBgr(uint32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// Nearest integer, halves to even (the default floating-point rounding mode).
int64_t Round(double value) {
  return static_cast<int64_t>(std::nearbyint(value));
}

// Scales a size designed at 96 dots per inch, rounding the quotient to nearest.
int32_t ScaleTo(int32_t pixels, int32_t dpi) {
  return (pixels * dpi + 48) / 96;
}

// Axis-aligned line without its end point, which is how every coordinate here is meant: a line
// to the edge of an area stops short of the border beyond it.
void Line(QPainter& painter, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  if (x1 == x2 && y1 == y2) return;
  if (x1 == x2) y2 += (y2 > y1) ? -1 : 1;
  if (y1 == y2) x2 += (x2 > x1) ? -1 : 1;
  painter.drawLine(QPoint(static_cast<int>(x1), static_cast<int>(y1)),
                   QPoint(static_cast<int>(x2), static_cast<int>(y2)));
}

// Ticks far outside the control are skipped so that huge steps never overflow Qt's ints.
bool Drawable(int64_t x, int32_t width) {
  return x > -100000 && x < width + 100000;
}

void Label(QPainter& painter, int64_t x, int64_t y, const QString& text) {
  if (!Drawable(x, 1 << 20)) return;
  painter.save();
  painter.setPen(Qt::black);
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(FromBgr(ViewScaleColor));
  painter.drawText(
      QPoint(static_cast<int>(x), static_cast<int>(y) + painter.fontMetrics().ascent()), text);
  painter.restore();
}

// A time scale label hangs left of its tick; at the left edge it starts at the edge instead, and
// a tick left of the view has none, so that no label is cut off.
void TickLabel(QPainter& painter, int64_t x, const QString& text) {
  if (x < 0) return;
  Label(painter, std::max<int64_t>(x - 10, 0), 6, text);
}

QString MsLabel(int64_t t) {
  return QStringLiteral("%1:%2.%3")
      .arg(t / 60000)
      .arg((t % 60000) / 1000, 2, 10, QLatin1Char('0'))
      .arg((t % 1000) / 10, 2, 10, QLatin1Char('0'));
}

}  // namespace

TWaveView::TWaveView(QWidget* parent) : QWidget(parent) {
  TopMargin = ScaleTo(20, logicalDpiY());
  RightMargin = ScaleTo(30, logicalDpiX());
  // Paint covers every pixel from the frame, so Qt must not erase underneath it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  resize(698, 250);
  frame_ = QImage(698, 250, QImage::Format_RGB32);
  frame_.fill(Qt::black);
  // One black picture until the first drawing: the first change to either copies it.
  cleanFrame_ = frame_;
  w_ = width();
  h_ = height();
}

void TWaveView::SetView(uint32_t start, uint32_t length) {
  viewStart_ = start;
  viewLength_ = length;
  viewStop_ = start + length;
  Repaint();
}

void TWaveView::SetShowMs(bool showMs) {
  showMs_ = showMs;
  Repaint();
}

bool TWaveView::DocumentLoaded() const {
  return document_ && document_->Loaded() && document_->Samples() != nullptr;
}

void TWaveView::Present() {
  ++presentations_;
  update();
}

void TWaveView::Present(const QRegion& changed) {
  ++presentations_;
  update(changed);
}

void TWaveView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), frame_);
}

void TWaveView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Repaint();
}

void TWaveView::ClampView() {
  uint32_t length = document_ ? document_->FrameCount() : 0;
  if (length == 0) {
    // An empty document shows a scale that ends at 0.
    viewStart_ = viewStop_ = viewLength_ = 0;
    return;
  }
  if (length <= viewStart_) {
    viewStart_ = 0;
    viewLength_ = viewStop_ + 1;
  }
  if (length < viewStop_) {
    viewStop_ = length - 1;
    viewLength_ = viewStop_ - viewStart_ + 1;
  }
  if (viewLength_ == 0 && length > 0) {
    viewStart_ = 0;
    viewStop_ = length - 1;
    viewLength_ = length;
  }
}

void TWaveView::SetDrawWhenShown(bool whenShown) {
  drawWhenShown_ = whenShown;
  if (stale_ && (!whenShown || isVisible())) Repaint();
}

void TWaveView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (stale_) Repaint();
}

void TWaveView::Repaint() {
  QUILLON_MAIN_THREAD_ONLY();
  ClampView();
  w_ = width();
  h_ = height();
  // A window that is not on the screen yet is laid out and resized several times before it
  // shows; each frame drawn meanwhile would be thrown away.
  stale_ = drawWhenShown_ && !isVisible();
  if (stale_) return;
  DrawFrame();
}

void TWaveView::DrawFrame() {
  QSize size(std::max(w_, 1), std::max(h_, 1));
  // The frame is drawn anew: the clean frame lets go of the pixels it shares with it, so that
  // painting does not copy them first. It becomes the new frame's copy below.
  cleanFrame_ = QImage();
  baseFrame_ = QImage();
  ++fullDraws_;
  FitScreenImage(frame_, size, devicePixelRatioF());
  const int32_t t = TopMargin;
  const int32_t r = RightMargin;
  const int32_t area = w_ - r;
  {
    QPainter painter(&frame_);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(7);
    painter.setFont(font);
    // The time band, the amplitude band and the wave area share the frame, so each pixel is
    // filled once; a frame too small for them, or on a screen scaled by a fraction (where their
    // edges fall between pixels), is filled whole first.
    const qreal ratio = frame_.devicePixelRatio();
    const bool parts = area > 0 && h_ > t && ratio == std::floor(ratio);
    painter.fillRect(parts ? QRect(0, 0, w_, t) : QRect(0, 0, w_, h_), FromBgr(ViewScaleColor));
    painter.fillRect(QRect(area, t, r, h_ - t), FromBgr(ViewScaleColor));
    painter.fillRect(QRect(0, t, area, h_ - t), FromBgr(ViewBackColor));
    painter.setPen(QPen(kBandLineColor, 1, Qt::SolidLine));
    Line(painter, 0, t, w_, t);
    Line(painter, area, t, area, h_);
    bool loaded = DocumentLoaded();
    if (loaded) {
      DrawAmplitudeScale(painter, document_->Channels());
    } else {
      DrawAmplitudeScale(painter, 2);
      painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
      for (int k = 0; k <= 10; ++k) Line(painter, k * (area / 10), t, k * (area / 10), h_);
    }
    if (loaded) {
      if (showMs_) {
        DrawMsScale(painter);
      } else {
        DrawFrameScale(painter);
      }
    }
  }
  // Straight into the frame's pixels, once the painter is done with it.
  if (DocumentLoaded()) DrawWave();
  baseFrame_ = frame_;
  drawnMarks_ = ShownMarks();
  DrawMarks(frame_, QRect(0, 0, w_, h_));
  if (selected_ && DocumentLoaded()) DrawSelection();
  cleanFrame_ = frame_;
  presentedOnly_ = false;
  DrawCursor();
  Present();
}

void TWaveView::DrawAmplitudeScale(QPainter& painter, int channels) {
  const int32_t t = TopMargin;
  const int32_t area = w_ - RightMargin;
  const int n = std::clamp(channels, 1, static_cast<int>(laneCentre_.size()));
  const double a = 32768.0 / h_ * 3 * n;
  const int64_t b = Round(32768.0 / a);
  const double slice = static_cast<double>(h_ - t) / (2 * n);
  for (int i = 0; i < n; ++i) {
    const int64_t centre = Round(slice * (2 * i + 1)) + t;
    laneCentre_[i] = static_cast<int32_t>(centre);
    painter.setPen(QPen(kFullScaleColor, 1));
    for (int64_t y : {centre + b, centre - b}) {
      Line(painter, 0, y, area, y);
      Label(painter, area + 3, y - 4, QStringLiteral("0db"));
    }
    if (n > 1 && i < n - 1) {
      const int64_t border = Round(slice * (2 * i + 2)) + t;
      painter.setPen(QPen(kSeparatorColor, 1));
      Line(painter, 0, border, area, border);
    }
    painter.setPen(QPen(kLaneCentreColor, 1));
    Line(painter, 0, centre, area, centre);
    Label(painter, area + 3, centre - 4, QStringLiteral("-90db"));
  }
  painter.setPen(QPen(FromBgr(ViewWaveColor), 1));
}

void TWaveView::DrawMajorTick(QPainter& painter, int64_t x, int64_t pixelStep, const QString& label,
                              bool gridBeforeLabel) {
  painter.setPen(QPen(Qt::black, 1));
  for (int j = 1; j <= 9; ++j) {
    int64_t minor = Round(static_cast<double>(x) + j * static_cast<double>(pixelStep) / 10);
    if (Drawable(minor, w_)) Line(painter, minor, 0, minor, 2);
  }
  if (!Drawable(x, w_)) return;
  Line(painter, x, 0, x, 6);
  QPen grid(Qt::black, 1, Qt::DotLine);
  if (gridBeforeLabel) {
    painter.setPen(grid);
    Line(painter, x, TopMargin, x, h_);
    TickLabel(painter, x, label);
  } else {
    TickLabel(painter, x, label);
    painter.setPen(grid);
    Line(painter, x, TopMargin, x, h_);
  }
}

void TWaveView::DrawMsScale(QPainter& painter) {
  const uint32_t rate = document_->SampleRate();
  const int32_t area = w_ - RightMargin;
  if (rate == 0 || area <= 0) return;
  const double startMs = static_cast<double>(viewStart_) / rate * 1000;
  const double stopMs = static_cast<double>(viewStop_) / rate * 1000;
  const double span = stopMs - startMs;
  const int64_t step0 = std::max<int64_t>(static_cast<int64_t>(std::trunc(span / 6)), 10);
  const int64_t unit = step0 > 300000 ? 300 : (step0 > 60000 ? 60 : 5);
  int64_t m = 1;
  while (step0 / (unit * m) > 0) m *= 10;
  if (m >= 10) m /= 10;
  int64_t step = step0 - step0 % (unit * m);
  if (step == 0) step = step0;
  double msPerPixel = span / area;
  if (msPerPixel == 0) msPerPixel = 1e-10;
  // A step narrower than one pixel would never leave the area; one pixel keeps the loop finite.
  const int64_t pixelStep =
      std::max<int64_t>(static_cast<int64_t>(std::trunc(step / msPerPixel)), 1);
  int64_t tick = static_cast<int64_t>(std::trunc(startMs / step)) * step;
  int64_t x = static_cast<int64_t>(std::trunc((tick - startMs) / msPerPixel));
  int64_t count = 0;
  for (int64_t v = x; v < area;) {
    v += pixelStep;
    if (v < area) ++count;
  }
  for (int64_t i = 0; i <= count; ++i) {
    DrawMajorTick(painter, x, pixelStep, MsLabel(tick), true);
    x += pixelStep;
    tick += step;
  }
}

void TWaveView::DrawFrameScale(QPainter& painter) {
  const int32_t area = w_ - RightMargin;
  if (area <= 0) return;
  viewLength_ = viewStop_ - viewStart_;
  const int64_t step0 = viewLength_ / 5;
  const int64_t unit = viewLength_ > 10000 ? 5000 : 500;
  int64_t step = (step0 / unit) * unit;
  if (step == 0) step = step0;
  if (step == 0) step = 1;
  const int64_t count = viewLength_ / step;
  double fpp = static_cast<double>(viewLength_) / area;
  if (fpp == 0) fpp = 1;
  const int64_t pixelStep = std::max<int64_t>(static_cast<int64_t>(std::trunc(step / fpp)), 1);
  int64_t tick = (viewStart_ / step) * step;
  int64_t x = static_cast<int64_t>(std::trunc((tick - static_cast<double>(viewStart_)) / fpp));
  for (int64_t i = 0; i <= count; ++i) {
    DrawMajorTick(painter, x, pixelStep, QString::number(tick), false);
    x += pixelStep;
    tick += step;
  }
}

namespace {

// Samples first to first + count - 1 of store: in place in its mapped window, or read into buffer
// when no window can hold them. The drawing's one way to the samples.
const int16_t* SampleSpan(TStoreWindow& store, uint32_t first, uint32_t count,
                          std::vector<int16_t>& buffer) QUILLON_REQUIRES(mainThreadRole) {
  const std::span<const int16_t> mapped = store.Span(first, count);
  if (mapped.size() == count) return mapped.data();
  buffer.assign(count, 0);
  store.ReadSamples(buffer.data(), first, first + count - 1);
  return buffer.data();
}

}  // namespace

TWaveView::TWaveLanes TWaveView::WaveLanes() const {
  // The wave is drawn in the frame's own (device) pixels, a column per pixel.
  const qreal ratio = frame_.devicePixelRatio();
  TWaveLanes lanes;
  lanes.stride = document_->Channels();
  lanes.count = std::clamp(static_cast<int>(lanes.stride), 1, static_cast<int>(laneCentre_.size()));
  lanes.columns = static_cast<int>(std::lround((w_ - RightMargin) * ratio));
  lanes.framesPerColumn = static_cast<double>(viewLength_) / lanes.columns;
  lanes.valuePerRow = 32768.0 / std::lround(h_ * ratio) * 3 * lanes.count;
  for (int k = 0; k < lanes.count; ++k)
    lanes.centre[k] = static_cast<int>(std::lround(laneCentre_[k] * ratio));
  lanes.ratio = ratio;
  return lanes;
}

int TWaveView::TWaveLanes::Row(int lane, double value) const {
  return static_cast<int>(centre[lane] - Round(value / valuePerRow));
}

void TWaveView::DrawWave() {
  const int32_t area = w_ - RightMargin;
  if (viewLength_ == 0 || area <= 0) return;
  framesPerPixel_ = static_cast<double>(viewLength_) / area;
  const TWaveLanes lanes = WaveLanes();
  if (lanes.stride == 0 || lanes.stride > laneCentre_.size() || lanes.columns <= 0) return;
  TStoreWindow* samples = document_->Samples();
  const uint32_t frameCount = document_->FrameCount();
  if (lanes.framesPerColumn >= kIndexBlockFrames) {
    IndexColumns(document_->Index(), document_->CoarseIndex(), lanes.stride, viewStart_,
                 lanes.framesPerColumn, lanes.columns, columnPeaks_);
  } else if (lanes.framesPerColumn >= 1) {
    if (frameCount == 0 || samples == nullptr) return;
    const uint64_t first = ColumnFrames(0, lanes.framesPerColumn, viewStart_, frameCount).first;
    const uint64_t last =
        ColumnFrames(lanes.columns - 1, lanes.framesPerColumn, viewStart_, frameCount).last;
    const int16_t* span =
        SampleSpan(*samples, static_cast<uint32_t>(first * lanes.stride),
                   static_cast<uint32_t>((last - first + 1) * lanes.stride), sampleBuffer_);
    SampleColumns(span, lanes.stride, viewStart_, lanes.framesPerColumn, frameCount, lanes.columns,
                  columnPeaks_);
  } else {
    if (samples != nullptr && frameCount > 0) DrawFrames(lanes);
    return;
  }
  PlotColumns(lanes);
}

void TWaveView::PlotColumns(const TWaveLanes& lanes) {
  for (int k = 0; k < lanes.count; ++k) {
    plotter_.Reset(lanes.columns);
    int previous = lanes.centre[k];
    for (int s = 0; s < lanes.columns; ++s) {
      const TColumnPeak& peak = columnPeaks_[static_cast<size_t>(s) * lanes.stride + k];
      const int second = lanes.Row(k, peak.second);
      plotter_.Column(s, previous, lanes.Row(k, peak.first), second);
      previous = second;
    }
    plotter_.Draw(frame_, FromBgr(ViewWaveColor).rgb());
  }
}

void TWaveView::DrawFrames(const TWaveLanes& lanes) {
  const uint32_t frameCount = document_->FrameCount();
  const uint32_t last =
      static_cast<uint32_t>(std::min<uint64_t>(uint64_t{viewStart_} + viewLength_, frameCount - 1));
  if (viewStart_ > last) return;
  const int16_t* span = SampleSpan(*document_->Samples(), viewStart_ * lanes.stride,
                                   (last - viewStart_ + 1) * lanes.stride, sampleBuffer_);
  // The frame's pixels as they are, so that a line is one device pixel wide on any screen.
  QImage device(frame_.bits(), frame_.width(), frame_.height(), frame_.bytesPerLine(),
                frame_.format());
  QPainter painter(&device);
  painter.setPen(QPen(FromBgr(ViewWaveColor), 1, Qt::SolidLine));
  painter.setBrush(FromBgr(ViewScaleColor));
  // Each frame is a visible point when zoomed in this far; a box of 5 x 5 logical pixels marks it.
  const bool markers = Round(1 / framesPerPixel_) > 6;
  const int box = static_cast<int>(std::lround(2 * lanes.ratio));
  std::array<int, 8> prevX{};
  std::array<int, 8> prevY = lanes.centre;
  for (uint32_t s = 0; s <= last - viewStart_; ++s) {
    const int x = static_cast<int>(Round(s / lanes.framesPerColumn));
    for (int k = 0; k < lanes.count; ++k) {
      const int y = lanes.Row(k, span[static_cast<size_t>(s) * lanes.stride + k]);
      painter.drawLine(QPoint(prevX[k], prevY[k]), QPoint(x, y));
      prevX[k] = x;
      prevY[k] = y;
      if (markers) painter.drawRect(QRect(x - box, y - box, 2 * box, 2 * box));
    }
  }
}

void TWaveView::DrawSelection() {
  if (const auto span = SelectionSpan()) InvertColumns(span->first, span->second);
}

std::optional<std::pair<int64_t, int64_t>> TWaveView::SelectionSpan() const {
  const int32_t area = w_ - RightMargin;
  const bool overlaps = (viewStart_ <= selStart_ && selStart_ <= viewStop_) ||
                        (viewStart_ <= selStop_ && selStop_ <= viewStop_) ||
                        (selStart_ < viewStart_ && selStop_ > viewStop_);
  if (!selected_ || !overlaps || viewLength_ == 0 || area <= 0) return std::nullopt;
  const double pixelsPerFrame = static_cast<double>(area) / viewLength_;
  int64_t x1 = selStart_ < viewStart_
                   ? 0
                   : Round((static_cast<double>(selStart_) - viewStart_) * pixelsPerFrame);
  int64_t x2 = selStop_ > viewStop_
                   ? area
                   : Round((static_cast<double>(selStop_) - viewStart_) * pixelsPerFrame);
  if (x1 > x2) std::swap(x1, x2);
  return std::make_pair(x1, x2);
}

void TWaveView::InvertColumns(int64_t x1, int64_t x2) {
  presentedOnly_ = true;
  InvertColumnsOf(frame_, x1, x2);
}

void TWaveView::InvertColumnsOf(QImage& image, int64_t x1, int64_t x2) const {
  // The frame holds device pixels.
  const qreal ratio = image.devicePixelRatio();
  x1 = std::clamp<int64_t>(std::llround(x1 * ratio), 0, image.width());
  x2 = std::clamp<int64_t>(std::llround(x2 * ratio), 0, image.width());
  const int top = static_cast<int>(std::lround(std::max(TopMargin, 0) * ratio));
  const int bottom = std::min(static_cast<int>(std::lround(h_ * ratio)), image.height());
  // The negative of everything in the area: waveform, grid and lane lines.
  for (int y = top; y < bottom; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int64_t x = x1; x < x2; ++x) line[x] ^= 0x00FFFFFF;
  }
}

void TWaveView::DrawCursor() {
  cursorDrawn_ = false;
  if (!DocumentLoaded() || viewLength_ == 0) return;
  if (!(viewStart_ < cursorPos_ && cursorPos_ < viewStop_)) return;
  const int32_t t = TopMargin;
  cursorX_ = static_cast<int32_t>(
      Round((static_cast<double>(cursorPos_) - viewStart_) * (w_ - RightMargin) / viewLength_));
  const int x = cursorX_;
  cursorDrawn_ = true;
  drawnCursorX_ = x;
  QPainter painter(&frame_);
  painter.setPen(QPen(kCursorColor, 1, Qt::DotLine));
  Line(painter, x, t, x, h_);
  painter.setPen(QPen(kCursorColor, 1, Qt::SolidLine));
  const QPoint top[4] = {{x - 2, t}, {x + 2, t}, {x, t + 2}, {x - 2, t}};
  const QPoint bottom[4] = {{x - 2, h_ - 1}, {x + 2, h_ - 1}, {x, h_ - 3}, {x - 2, h_ - 1}};
  painter.drawPolyline(top, 4);
  painter.drawPolyline(bottom, 4);
}

void TWaveView::UpdateCursor() {
  w_ = width();
  h_ = height();
  int32_t x = 0;
  if (viewLength_ != 0) {
    const uint64_t offset = static_cast<uint32_t>(cursorPos_ - viewStart_);
    const uint64_t product = offset * static_cast<uint64_t>(std::max(w_ - RightMargin, 0));
    x = static_cast<int32_t>(Round(static_cast<double>(product) / viewLength_));
  }
  cursorX_ = x;
  if (x == lastCursorX_) return;
  // A dragged selection is drawn into the presented frame alone, which then goes back whole.
  if (presentedOnly_ || frame_.size() != cleanFrame_.size()) {
    frame_ = cleanFrame_;
    DrawCursor();
    lastCursorX_ = x;
    Present();
    return;
  }
  // Otherwise only the band the cursor leaves goes back to the clean frame, and only the bands
  // it leaves and enters go to the screen: the play cursor steps twenty times a second, and a
  // copy and repaint of the whole frame at each step would take milliseconds from scrolling.
  QRegion changed;
  if (cursorDrawn_) {
    changed += CursorBand(drawnCursorX_);
    RestoreClean(CursorBand(drawnCursorX_));
  }
  DrawCursor();
  if (cursorDrawn_) changed += CursorBand(drawnCursorX_);
  lastCursorX_ = x;
  Present(changed);
}

QRect TWaveView::CursorBand(int32_t x) const {
  // The line and the marks two pixels either side, with a pixel to spare for a fractional
  // screen scale.
  return QRect(x - 3, 0, 7, h_);
}

void TWaveView::RestoreClean(const QRect& band) {
  // The frames hold device pixels.
  const qreal ratio = frame_.devicePixelRatio();
  const int left = std::clamp(static_cast<int>(std::floor(band.left() * ratio)), 0, frame_.width());
  const int right =
      std::clamp(static_cast<int>(std::ceil((band.right() + 1) * ratio)), left, frame_.width());
  const int rows = std::min(frame_.height(), cleanFrame_.height());
  for (int y = 0; y < rows; ++y)
    std::memcpy(reinterpret_cast<QRgb*>(frame_.scanLine(y)) + left,
                reinterpret_cast<const QRgb*>(cleanFrame_.constScanLine(y)) + left,
                static_cast<size_t>(right - left) * sizeof(QRgb));
}

}  // namespace quillon
