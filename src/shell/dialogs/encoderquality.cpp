#include "shell/dialogs/encoderquality.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "codecs/encodersettings.h"
#include "localization/ui/langcontroller.h"
#include "platform/qt/dialogkeys.h"

namespace quillon {

namespace {

// Speech stays clear at 32 kbit/s; at 128 kbit/s music is hard to tell from the source.
constexpr TQualityPreset kOpusPresets[] = {{"VoiceButton", "&Voice (32 kbit/s)", 32},
                                           {"MusicButton", "&Music (128 kbit/s)", 128}};

const TQualityDialogSpec kVorbis{"vorbissettings",
                                 "Ogg Vorbis Settings",
                                 "Ogg Vorbis",
                                 "&Quality:",
                                 "-1 = smallest file, 10 = best sound",
                                 "",
                                 kVorbisQualityMin,
                                 kVorbisQualityMax,
                                 kVorbisQualityDefault,
                                 {}};

const TQualityDialogSpec kOpus{
    "opussettings",
    "Opus Settings",
    "Opus",
    "&Bitrate (kbit/s):",
    "16 to 256 kbit/s",
    "Opus is always coded at 48\u00a0kHz: the sound is resampled to that rate.",
    kOpusBitrateMin,
    kOpusBitrateMax,
    kOpusBitrateDefault,
    kOpusPresets};

}  // namespace

const TQualityDialogSpec& VorbisQualitySpec() {
  return kVorbis;
}

const TQualityDialogSpec& OpusBitrateSpec() {
  return kOpus;
}

TEncoderQualityForm::TEncoderQualityForm(const TQualityDialogSpec& spec, QWidget* parent)
    : TKeyedDialog(parent) {
  setObjectName(spec.objectName);
  setWindowTitle(spec.title);
  setModal(true);

  GroupBox1 = new QGroupBox(spec.group, this);
  GroupBox1->setObjectName("GroupBox1");
  ValueEdit = new QSpinBox(GroupBox1);
  ValueEdit->setObjectName("ValueEdit");
  ValueEdit->setRange(spec.minimum, spec.maximum);
  ValueSlider = new QSlider(Qt::Horizontal, GroupBox1);
  ValueSlider->setObjectName("ValueSlider");
  ValueSlider->setRange(spec.minimum, spec.maximum);
  ValueSlider->setPageStep(std::max(1, (spec.maximum - spec.minimum) / 10));
  ValueSlider->setTickPosition(QSlider::TicksBelow);
  ValueSlider->setTickInterval(ValueSlider->pageStep());
  connect(ValueEdit, &QSpinBox::valueChanged, ValueSlider, &QSlider::setValue);
  connect(ValueSlider, &QSlider::valueChanged, ValueEdit, &QSpinBox::setValue);
  ValueEdit->setValue(spec.defaultValue);
  ValueLabel = new QLabel(spec.valueLabel, GroupBox1);
  ValueLabel->setObjectName("ValueLabel");
  ValueLabel->setBuddy(ValueEdit);
  RangeLabel = new QLabel(spec.rangeText, GroupBox1);
  RangeLabel->setObjectName("RangeLabel");

  auto* grid = new QGridLayout(GroupBox1);
  grid->setColumnStretch(2, 1);
  grid->addWidget(ValueLabel, 0, 0);
  grid->addWidget(ValueEdit, 0, 1);
  grid->addWidget(ValueSlider, 1, 0, 1, 3);
  grid->addWidget(RangeLabel, 2, 0, 1, 3);
  if (!spec.presets.empty()) {
    auto* presets = new QHBoxLayout;
    for (const TQualityPreset& preset : spec.presets) {
      auto* button = new QPushButton(preset.caption, GroupBox1);
      button->setObjectName(preset.objectName);
      button->setAutoDefault(false);
      const int value = preset.value;
      connect(button, &QPushButton::clicked, this, [this, value] { SetValue(value); });
      presets->addWidget(button);
    }
    presets->addStretch(1);
    grid->addLayout(presets, 3, 0, 1, 3);
  }
  if (*spec.note != '\0') {
    NoteLabel = new QLabel(spec.note, GroupBox1);
    NoteLabel->setObjectName("NoteLabel");
    NoteLabel->setWordWrap(true);
    // Wide enough for the note on two lines rather than a tall narrow column.
    NoteLabel->setMinimumWidth(NoteLabel->fontMetrics().averageCharWidth() * 40);
    grid->addWidget(NoteLabel, 4, 0, 1, 3);
  }

  OkButton = new QPushButton("&Ok", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(GroupBox1);
  outer->addLayout(buttons);
  // Follows its content, so a longer translation widens the dialog instead of clipping.
  outer->setSizeConstraint(QLayout::SetFixedSize);

  AttachLanguageController(this);
}

std::optional<int> TEncoderQualityForm::Ask() {
  const int before = Value();
  ValueEdit->setFocus();
  ValueEdit->selectAll();
  if (RunDialog(*this) == QDialog::Accepted) return Value();
  SetValue(before);
  return std::nullopt;
}

int TEncoderQualityForm::Value() const {
  return ValueEdit->value();
}

void TEncoderQualityForm::SetValue(int value) {
  // The spin box clamps to its range and moves the slider with it.
  ValueEdit->setValue(value);
}

}  // namespace quillon
