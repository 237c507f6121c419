#pragma once

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace quillon {

// The row along the bottom panel's top edge while an operation runs: the progress bar, then the
// count of the commands that wait, then the Cancel button at the right end. Each of the last two
// takes the width its text needs (in any language) and only while it shows; the bar takes what
// is left. All three are children of panel.
void PlaceProgressRow(const QWidget& panel, QProgressBar& bar, QLabel& waiting,
                      QPushButton& cancel);

}  // namespace quillon
