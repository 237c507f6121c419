#include "display/spectrogramview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <thread>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "spectrum/frequencyscale.h"
#include "spectrum/spectrumtransform.h"

namespace quillon {

namespace {

// Compact labels that fit the scale band: 500, 2k, 20k.
QString TickLabel(double hz) {
  return hz >= 1000 ? QString::number(hz / 1000) + "k" : QString::number(hz);
}

QString FrequencyText(double hz) {
  return hz >= 1000 ? QString::number(hz / 1000, 'f', 2) + " kHz"
                    : QString::number(hz, 'f', 0) + " Hz";
}

}  // namespace

TSpectrogramView::TSpectrogramView(TWaveView* wave, QWidget* parent)
    : QWidget(parent), wave_(wave), arrivalPosted_(std::make_shared<std::atomic<bool>>(false)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  wave_->installEventFilter(this);
}

TSpectrogramView::~TSpectrogramView() {
  DropCache();
}

namespace {

// Its workers finish the column in hand on a thread of their own, never on the main thread.
void LetGo(std::unique_ptr<TSpectrumCache> cache) {
  if (!cache) return;
  cache->SetOnArrival(nullptr);
  std::thread([old = std::move(cache)] {}).detach();
}

// A state's samples: undo and redo open the same store file again.
std::string StoreKey(const TAudioState& state) {
  return state.fileName + "|" + std::to_string(state.frameCount) + "|" +
         std::to_string(state.channels);
}

}  // namespace

void TSpectrogramView::DropCache() {
  LetGo(std::move(cache_));
  LetGo(std::move(parked_));
  shelf_.reset();
  cacheKey_.clear();
  parkedKey_.clear();
}

void TSpectrogramView::SetSettings(const TSpectrumSettings& settings) {
  const TSpectrumSettings held = HeldSpectrumSettings(settings);
  if (held.window != settings_.window || held.shape != settings_.shape) DropCache();
  settings_ = held;
  stale_ = true;
  update();
}

bool TSpectrogramView::eventFilter(QObject* watched, QEvent* event) {
  // Every redraw of the wave view (scroll, zoom, cursor, selection, edit) shows here too.
  if (watched == wave_ && (event->type() == QEvent::Paint || event->type() == QEvent::Resize))
    update();
  return QWidget::eventFilter(watched, event);
}

void TSpectrogramView::FollowState() {
  Twavefile* document = wave_->Document();
  const auto state = document ? document->State() : nullptr;
  if (!state || !state->samples || state->frameCount == 0 || state->channels == 0) {
    DropCache();
    return;
  }
  const std::string key = StoreKey(*state);
  if (cache_ && cacheKey_ == key) return;
  if (parked_ && parkedKey_ == key) {
    // Back to the state before the last change: its columns are still held.
    std::swap(cache_, parked_);
    std::swap(cacheKey_, parkedKey_);
  } else {
    LetGo(std::move(parked_));
    parked_ = std::move(cache_);
    parkedKey_ = cacheKey_;
    try {
      // Every state's cache shares the shelf: after an edit only the columns whose samples
      // changed are computed.
      if (!shelf_) shelf_ = std::make_shared<TSpectrumShelf>(kSpectrumColumnBudget);
      cache_ = std::make_unique<TSpectrumCache>(
          TSpectrumSource{state->samples, state->channels, state->sampleRate, state->frameCount},
          settings_.window, settings_.shape, kSpectrumColumnBudget, 0, true, shelf_);
    } catch (const std::exception&) {
      // FFmpeg could not be loaded: the view says so instead of drawing.
      cacheKey_.clear();
      return;
    }
    cacheKey_ = key;
  }
  if (parked_) parked_->SetOnArrival(nullptr);
  painters_.assign(state->channels, TSpectrumPainter());
  stale_ = true;
  // Arrivals coalesce into one redraw on the main thread.
  QPointer<TSpectrogramView> guard(this);
  cache_->SetOnArrival([guard, posted = arrivalPosted_] {
    if (posted->exchange(true)) return;
    QMetaObject::invokeMethod(
        qApp,
        [guard, posted] {
          posted->store(false);
          if (guard) guard->Arrived();
        },
        Qt::QueuedConnection);
  });
}

void TSpectrogramView::Arrived() {
  // Only the columns that waited are drawn again.
  update();
}

TSpectrogramView::TLayout TSpectrogramView::Layout() const {
  TLayout layout;
  layout.ratio = devicePixelRatioF();
  const int32_t area = std::max(0, width() - RightMargin);
  const int32_t channels = cache_ ? cache_->Source().channels : 1;
  const auto height = static_cast<int32_t>(std::lround(this->height() * layout.ratio));
  layout.band = std::max(0, (height - (channels - 1)) / channels);
  layout.span.width = static_cast<int32_t>(std::lround(area * layout.ratio));
  layout.span.firstFrame = wave_->ViewStart();
  layout.span.framesPerPixel =
      layout.span.width > 0 ? static_cast<double>(wave_->ViewLength()) / layout.span.width : 1;
  return layout;
}

void TSpectrogramView::Redraw(const TLayout& layout) {
  const auto height = static_cast<int32_t>(std::lround(this->height() * layout.ratio));
  canvas_.Show(layout.span.firstFrame, layout.span.framesPerPixel, layout.span.width, height,
               layout.band, cache_->Source().channels);
  if (stale_) canvas_.Invalidate();
  stale_ = false;
  std::vector<TSpectrumKey> missing;
  pending_ = canvas_.Paint(*cache_, settings_, painters_, missing);
  if (!missing.empty() || pending_ > 0)
    cache_->Request(
        std::move(missing),
        static_cast<int64_t>((wave_->ViewStart() + wave_->ViewLength() / 2.0) / cache_->Hop()));
}

void TSpectrogramView::DrawScale(QPainter& painter, const TLayout& layout) {
  const int32_t area = width() - RightMargin;
  painter.fillRect(QRect(area, 0, RightMargin, height()), QColor(0x1E, 0x1E, 0x1E));
  painter.setPen(QColor(0xD0, 0xD0, 0xD0));
  QFont font = painter.font();
  font.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.8));
  painter.setFont(font);
  const int32_t bandHeight = static_cast<int32_t>(layout.band / layout.ratio);
  const TFrequencyAxis axis(settings_.scale, std::max(1, bandHeight), cache_->Source().sampleRate);
  const int32_t spacing = painter.fontMetrics().height() + 2;
  for (int32_t ch = 0; ch < cache_->Source().channels; ++ch) {
    const int32_t top = static_cast<int32_t>(ch * (layout.band + 1) / layout.ratio);
    for (const TFrequencyTick& tick : FrequencyTicks(axis, cache_->Source().sampleRate, spacing)) {
      const int32_t y = top + tick.y;
      painter.drawLine(area, y, area + 3, y);
      painter.drawText(QRect(area + 4, y - spacing / 2, RightMargin - 4, spacing),
                       Qt::AlignLeft | Qt::AlignVCenter, TickLabel(tick.hz));
    }
  }
}

