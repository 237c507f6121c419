#pragma once

#include <QDialog>
#include <functional>

#include "analysis/silencechoices.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSlider;

namespace quillon {

// The Find Silences dialog: the level below which audio counts as silent, the shortest silence
// and the padding left beside each sound, on sliders whose every move is reported at once, and
// what to do with the silences found. Not modal: the wave view shows them meanwhile.
class TFindSilencesForm : public QDialog {
  Q_OBJECT

 public:
  explicit TFindSilencesForm(QWidget* parent = nullptr);

  TSilenceSearch Search() const;
  void SetSearch(const TSilenceSearch& search);
  // The length Shorten cuts each silence down to, in seconds.
  double ShortenSeconds() const;
  // How many were found; the commands on them are offered only when there are some.
  void ShowCount(const std::string& text, bool any);

  std::function<void()> OnChanged;
  std::function<void()> OnSelectNext;
  std::function<void()> OnDelete;
  std::function<void()> OnShorten;
  std::function<void()> OnRegions;
  // Closed by any way: the view's shading goes.
  std::function<void()> OnClosed;

  QSlider* ThresholdSlider;
  QSlider* MinLengthSlider;
  QSlider* PaddingSlider;
  QLabel* ThresholdValue;
  QLabel* MinLengthValue;
  QLabel* PaddingValue;
  QLabel* CountLabel;
  QDoubleSpinBox* ShortenEdit;
  QPushButton* SelectButton;
  QPushButton* DeleteButton;
  QPushButton* ShortenButton;
  QPushButton* RegionsButton;
  QPushButton* CloseButton;

 protected:
  void done(int result) override;

 private:
  void ShowValues();
};

}  // namespace quillon
