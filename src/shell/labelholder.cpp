#include "shell/labelholder.h"

#include <QEvent>
#include <QLabel>

namespace quillon {

TLabelHolder::TLabelHolder(QLabel* label, QWidget* parent) : QWidget(parent), label_(label) {
  setObjectName(label->objectName() + "Holder");
  label_->setParent(this);
  // A new parent hides a widget until it is shown again.
  label_->show();
  setSizePolicy(label_->sizePolicy());
}

QSize TLabelHolder::sizeHint() const {
  hint_ = label_->sizeHint().expandedTo(label_->minimumSize());
  return hint_;
}

QSize TLabelHolder::minimumSizeHint() const {
  minimumHint_ = label_->minimumSizeHint().expandedTo(label_->minimumSize());
  return minimumHint_;
}

bool TLabelHolder::event(QEvent* event) {
  // The label asks for a new layout at every new text; the window hears of it only when the
  // label wants another size.
  if (event->type() == QEvent::LayoutRequest) {
    const QSize hint = hint_;
    const QSize minimumHint = minimumHint_;
    if (sizeHint() != hint || minimumSizeHint() != minimumHint) updateGeometry();
    return true;
  }
  return QWidget::event(event);
}

void TLabelHolder::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  label_->setGeometry(rect());
}

}  // namespace quillon
