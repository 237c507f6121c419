#include "shell/dialogs/measureloudness.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/loudness.h"
#include "localization/ui/langcontroller.h"

namespace quillon {

namespace {

struct TRowText {
  const char* name;
  const char* caption;
};
constexpr TRowText kRows[] = {{"IntegratedLabel", "Integrated loudness:"},
                              {"RangeLabel", "Loudness range:"},
                              {"MomentaryLabel", "Maximum momentary loudness:"},
                              {"ShortTermLabel", "Maximum short-term loudness:"},
                              {"TruePeakLabel", "True peak:"},
                              {"SamplePeakLabel", "Sample peak:"}};

}  // namespace

TMeasureLoudnessForm::TMeasureLoudnessForm(QWidget* parent) : QDialog(parent) {
  setObjectName("measureloudnessform");
  setWindowTitle("Measure Loudness");
  ScopeLabel = new QLabel(this);
  ScopeLabel->setObjectName("ScopeLabel");
  ScopeLabel->setWordWrap(true);
  auto* grid = new QGridLayout;
  for (int row = 0; row < 6; ++row) {
    auto* caption = new QLabel(kRows[row].caption, this);
    caption->setObjectName(kRows[row].name);
    ValueLabels[row] = new QLabel(this);
    ValueLabels[row]->setObjectName(QString(kRows[row].name).replace("Label", "Value"));
    ValueLabels[row]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ValueLabels[row]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ValueLabels[row]->setMinimumWidth(110);
    grid->addWidget(caption, row, 0);
    grid->addWidget(ValueLabels[row], row, 1);
  }
  NoteLabel = new QLabel(this);
  NoteLabel->setObjectName("NoteLabel");
  NoteLabel->setWordWrap(true);
  Progress = new QProgressBar(this);
  Progress->setObjectName("MeasureProgress");
  Progress->setRange(0, 100);
  Progress->setTextVisible(false);
  CancelButton = new QPushButton("&Cancel", this);
  CancelButton->setObjectName("CancelButton");
  CloseButton = new QPushButton("C&lose", this);
  CloseButton->setObjectName("CloseButton");
  CloseButton->setDefault(true);
  connect(CancelButton, &QPushButton::clicked, this, [this] {
    SetRunning(false);
    if (OnCancel) OnCancel();
  });
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Progress, 1);
  buttons->addWidget(CancelButton);
  buttons->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ScopeLabel);
  layout->addLayout(grid);
  layout->addWidget(NoteLabel);
  layout->addLayout(buttons);
  setMinimumWidth(380);
  SetRunning(false);
  AttachLanguageController(this);
}

void TMeasureLoudnessForm::SetRunning(bool running) {
  Progress->setVisible(running);
  CancelButton->setVisible(running);
  if (!running) Progress->setValue(0);
}

void TMeasureLoudnessForm::ShowMeasuring(const std::string& scope) {
  ScopeLabel->setText(QString::fromStdString(scope));
  for (QLabel* value : ValueLabels) value->clear();
  NoteLabel->clear();
  SetRunning(true);
}

void TMeasureLoudnessForm::SetProgress(int percent) {
  Progress->setValue(percent);
}

void TMeasureLoudnessForm::ShowResult(const std::string& scope, const TLoudness& loudness) {
  ScopeLabel->setText(QString::fromStdString(scope));
  const std::pair<double, const char*> values[] = {
      {loudness.integratedLufs, "LUFS"},   {loudness.rangeLu, "LU"},
      {loudness.maxMomentaryLufs, "LUFS"}, {loudness.maxShortTermLufs, "LUFS"},
      {loudness.truePeakDbtp, "dBTP"},     {loudness.samplePeakDbfs, "dBFS"}};
  for (int row = 0; row < 6; ++row)
    ValueLabels[row]->setText(
        QString::fromStdString(FormatLevel(values[row].first, values[row].second)));
  NoteLabel->clear();
  SetRunning(false);
}

void TMeasureLoudnessForm::ShowNote(const std::string& note) {
  NoteLabel->setText(QString::fromStdString(note));
  SetRunning(false);
}

QString TMeasureLoudnessForm::ValueText(int row) const {
  return ValueLabels.at(row)->text();
}

}  // namespace quillon
