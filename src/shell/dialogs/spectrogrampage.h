#pragma once

#include <QWidget>

#include "spectrum/spectrumsettings.h"

class QComboBox;
class QSpinBox;

namespace quillon {

// The settings dialog's page of the spectrogram: window size and shape, frequency scale, colour
// map, level range and gain. Every change is announced at once.
class TSpectrogramPage : public QWidget {
  Q_OBJECT

 public:
  explicit TSpectrogramPage(QWidget* parent = nullptr);

  // Shows settings without announcing them.
  void Show(const TSpectrumSettings& settings);
  TSpectrumSettings Value() const;

  QComboBox *WindowSizeBox, *WindowShapeBox, *FrequencyScaleBox, *ColourMapBox;
  QSpinBox *RangeBox, *GainBox;

 signals:
  void Changed(const quillon::TSpectrumSettings& settings);

 private:
  bool showing_ = false;
};

}  // namespace quillon