void TSpectrogramView::paintEvent(QPaintEvent*) {
  FollowState();
  QPainter painter(this);
  pending_ = 0;
  if (!cache_ || wave_->ViewLength() == 0) {
    painter.fillRect(rect(), QColor(0x1E, 0x1E, 0x1E));
    painter.setPen(QColor(0xD0, 0xD0, 0xD0));
    const bool audio = wave_->Document() && wave_->Document()->FrameCount() > 0;
    if (audio && !cache_)
      painter.drawText(rect(), Qt::AlignCenter,
                       QString::fromStdString(ConstantText("spectrumunavailable")));
    return;
  }
  const TLayout layout = Layout();
  Redraw(layout);
  const QImage& image = canvas_.Image();
  painter.drawImage(QRectF(0, 0, image.width() / layout.ratio, image.height() / layout.ratio),
                    image);
  DrawScale(painter, layout);
  const int32_t area = width() - RightMargin;
  auto xOf = [&](uint32_t frame) {
    return static_cast<int32_t>(std::lround((static_cast<double>(frame) - wave_->ViewStart()) /
                                            std::max(1e-9, wave_->FramesPerPixel())));
  };
  if (wave_->Selected() && wave_->SelStop() > wave_->SelStart()) {
    const int32_t x1 = std::clamp(xOf(wave_->SelStart()), 0, area);
    const int32_t x2 = std::clamp(xOf(wave_->SelStop()), 0, area);
    painter.fillRect(QRect(x1, 0, std::max(1, x2 - x1), height()), QColor(255, 255, 255, 70));
  }
  const int32_t cursor = xOf(wave_->CursorPos());
  if (cursor >= 0 && cursor < area) {
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(cursor, 0, cursor, height());
  }
}

uint32_t TSpectrogramView::FrameAt(int32_t x) const {
  const double frame = wave_->ViewStart() + std::max(0, x) * wave_->FramesPerPixel();
  const uint32_t count = wave_->Document() ? wave_->Document()->FrameCount() : 0;
  return static_cast<uint32_t>(std::clamp(frame, 0.0, static_cast<double>(count)));
}

QString TSpectrogramView::PointerText(QPoint point) {
  if (!cache_ || point.x() < 0 || point.x() >= width() - RightMargin) return {};
  const TLayout layout = Layout();
  const int32_t x = static_cast<int32_t>(point.x() * layout.ratio);
  const int32_t y = static_cast<int32_t>(point.y() * layout.ratio);
  const int32_t channel = y / (layout.band + 1);
  const int32_t row = y % (layout.band + 1);
  if (channel >= cache_->Source().channels || row >= layout.band) return {};
  const TFrequencyAxis axis(settings_.scale, layout.band, cache_->Source().sampleRate);
  const double seconds = FrameAt(point.x()) / static_cast<double>(cache_->Source().sampleRate);
  QString text =
      QString::number(seconds, 'f', 3) + " s   " + FrequencyText(axis.FrequencyAt(row + 0.5));
  float db = 0;
  if (painters_[channel].LevelAt(*cache_, channel, canvas_.Span(), x, row, db))
    text += "   " +
            (db <= kLevelFloorDb ? QString("< %1").arg(kLevelFloorDb)
                                 : QString::number(db + settings_.gainDb, 'f', 1)) +
            " dB";
  return text;
}

void TSpectrogramView::ForwardMouse(QMouseEvent* event) {
  // The wave view's own selecting, extending and dragging, at the same time position.
  const QPointF at(event->position().x(), std::max(0, wave_->height() - 1) / 2.0);
  QMouseEvent forwarded(event->type(), at, wave_->mapToGlobal(at), event->button(),
                        event->buttons(), event->modifiers());
  QApplication::sendEvent(wave_, &forwarded);
}

void TSpectrogramView::mousePressEvent(QMouseEvent* event) {
  ForwardMouse(event);
}

void TSpectrogramView::mouseMoveEvent(QMouseEvent* event) {
  emit PointerMoved(PointerText(event->position().toPoint()));
  if (event->buttons() != Qt::NoButton) ForwardMouse(event);
}

void TSpectrogramView::mouseReleaseEvent(QMouseEvent* event) {
  ForwardMouse(event);
}

void TSpectrogramView::leaveEvent(QEvent*) {
  emit PointerMoved({});
}

}  // namespace quillon
