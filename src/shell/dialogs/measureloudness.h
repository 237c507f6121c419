#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillon {

struct TLoudness;

// Shows the loudness of the selection or the document while it is measured and once it is
// known; not modal, so the document stays at hand.
class TMeasureLoudnessForm : public QDialog {
  Q_OBJECT

 public:
  explicit TMeasureLoudnessForm(QWidget* parent = nullptr);

  // What is measured ("the selection ..."), with the values cleared and the progress at 0.
  void ShowMeasuring(const std::string& scope);
  void SetProgress(int percent);
  void ShowResult(const std::string& scope, const TLoudness& loudness);
  // A line instead of the values: why there are none, or what they mean.
  void ShowNote(const std::string& note);
  // Integrated, range, momentary, short-term, true peak, sample peak, as shown.
  QString ValueText(int row) const;

  // The Cancel button while a measurement runs.
  std::function<void()> OnCancel;

  QLabel* ScopeLabel;
  std::array<QLabel*, 6> ValueLabels{};
  QLabel* NoteLabel;
  QProgressBar* Progress;
  QPushButton* CancelButton;
  QPushButton* CloseButton;

 private:
  void SetRunning(bool running);
};

}  // namespace quillon
