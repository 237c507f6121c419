#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "display/spectrumcanvas.h"
#include "spectrum/spectrumcache.h"
#include "spectrum/spectrumpicture.h"
#include "spectrum/spectrumsettings.h"

namespace quillon {

class TWaveView;

// The spectrogram of the document a wave view shows, on the same time axis: one band per
// channel, the frequency scale down the right where the wave view has its amplitude scale, the
// selection and the cursor drawn across. Columns come from a cache whose workers compute them;
// what has not arrived is drawn as a neutral band and filled in as it arrives, so a paint never
// waits. Follows the wave view's every redraw; the mouse selects as in the wave view, which
// it is handed to.
class TSpectrogramView : public QWidget {
  Q_OBJECT

 public:
  explicit TSpectrogramView(TWaveView* wave, QWidget* parent = nullptr);
  ~TSpectrogramView() override;

  // Applied at once; new columns are computed only when the window or its shape changed. The
  // columns of the state shown before the last change are kept too, for an undo back to it, and
  // those of earlier states are found by their samples while the shelf holds them.
  void SetSettings(const TSpectrumSettings& settings);
  const TSpectrumSettings& Settings() const { return settings_; }
  // Pixel columns of the last drawing still waiting for their levels.
  int32_t PendingColumns() const { return pending_; }
  // The bands as last drawn, in device pixels.
  const QImage& Picture() const { return canvas_.Image(); }
  // Columns the shown state's cache transformed rather than found shelved.
  int64_t ComputedColumns() const { return cache_ ? cache_->ComputedColumns() : 0; }
  // Pixel columns the last paint drew: only those newly exposed after a scroll.
  int32_t DrawnColumns() const { return canvas_.DrawnColumns(); }
  // Time, frequency and level at a point of the view; empty outside the bands or where nothing
  // is computed yet.
  QString PointerText(QPoint point);

 signals:
  // What is under the pointer, for the status bar; empty when it left the bands.
  void PointerMoved(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // The view's time span in device pixels.
  struct TLayout {
    TSpectrumSpan span;
    int32_t band = 0;
    qreal ratio = 1;
  };
  TLayout Layout() const;
  // Makes the cache for the shown state and settings; none without audio.
  void FollowState();
  void DropCache();
  void Redraw(const TLayout& layout);
  void Arrived();
  void DrawScale(QPainter& painter, const TLayout& layout);
  uint32_t FrameAt(int32_t x) const;
  void ForwardMouse(QMouseEvent* event);

  TWaveView* wave_;
  TSpectrumSettings settings_;
  std::unique_ptr<TSpectrumCache> cache_;
  // The cache of the state shown before, for an undo or redo back to it.
  std::unique_ptr<TSpectrumCache> parked_;
  // The columns of every state at the current window size and shape, by their samples.
  std::shared_ptr<TSpectrumShelf> shelf_;
  std::string cacheKey_, parkedKey_;
  std::vector<TSpectrumPainter> painters_;
  // Arrivals already posted to the main thread and not yet drawn.
  std::shared_ptr<std::atomic<bool>> arrivalPosted_;
  TSpectrumCanvas canvas_;
  // The canvas is drawn anew on the next paint: other settings or another cache.
  bool stale_ = true;
  int32_t pending_ = 0;
};

}  // namespace quillon
