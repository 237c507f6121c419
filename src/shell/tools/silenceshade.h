#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

#include "document/editplans.h"

namespace quillon {

class TWaveView;

// Shades spans of frames on the wave view, with a count in its corner, as a see-through layer
// above it: the view draws as ever, and every repaint of it (scroll, zoom, cursor) repaints the
// layer (a child painted with its parent) at the view's present place. Clicks go through to the
// view.
class TSilenceShade : public QWidget {
  Q_OBJECT

 public:
  explicit TSilenceShade(TWaveView& view);

  void SetSpans(std::vector<TFrameSpan> spans, const QString& count);
  const std::vector<TFrameSpan>& Spans() const { return spans_; }
  // The view's pixel column of a frame, as the view places its selection.
  double ColumnOf(uint64_t frame) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<TWaveView> view_;
  std::vector<TFrameSpan> spans_;
  QString count_;
};

}  // namespace quillon
