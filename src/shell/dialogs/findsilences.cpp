#include "shell/dialogs/findsilences.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "localization/ui/langcontroller.h"

namespace quillon {

namespace {

// The sliders count whole decibels, tenths of a second and hundredths of a second.
constexpr int kMinLengthSteps = 10;
constexpr int kPaddingSteps = 100;

QSlider* MakeSlider(QWidget* parent, const char* name, int minimum, int maximum, int page) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(name);
  slider->setRange(minimum, maximum);
  slider->setPageStep(page);
  slider->setMinimumWidth(220);
  return slider;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TFindSilencesForm::TFindSilencesForm(QWidget* parent) : QDialog(parent) {
  setObjectName("findsilencesform");
  setWindowTitle("Find Silences");
  ThresholdSlider = MakeSlider(this, "ThresholdSlider", -90, -20, 5);
  MinLengthSlider = MakeSlider(this, "MinLengthSlider", 1, 100, 5);
  PaddingSlider = MakeSlider(this, "PaddingSlider", 0, 100, 5);
  ThresholdValue = new QLabel(this);
  ThresholdValue->setObjectName("ThresholdValue");
  MinLengthValue = new QLabel(this);
  MinLengthValue->setObjectName("MinLengthValue");
  PaddingValue = new QLabel(this);
  PaddingValue->setObjectName("PaddingValue");
  CountLabel = new QLabel(this);
  CountLabel->setObjectName("CountLabel");
  QFont bold = CountLabel->font();
  bold.setBold(true);
  CountLabel->setFont(bold);
  auto* grid = new QGridLayout;
  const std::pair<const char*, const char*> captions[] = {
      {"ThresholdLabel", "&Threshold (dBFS):"},
      {"MinLengthLabel", "&Minimum length (s):"},
      {"PaddingLabel", "&Padding (s):"}};
  QSlider* sliders[] = {ThresholdSlider, MinLengthSlider, PaddingSlider};
  QLabel* values[] = {ThresholdValue, MinLengthValue, PaddingValue};
  for (int row = 0; row < 3; ++row) {
    auto* label = new QLabel(captions[row].second, this);
    label->setObjectName(captions[row].first);
    label->setBuddy(sliders[row]);
    values[row]->setMinimumWidth(fontMetrics().horizontalAdvance("-00.00"));
    values[row]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, row, 0);
    grid->addWidget(sliders[row], row, 1);
    grid->addWidget(values[row], row, 2);
    connect(sliders[row], &QSlider::valueChanged, this, [this] {
      ShowValues();
      if (OnChanged) OnChanged();
    });
  }
  SelectButton = MakeButton(this, "SelectButton", "&Select Next");
  DeleteButton = MakeButton(this, "DeleteButton", "&Delete Them");
  ShortenButton = MakeButton(this, "ShortenButton", "S&horten Each To (s):");
  RegionsButton = MakeButton(this, "RegionsButton", "Make &Regions of the Sounds");
  CloseButton = MakeButton(this, "CloseButton", "&Close");
  ShortenEdit = new QDoubleSpinBox(this);
  ShortenEdit->setObjectName("ShortenEdit");
  ShortenEdit->setRange(0, 10);
  ShortenEdit->setDecimals(2);
  ShortenEdit->setSingleStep(0.1);
  ShortenEdit->setValue(0.5);
  auto call = [](const std::function<void()>& handler) {
    return [&handler] {
      if (handler) handler();
    };
  };
  connect(SelectButton, &QPushButton::clicked, this, call(OnSelectNext));
  connect(DeleteButton, &QPushButton::clicked, this, call(OnDelete));
  connect(ShortenButton, &QPushButton::clicked, this, call(OnShorten));
  connect(RegionsButton, &QPushButton::clicked, this, call(OnRegions));
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* shortenRow = new QHBoxLayout;
  shortenRow->addWidget(ShortenButton, 1);
  shortenRow->addWidget(ShortenEdit);
  auto* commands = new QGridLayout;
  commands->addWidget(SelectButton, 0, 0);
  commands->addWidget(DeleteButton, 0, 1);
  commands->addLayout(shortenRow, 1, 0);
  commands->addWidget(RegionsButton, 1, 1);
  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch(1);
  closeRow->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(CountLabel);
  layout->addLayout(commands);
  layout->addLayout(closeRow);
  SetSearch({});
  ShowCount("", false);
  AttachLanguageController(this);
}

TSilenceSearch TFindSilencesForm::Search() const {
  return {static_cast<double>(ThresholdSlider->value()),
          static_cast<double>(MinLengthSlider->value()) / kMinLengthSteps,
          static_cast<double>(PaddingSlider->value()) / kPaddingSteps};
}

void TFindSilencesForm::SetSearch(const TSilenceSearch& search) {
  {
    const QSignalBlocker a(ThresholdSlider), b(MinLengthSlider), c(PaddingSlider);
    ThresholdSlider->setValue(static_cast<int>(std::lround(search.thresholdDb)));
    MinLengthSlider->setValue(static_cast<int>(std::lround(search.minSeconds * kMinLengthSteps)));
    PaddingSlider->setValue(static_cast<int>(std::lround(search.paddingSeconds * kPaddingSteps)));
  }
  ShowValues();
}

double TFindSilencesForm::ShortenSeconds() const {
  return ShortenEdit->value();
}

void TFindSilencesForm::ShowCount(const std::string& text, bool any) {
  CountLabel->setText(QString::fromStdString(text));
  for (QPushButton* button : {SelectButton, DeleteButton, ShortenButton, RegionsButton})
    button->setEnabled(any);
}

void TFindSilencesForm::ShowValues() {
  const TSilenceSearch search = Search();
  ThresholdValue->setText(QString::number(search.thresholdDb, 'f', 0));
  MinLengthValue->setText(QString::number(search.minSeconds, 'f', 1));
  PaddingValue->setText(QString::number(search.paddingSeconds, 'f', 2));
}

void TFindSilencesForm::done(int result) {
  QDialog::done(result);
  if (OnClosed) OnClosed();
}

}  // namespace quillon
