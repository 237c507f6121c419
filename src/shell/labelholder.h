#pragma once

#include <QSize>
#include <QWidget>

class QLabel;

namespace quillon {

// Holds a label whose text changes many times a second (the cursor's place while playing) so that
// a new text costs a repaint of the label alone. A label in a layout has the whole window laid
// out again at every new text, which took milliseconds at each step of the play cursor; here the
// window is laid out again only when the label's wanted size changes. The label fills the holder
// and keeps its own name, texts and minimum size.
class TLabelHolder : public QWidget {
 public:
  // Takes label as its child.
  TLabelHolder(QLabel* label, QWidget* parent);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* label_;
  // The hints the layout was last given.
  mutable QSize hint_;
  mutable QSize minimumHint_;
};

}  // namespace quillon
