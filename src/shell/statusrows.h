#pragma once

#include <QWidget>
#include <vector>

class QGridLayout;
class QLabel;

namespace quillon {

// The status bar's contents: the document's panels in a row, and the line an operation left.
// That line stands beside the panels while it fits there whole; a longer one (a translation, two
// notices of one operation) takes a row of its own above them instead of being cut.
class TStatusRows : public QWidget {
 public:
  explicit TStatusRows(QWidget* parent);

  void AddPanel(QWidget* panel);
  // The notice's label, a child of this; it follows each change of its text by itself.
  void SetNotice(QLabel* notice);
  bool NoticeAbove() const { return above_; }

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Arrange();
  // The width the notice has beside the panels.
  int RoomBeside() const;

  QGridLayout* grid_;
  std::vector<QWidget*> panels_;
  QLabel* notice_ = nullptr;
  bool above_ = false;
};

}  // namespace quillon
