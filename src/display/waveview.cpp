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
#include "document/largefile.h"
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
  cleanFrame_ = QImage(698, 250, QImage::Format_RGB32);
  frame_.fill(Qt::black);
  cleanFrame_.fill(Qt::black);
  w_ = width();
  h_ = height();
  CreatePlayer();
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

void TWaveView::Repaint() {
  QUILLON_MAIN_THREAD_ONLY();
  ClampView();
  w_ = width();
  h_ = height();
  QSize size(std::max(w_, 1), std::max(h_, 1));
  FitScreenImage(frame_, size, devicePixelRatioF());
  FitScreenImage(cleanFrame_, size, devicePixelRatioF());
  const int32_t t = TopMargin;
  const int32_t r = RightMargin;
  const int32_t area = w_ - r;
  {
    QPainter painter(&frame_);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(7);
    painter.setFont(font);
    painter.fillRect(QRect(0, 0, w_, h_), FromBgr(ViewScaleColor));
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
      DrawWave(painter, document_->Channels());
    }
  }
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

void TWaveView::DrawWave(QPainter& painter, int channels) {
  const int32_t area = w_ - RightMargin;
  if (viewLength_ == 0 || area <= 0) return;
  const int n = std::clamp(channels, 1, static_cast<int>(laneCentre_.size()));
  const uint32_t stride = document_->Channels();
  const uint32_t frameCount = document_->FrameCount();
  const Tindexdata& index = document_->Index();
  TLargeFile* samples = document_->Samples();
  const double a = 32768.0 / h_ * 3 * n;
  auto yOf = [&](int k, double v) { return static_cast<int>(laneCentre_[k] - Round(v / a)); };
  std::array<int, 8> prevY{};
  std::array<int, 8> prevX{};
  for (int k = 0; k < n; ++k) prevY[k] = laneCentre_[k];
  const double fpp = static_cast<double>(viewLength_) / area;
  framesPerPixel_ = fpp;
  painter.setPen(QPen(FromBgr(ViewWaveColor), 1, Qt::SolidLine));
  painter.setBrush(Qt::NoBrush);

  if (fpp >= kIndexBlockFrames) {
    const uint32_t blocks = static_cast<uint32_t>(std::trunc(fpp / kIndexBlockFrames)) + 1;
    for (int s = 0; s < area; ++s) {
      const uint64_t block =
          static_cast<uint64_t>(std::trunc((viewStart_ + s * fpp) / kIndexBlockFrames));
      for (int k = 0; k < n; ++k) {
        int32_t max = -32768, min = 32767;
        uint32_t maxAt = 0, minAt = 0;
        for (uint32_t q = 0; q < blocks; ++q) {
          const uint64_t entry = (block + q) * stride + k;
          if (entry >= index.size()) break;
          if (index[entry].max > max) max = index[entry].max, maxAt = q;
          if (index[entry].min < min) min = index[entry].min, minAt = q;
        }
        // The extreme that came first in time is drawn first, so a burst keeps its shape.
        const bool minFirst = maxAt > minAt;
        const int first = yOf(k, minFirst ? min : max);
        const int second = yOf(k, minFirst ? max : min);
        const QPoint points[3] = {{s, prevY[k]}, {s + 1, first}, {s + 1, second}};
        painter.drawPolyline(points, 3);
        prevY[k] = second;
      }
    }
  } else if (fpp >= 1) {
    if (frameCount == 0 || samples == nullptr) return;
    const uint32_t span = static_cast<uint32_t>(std::trunc(fpp));
    for (int s = 0; s < area; ++s) {
      uint64_t first = static_cast<uint64_t>(std::trunc(s * fpp)) + viewStart_;
      if (first + span >= frameCount) first = frameCount - 1 >= span ? frameCount - 1 - span : 0;
      const uint64_t last = std::min<uint64_t>(first + span, frameCount - 1);
      for (int k = 0; k < n; ++k) {
        int32_t max = -32768, min = 32767;
        for (uint64_t f = first; f <= last; ++f) {
          const int16_t v = samples->ReadSample(static_cast<uint32_t>(f * stride + k));
          max = std::max<int32_t>(max, v);
          min = std::min<int32_t>(min, v);
        }
        const QPoint points[3] = {{s, prevY[k]}, {s + 1, yOf(k, max)}, {s + 1, yOf(k, min)}};
        painter.drawPolyline(points, 3);
        prevY[k] = yOf(k, min);
      }
    }
  } else if (fpp > 0 && samples != nullptr) {
    const bool markers = Round(1 / fpp) > 6;
    painter.setBrush(FromBgr(ViewScaleColor));
    for (uint64_t s = 0; s <= viewLength_; ++s) {
      const uint64_t frame = viewStart_ + s;
      if (frame >= frameCount) break;
      const int x = static_cast<int>(Round(s / fpp));
      for (int k = 0; k < n; ++k) {
        const int y = yOf(k, samples->ReadSample(static_cast<uint32_t>(frame * stride + k)));
        painter.drawLine(QPoint(prevX[k], prevY[k]), QPoint(x, y));
        prevX[k] = x;
        prevY[k] = y;
        // Each frame is a visible point when zoomed in this far; a 5 x 5 box marks it.
        if (markers) painter.drawRect(QRect(x - 2, y - 2, 4, 4));
      }
    }
    painter.setBrush(Qt::NoBrush);
  }
}

void TWaveView::DrawSelection() {
  const int32_t area = w_ - RightMargin;
  const bool overlaps = (viewStart_ <= selStart_ && selStart_ <= viewStop_) ||
                        (viewStart_ <= selStop_ && selStop_ <= viewStop_) ||
                        (selStart_ < viewStart_ && selStop_ > viewStop_);
  if (!overlaps || viewLength_ == 0 || area <= 0) return;
  const double pixelsPerFrame = static_cast<double>(area) / viewLength_;
  int64_t x1 = selStart_ < viewStart_
                   ? 0
                   : Round((static_cast<double>(selStart_) - viewStart_) * pixelsPerFrame);
  int64_t x2 = selStop_ > viewStop_
                   ? area
                   : Round((static_cast<double>(selStop_) - viewStart_) * pixelsPerFrame);
  if (x1 > x2) std::swap(x1, x2);
  InvertColumns(x1, x2);
}

void TWaveView::InvertColumns(int64_t x1, int64_t x2) {
  presentedOnly_ = true;
  // The frame holds device pixels.
  const qreal ratio = frame_.devicePixelRatio();
  x1 = std::clamp<int64_t>(std::llround(x1 * ratio), 0, frame_.width());
  x2 = std::clamp<int64_t>(std::llround(x2 * ratio), 0, frame_.width());
  const int top = static_cast<int>(std::lround(std::max(TopMargin, 0) * ratio));
  const int bottom = std::min(static_cast<int>(std::lround(h_ * ratio)), frame_.height());
  // The negative of everything in the area: waveform, grid and lane lines.
  for (int y = top; y < bottom; ++y) {
    auto* line = reinterpret_cast<QRgb*>(frame_.scanLine(y));
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
