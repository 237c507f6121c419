#pragma once

#include <string>
#include "platform/qt/dialogkeys.h"

class QGroupBox;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace quillon {

// Asks for the one whole-number parameter of an effect; run by RunDialog, so that
// the keys typed after the command reach it.
class Tfilterform : public TKeyedDialog {
  Q_OBJECT

 public:
  explicit Tfilterform(QWidget* parent = nullptr);

  // Caption, parameter name, range and start value for the next use. Equal minimum and maximum
  // mean the value is not limited.
  void setproperties(const std::string& title, const std::string& parameterName, int minimum,
                     int maximum, int value);
  int Value() const;

  QGroupBox* ValueName;
  QSpinBox* ValueEdit;
  QPushButton* OkButton;
  QPushButton* CancelButton;
  // The column of OK and Cancel, where others may add buttons.
  QVBoxLayout* ButtonColumn;

 private:
  // The designed size, grown where the style's controls or the buttons shown need more.
  void FitSize();
};

}  // namespace quillon
