#include "shell/dialogs/normalizeloudness.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "localization/constants.h"
#include "localization/ui/langcontroller.h"
#include "platform/messagebox.h"

namespace quillon {

namespace {

QString Number(double value) {
  return QString::number(value, 'f', std::round(value) == value ? 0 : 1);
}

}  // namespace

std::optional<double> ParseTypedNumber(const QString& text) {
  QString plain = text.trimmed();
  plain.replace(QChar(0x2212), '-').replace(',', '.');
  if (plain.isEmpty() || plain.size() > 32) return std::nullopt;
  bool ok = false;
  const double value = plain.toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

TNormalizeLoudnessForm::TNormalizeLoudnessForm(QWidget* parent) : QDialog(parent) {
  setObjectName("normalizeloudnessform");
  setWindowTitle("Normalize Loudness");
  setModal(true);
  PresetBox = new QComboBox(this);
  PresetBox->setObjectName("PresetBox");
  PresetBox->addItems({"Podcast (-16 LUFS)", "Mono podcast (-19 LUFS)", "Streaming (-14 LUFS)",
                       "Broadcast (-23 LUFS)", "Another target"});
  TargetEdit = new QLineEdit(Number(kLoudnessPresets[0]), this);
  TargetEdit->setObjectName("TargetEdit");
  CeilingEdit = new QLineEdit("-1", this);
  CeilingEdit->setObjectName("CeilingEdit");
  auto* presetLabel = new QLabel("&Preset:", this);
  presetLabel->setObjectName("PresetLabel");
  presetLabel->setBuddy(PresetBox);
  auto* targetLabel = new QLabel("&Target (LUFS):", this);
  targetLabel->setObjectName("TargetLabel");
  targetLabel->setBuddy(TargetEdit);
  auto* ceilingLabel = new QLabel("True-peak &ceiling (dBTP):", this);
  ceilingLabel->setObjectName("CeilingLabel");
  ceilingLabel->setBuddy(CeilingEdit);
  ForecastLabel = new QLabel(this);
  ForecastLabel->setObjectName("ForecastLabel");
  ForecastLabel->setWordWrap(true);
  ForecastLabel->setMinimumHeight(2 * fontMetrics().height());
  OkButton = new QPushButton("&OK", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  CancelButton = new QPushButton("&Cancel", this);
  CancelButton->setObjectName("CancelButton");
  connect(OkButton, &QPushButton::clicked, this, &TNormalizeLoudnessForm::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(PresetBox, &QComboBox::currentIndexChanged, this, &TNormalizeLoudnessForm::PresetChosen);
  connect(TargetEdit, &QLineEdit::textEdited, this, [this] {
    // A typed target that is a preset's shows as that preset.
    int index = PresetBox->count() - 1;
    const auto typed = ParseTypedNumber(TargetEdit->text());
    for (int i = 0; typed && i < static_cast<int>(std::size(kLoudnessPresets)); ++i)
      if (*typed == kLoudnessPresets[i]) index = i;
    const QSignalBlocker quiet(PresetBox);
    PresetBox->setCurrentIndex(index);
    ShowForecast();
  });
  connect(CeilingEdit, &QLineEdit::textEdited, this, &TNormalizeLoudnessForm::ShowForecast);

  auto* form = new QFormLayout;
  form->addRow(presetLabel, PresetBox);
  form->addRow(targetLabel, TargetEdit);
  form->addRow(ceilingLabel, CeilingEdit);
  ButtonRow = new QHBoxLayout;
  ButtonRow->addStretch(1);
  ButtonRow->addWidget(OkButton);
  ButtonRow->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(ForecastLabel);
  layout->addLayout(ButtonRow);
  setMinimumWidth(400);
  AttachLanguageController(this);
}

void TNormalizeLoudnessForm::PresetChosen(int index) {
  if (index >= 0 && index < static_cast<int>(std::size(kLoudnessPresets)))
    TargetEdit->setText(Number(kLoudnessPresets[index]));
  else
    TargetEdit->setFocus();
  ShowForecast();
}

void TNormalizeLoudnessForm::SetMeasured(std::optional<TLoudness> measured) {
  measured_ = measured;
  ShowForecast();
}

std::optional<std::string> TNormalizeLoudnessForm::Problem() const {
  for (const QLineEdit* edit : {TargetEdit, CeilingEdit})
    if (!ParseTypedNumber(edit->text()))
      return ConstantText("numbernotread", "%1", edit->text().toStdString());
  return TargetRefusal(Target());
}

TLoudnessTarget TNormalizeLoudnessForm::Target() const {
  return {ParseTypedNumber(TargetEdit->text()).value_or(0),
          ParseTypedNumber(CeilingEdit->text()).value_or(0)};
}

void TNormalizeLoudnessForm::ShowForecast() {
  std::string text;
  if (Problem()) {
    text.clear();
  } else if (!measured_) {
    text = ConstantText("loudnessforecastwait");
  } else if (const auto gain =
                 GainForTarget(measured_->integratedLufs, measured_->truePeakDbtp, Target())) {
    char db[32];
    std::snprintf(db, sizeof db, "%+.1f dB", gain->gainDb);
    const std::string result = FormatLevel(gain->resultLufs, "LUFS");
    text = ConstantText(gain->limitedByCeiling ? "loudnessforecastlimited" : "loudnessforecast",
                        {db, result});
  } else {
    text = ConstantText("loudnessnone");
  }
  ForecastLabel->setText(QString::fromStdString(text));
  emit ForecastShown();
}

std::optional<double> TNormalizeLoudnessForm::PlannedGain() const {
  if (!measured_ || Problem()) return std::nullopt;
  const auto gain = GainForTarget(measured_->integratedLufs, measured_->truePeakDbtp, Target());
  if (!gain) return std::nullopt;
  return std::pow(10.0, gain->gainDb / 20);
}

void TNormalizeLoudnessForm::accept() {
  if (const auto problem = Problem()) {
    MessageBoxes().Show(kApplicationTitle, *problem, TMessageIcon::Exclamation);
    return;
  }
  QDialog::accept();
}

}  // namespace quillon
