#include "shell/statusrows.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <algorithm>

namespace quillon {

TStatusRows::TStatusRows(QWidget* parent) : QWidget(parent), grid_(new QGridLayout(this)) {
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setVerticalSpacing(0);
}

void TStatusRows::AddPanel(QWidget* panel) {
  grid_->addWidget(panel, 1, static_cast<int>(panels_.size()));
  panels_.push_back(panel);
}

void TStatusRows::SetNotice(QLabel* notice) {
  notice_ = notice;
  // A long notice must not widen the window; where it stands is Arrange's choice.
  notice_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  grid_->addWidget(notice_, 1, static_cast<int>(panels_.size()));
  grid_->setColumnStretch(static_cast<int>(panels_.size()), 1);
}

int TStatusRows::RoomBeside() const {
  const int spacing = std::max(grid_->horizontalSpacing(), 0);
  int room = width();
  for (const QWidget* panel : panels_) room -= panel->sizeHint().width() + spacing;
  return room;
}

void TStatusRows::Arrange() {
  if (!notice_) return;
  const bool above = !notice_->text().isEmpty() && notice_->sizeHint().width() > RoomBeside();
  if (above == above_) return;
  above_ = above;
  grid_->removeWidget(notice_);
  const int columns = static_cast<int>(panels_.size());
  if (above)
    grid_->addWidget(notice_, 0, 0, 1, columns + 1);
  else
    grid_->addWidget(notice_, 1, columns);
}

bool TStatusRows::event(QEvent* event) {
  // A new text of the notice asks for a new layout: the place may change with it.
  if (event->type() == QEvent::LayoutRequest) Arrange();
  return QWidget::event(event);
}

void TStatusRows::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Arrange();
}

}  // namespace quillon
