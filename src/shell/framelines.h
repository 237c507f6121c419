#pragma once

#include <QPointer>
#include <QWidget>

namespace quillon {

class TWaveView;

// Thin lines on the wave view where the frames of the document's MP3 source begin, in the ranges
// still the source's, once the view is zoomed in far enough that each frame is a few pixels
// wide. A see-through layer above the view, repainted with it; clicks go through.
class TFrameLines : public QWidget {
  Q_OBJECT

 public:
  explicit TFrameLines(TWaveView& view);

  // How many lines the last paint drew.
  size_t Drawn() const { return drawn_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<TWaveView> view_;
  size_t drawn_ = 0;
};

}  // namespace quillon
