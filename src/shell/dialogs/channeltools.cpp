#include "shell/dialogs/channeltools.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "document/operation.h"
#include "localization/constants.h"
#include "localization/ui/langcontroller.h"
#include "platform/messagebox.h"

namespace quillon {

namespace {

constexpr uint32_t kCommonRates[] = {8000,  11025, 16000, 22050, 24000,  32000,
                                     44100, 48000, 88200, 96000, 176400, 192000};

QHBoxLayout* OkCancelRow(QPushButton* ok, QPushButton* cancel) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace

TRateAnswer ReadRate(const QString& text, uint32_t currentRate) {
  QString digits = text.trimmed();
  digits.remove(' ').remove(QChar(0x00a0)).remove(QChar(0x202f)).remove(',').remove('.');
  bool ok = digits.size() <= 9 && !digits.isEmpty();
  for (const QChar c : digits) ok = ok && c.isDigit() && c.unicode() < 128;
  const uint32_t rate = ok ? digits.toUInt(&ok) : 0;
  const std::string typed = text.trimmed().toStdString();
  if (!ok || rate < kMinSampleRate || rate > kMaxSampleRate)
    return {std::nullopt, ConstantText("ratenotread", "%1", typed)};
  if (rate == currentRate)
    return {std::nullopt, ConstantText("ratesame", "%1", std::to_string(rate))};
  return {rate, {}};
}

TSampleRateForm::TSampleRateForm(QWidget* parent) : QDialog(parent) {
  setObjectName("sampleratebox");
  setWindowTitle("Change Sample Rate");
  setModal(true);
  RateBox = new QComboBox(this);
  RateBox->setObjectName("RateBox");
  RateBox->setEditable(true);
  RateBox->setInsertPolicy(QComboBox::NoInsert);
  for (uint32_t rate : kCommonRates) RateBox->addItem(QString::number(rate));
  auto* rateLabel = new QLabel("&New rate (Hz, 8000 to 192000):", this);
  rateLabel->setObjectName("RateLabel");
  rateLabel->setBuddy(RateBox);
  CurrentLabel = new QLabel(this);
  CurrentLabel->setObjectName("CurrentLabel");
  OkButton = new QPushButton("&OK", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  CancelButton = new QPushButton("&Cancel", this);
  CancelButton->setObjectName("CancelButton");
  connect(OkButton, &QPushButton::clicked, this, &TSampleRateForm::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CurrentLabel);
  layout->addWidget(rateLabel);
  layout->addWidget(RateBox);
  ButtonRow = OkCancelRow(OkButton, CancelButton);
  layout->addLayout(ButtonRow);
  setMinimumWidth(340);
  AttachLanguageController(this);
}

void TSampleRateForm::SetCurrentRate(uint32_t rate) {
  current_ = rate;
  // Unknown (0) while the document an open will bring waits its turn.
  CurrentLabel->setText(
      rate ? QString::fromStdString(ConstantText("ratecurrent", "%1", std::to_string(rate)))
           : QString());
  // The usual step away from the present rate is offered: 44100 to 48000 and back.
  RateBox->setCurrentText(rate == 48000 ? "44100" : "48000");
  RateBox->lineEdit()->selectAll();
  RateBox->setFocus();
}

uint32_t TSampleRateForm::Rate() const {
  return chosen_;
}

std::optional<uint32_t> TSampleRateForm::TypedRate() const {
  return ReadRate(RateBox->currentText(), current_).rate;
}

void TSampleRateForm::accept() {
  const TRateAnswer answer = ReadRate(RateBox->currentText(), current_);
  if (!answer.rate) {
    MessageBoxes().Show(kApplicationTitle, answer.problem, TMessageIcon::Exclamation);
    return;
  }
  chosen_ = *answer.rate;
  QDialog::accept();
}

TMonoForm::TMonoForm(QWidget* parent) : QDialog(parent) {
  setObjectName("monoform");
  setWindowTitle("Convert to Mono");
  setModal(true);
  AverageButton = new QRadioButton("&Average of the two channels", this);
  AverageButton->setObjectName("AverageButton");
  AverageButton->setChecked(true);
  LeftButton = new QRadioButton("&Left channel only", this);
  LeftButton->setObjectName("LeftButton");
  RightButton = new QRadioButton("&Right channel only", this);
  RightButton->setObjectName("RightButton");
  NoteLabel = new QLabel(
      "The average keeps what both channels share at its level; a sound in one channel only "
      "becomes 6 dB quieter, and sounds of opposite phase cancel.",
      this);
  NoteLabel->setObjectName("NoteLabel");
  NoteLabel->setWordWrap(true);
  OkButton = new QPushButton("&OK", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  CancelButton = new QPushButton("&Cancel", this);
  CancelButton->setObjectName("CancelButton");
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(AverageButton);
  layout->addWidget(LeftButton);
  layout->addWidget(RightButton);
  layout->addWidget(NoteLabel);
  layout->addLayout(OkCancelRow(OkButton, CancelButton));
  setMinimumWidth(380);
  AttachLanguageController(this);
}

TMonoMix TMonoForm::Mix() const {
  if (LeftButton->isChecked()) return TMonoMix::Left;
  if (RightButton->isChecked()) return TMonoMix::Right;
  return TMonoMix::Average;
}

}  // namespace quillon
