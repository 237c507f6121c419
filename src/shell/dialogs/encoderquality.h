#pragma once

#include <optional>
#include <span>
#include "platform/qt/dialogkeys.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace quillon {

// A button that sets the value to one chosen for a kind of sound.
struct TQualityPreset {
  const char* objectName;
  const char* caption;
  int value;
};

// What one encoder's quality dialog asks: its window name (the translation section), texts,
// range, default and presets.
struct TQualityDialogSpec {
  const char* objectName;
  const char* title;
  const char* group;
  const char* valueLabel;
  const char* rangeText;
  const char* note;  // "" for none
  int minimum;
  int maximum;
  int defaultValue;
  std::span<const TQualityPreset> presets;
};

// "Ogg Vorbis Settings": quality -1 to 10.
const TQualityDialogSpec& VorbisQualitySpec();
// "Opus Settings": kbit/s 16 to 256 with a voice and a music preset; says that Opus is coded at
// 48 kHz.
const TQualityDialogSpec& OpusBitrateSpec();

// Asks for the one number an encoder needs. One instance lives as long as the program, so the
// last choice is offered again; the object names are fixed because the translation layer finds
// the texts by name.
class TEncoderQualityForm : public TKeyedDialog {
  Q_OBJECT

 public:
  explicit TEncoderQualityForm(const TQualityDialogSpec& spec, QWidget* parent = nullptr);

  // Modal; the value on Ok. Cancel gives nothing and puts back the value shown before.
  std::optional<int> Ask();
  int Value() const;
  // Clamped to the range.
  void SetValue(int value);

  QGroupBox* GroupBox1;
  QLabel* ValueLabel;
  QSpinBox* ValueEdit;
  QSlider* ValueSlider;
  QLabel* RangeLabel;
  QLabel* NoteLabel = nullptr;
  QPushButton* OkButton;
  QPushButton* CancelButton;
};

}  // namespace quillon
