#pragma once

#include <QDialog>
#include <string>

class QGroupBox;
class QPushButton;
class QSpinBox;

namespace quillon {

// Asks for the one whole-number parameter of an effect; shown modally with exec().
class Tfilterform : public QDialog {
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
};

}  // namespace quillon
