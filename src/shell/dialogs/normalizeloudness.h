#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "analysis/loudness.h"
#include "analysis/loudnessgain.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

// The targets offered first, in the order of the preset list; the last entry of the list is
// "another target", typed in.
inline constexpr double kLoudnessPresets[] = {-16, -19, -14, -23};

// A number as the user typed it: the decimal point or comma, a leading minus sign or the
// typographic minus, blanks around; none for anything else.
std::optional<double> ParseTypedNumber(const QString& text);

// Asks for a loudness target and a true-peak ceiling, and tells what the gain would reach when
// the document's loudness is known. OK with a value that cannot be used says why and stays open.
class TNormalizeLoudnessForm : public QDialog {
  Q_OBJECT

 public:
  explicit TNormalizeLoudnessForm(QWidget* parent = nullptr);

  // The document's measurement, or none while it is not known; the forecast follows.
  void SetMeasured(std::optional<TLoudness> measured);
  // Why the values typed cannot be used; none when they can.
  std::optional<std::string> Problem() const;
  // The values typed; only meaningful without a Problem.
  TLoudnessTarget Target() const;
  // The gain OK would apply, as a factor, once the loudness is known and the values can be used.
  std::optional<double> PlannedGain() const;
  void accept() override;

  QComboBox* PresetBox;
  QLineEdit* TargetEdit;
  QLineEdit* CeilingEdit;
  QLabel* ForecastLabel;
  QPushButton* OkButton;
  QPushButton* CancelButton;
  // The row of OK and Cancel, where others may add buttons.
  QHBoxLayout* ButtonRow;

 signals:
  // The values or the measurement changed, and the forecast with them.
  void ForecastShown();

 private:
  void PresetChosen(int index);
  void ShowForecast();

  std::optional<TLoudness> measured_;
};

}  // namespace quillon
