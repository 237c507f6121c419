#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "document/editplans.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quillon {

// A rate as typed: a whole number of Hz, blanks and thousands separators allowed; the reason it
// cannot be used otherwise (not a number, outside 8000 to 192000, the present rate).
struct TRateAnswer {
  std::optional<uint32_t> rate;
  std::string problem;
};
TRateAnswer ReadRate(const QString& text, uint32_t currentRate);

// Asks for the document's new sample rate: a common rate from the list, or any typed in. OK
// with a rate that cannot be used says why and stays open.
class TSampleRateForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSampleRateForm(QWidget* parent = nullptr);
  // The present rate, which the box offers first.
  void SetCurrentRate(uint32_t rate);
  // The rate typed or chosen; only meaningful once accepted.
  uint32_t Rate() const;
  // The rate shown now, when it can be used.
  std::optional<uint32_t> TypedRate() const;
  void accept() override;

  QComboBox* RateBox;
  QLabel* CurrentLabel;
  QPushButton* OkButton;
  QPushButton* CancelButton;
  // The row of OK and Cancel, where others may add buttons.
  QHBoxLayout* ButtonRow;

 private:
  uint32_t current_ = 0;
  uint32_t chosen_ = 0;
};

// Asks how Convert to Mono makes one channel of two, and says what the average does to the level.
class TMonoForm : public QDialog {
  Q_OBJECT

 public:
  explicit TMonoForm(QWidget* parent = nullptr);
  TMonoMix Mix() const;

  QRadioButton* AverageButton;
  QRadioButton* LeftButton;
  QRadioButton* RightButton;
  QLabel* NoteLabel;
  QPushButton* OkButton;
  QPushButton* CancelButton;
};

}  // namespace quillon
