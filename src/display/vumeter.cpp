#include "display/vumeter.h"

#include <QPainter>
#include <algorithm>

#include "display/screenimage.h"

namespace quillon {
namespace {

QRgb FromBgr(uint32_t v) {
  return qRgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

// Fills the columns left..right-1 of the rows top..bottom-1, nothing when that is empty; the
// painter clips to the picture, so a rectangle reaching past an edge loses only that part.
void FillSpan(QPainter& painter, int left, int top, int right, int bottom, QRgb color) {
  if (right <= left || bottom <= top) return;
  painter.fillRect(QRect(left, top, right - left, bottom - top), color);
}

}  // namespace

TVUMeter::TVUMeter(QWidget* parent) : QWidget(parent) {
  // Paint covers every pixel from the frame, so Qt must not erase underneath it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  resize(127, 38);
  SizeFrame();
  ClearVisual();
}

void TVUMeter::SetBackcolor(uint32_t color) {
  VIS32_ = color;
  ClearVisual();
}

void TVUMeter::event_s(const maxsample& points, int ch) {
  if (!isVisible()) return;
  SizeFrame();
  const int channels = std::clamp(ch, 0, kMaxChannels);
  dspBuffer_.fill(0);
  fVUChannels_ = static_cast<uint8_t>(channels);
  std::copy_n(points.begin(), channels, dspBuffer_.begin());

  BasicBMP_.fill(FromBgr(VIS32_));
  if (channels > 0) {
    QPainter painter(&BasicBMP_);
    const QRgb color = FromBgr(VISD_);
    const int laneHeight = (height() - 1) / channels;
    for (int i = 0; i < channels; ++i) {
      MoveBar(i, LevelToPixels(dspBuffer_[i]));
      FillSpan(painter, 1, i * laneHeight + 1, BandOut_[i], i * laneHeight + laneHeight, color);
    }
    if (fShowPeaks_) {
      for (int i = 0; i < channels; ++i) {
        MovePeak(i, LevelToPixels(dspBuffer_[i]));
        const int32_t peak = Peaks_[i];
        if (peak > 0) {
          FillSpan(painter, std::max(peak - 2, 0), i * laneHeight + 1, peak,
                   i * laneHeight + laneHeight, color);
        }
        ++PeaksWait_[i];
      }
    }
  }
  update();
}

void TVUMeter::ClearVisual() {
  BasicBMP_.fill(FromBgr(VIS32_));
  update();
}

void TVUMeter::ResetVisual() {
  ClearVisual();
  BandOut_.fill(0);
  dspBuffer_.fill(0);
  ResetPeaks();
}

void TVUMeter::ResetPeaks() {
  BandOut_.fill(0);
  Peaks_.fill(0);
  PeaksWait_.fill(0);
}

void TVUMeter::paintEvent(QPaintEvent*) {
  SizeFrame();
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), BasicBMP_);
}

void TVUMeter::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SizeFrame();
  ResetPeaks();
}

// A new size starts from the plain background; an unchanged size keeps the picture.
void TVUMeter::SizeFrame() {
  const QSize size(std::max(width(), 1), std::max(height(), 1));
  if (FitScreenImage(BasicBMP_, size, devicePixelRatioF())) BasicBMP_.fill(FromBgr(VIS32_));
}

// A rising level shows at once; otherwise the bar falls a few pixels per update, never below 0.
void TVUMeter::MoveBar(int channel, int32_t length) {
  int32_t& bar = BandOut_[channel];
  if (length > bar) {
    bar = length;
  } else {
    bar = std::max(bar - kSpectrumFallof, 0);
  }
}

// A raised peak holds for the update that raised it and kPeaksDelay more, then falls slowly
// until a level reaches it again.
void TVUMeter::MovePeak(int channel, int32_t length) {
  int32_t& peak = Peaks_[channel];
  if (length >= peak) {
    peak = length;
    PeaksWait_[channel] = 0;
  }
  if (PeaksWait_[channel] > kPeaksDelay) peak = std::max(peak - kPeaksFallof, 0);
}

// Levels run from 0 to 128, where 128 fills the width; anything outside is held to that range so
// no bar or peak is ever placed beyond the control.
int32_t TVUMeter::LevelToPixels(int16_t level) const {
  const int32_t v = std::clamp<int32_t>(level, 0, kFullScale);
  return v * width() / kFullScale;
}

}  // namespace quillon
