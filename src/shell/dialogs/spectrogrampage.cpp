#include "shell/dialogs/spectrogrampage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <cmath>

namespace quillon {

namespace {

QLabel* Label(const char* name, const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

TSpectrogramPage::TSpectrogramPage(QWidget* parent) : QWidget(parent) {
  setObjectName("SpectrogramSheet");
  auto* form = new QFormLayout(this);
  auto combo = [this](const char* name, const QStringList& items) {
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    box->addItems(items);
    connect(box, &QComboBox::currentIndexChanged, this, [this] {
      if (!showing_) emit Changed(Value());
    });
    return box;
  };
  auto spin = [this](const char* name, int low, int high) {
    auto* box = new QSpinBox(this);
    box->setObjectName(name);
    box->setRange(low, high);
    box->setSuffix(" dB");
    connect(box, &QSpinBox::valueChanged, this, [this] {
      if (!showing_) emit Changed(Value());
    });
    return box;
  };
  QStringList sizes;
  for (int size = kMinSpectrumWindow; size <= kMaxSpectrumWindow; size *= 2)
    sizes << QString::number(size);
  WindowSizeBox = combo("WindowSizeBox", sizes);
  WindowShapeBox = combo("WindowShapeBox", {"Hann", "Blackman-Harris"});
  FrequencyScaleBox = combo("FrequencyScaleBox", {"Linear", "Logarithmic", "Mel"});
  ColourMapBox = combo(
      "ColourMapBox", {"Greyscale", "Blue-green-yellow", "Black-purple-white", "Blue-grey-yellow"});
  RangeBox = spin("RangeBox", 20, 120);
  GainBox = spin("GainBox", -60, 60);
  form->addRow(Label("WindowSizeLabel", "Window size:", this), WindowSizeBox);
  form->addRow(Label("WindowShapeLabel", "Window shape:", this), WindowShapeBox);
  form->addRow(Label("FrequencyScaleLabel", "Frequency scale:", this), FrequencyScaleBox);
  form->addRow(Label("ColourMapLabel", "Colours:", this), ColourMapBox);
  form->addRow(Label("RangeLabel", "Level range:", this), RangeBox);
  form->addRow(Label("GainLabel", "Gain:", this), GainBox);
  Show({});
}

void TSpectrogramPage::Show(const TSpectrumSettings& settings) {
  showing_ = true;
  WindowSizeBox->setCurrentIndex(static_cast<int>(std::log2(settings.window / kMinSpectrumWindow)));
  WindowShapeBox->setCurrentIndex(static_cast<int>(settings.shape));
  FrequencyScaleBox->setCurrentIndex(static_cast<int>(settings.scale));
  ColourMapBox->setCurrentIndex(settings.colourMap);
  RangeBox->setValue(static_cast<int>(std::lround(settings.rangeDb)));
  GainBox->setValue(static_cast<int>(std::lround(settings.gainDb)));
  showing_ = false;
}

TSpectrumSettings TSpectrogramPage::Value() const {
  TSpectrumSettings settings;
  settings.window = kMinSpectrumWindow << std::max(0, WindowSizeBox->currentIndex());
  settings.shape = static_cast<TWindowShape>(std::max(0, WindowShapeBox->currentIndex()));
  settings.scale = static_cast<TFrequencyScale>(std::max(0, FrequencyScaleBox->currentIndex()));
  settings.colourMap = std::max(0, ColourMapBox->currentIndex());
  settings.rangeDb = RangeBox->value();
  settings.gainDb = GainBox->value();
  return HeldSpectrumSettings(settings);
}

}  // namespace quillon
