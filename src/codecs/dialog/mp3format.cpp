#include "codecs/dialog/mp3format.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "platform/qt/dialogkeys.h"

namespace quillon {
namespace {

enum { kCbrPage = 0, kVbrPage = 1, kAbrPage = 2 };

QLabel* MakeLabel(const QString& text, const char* name, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setBuddy(buddy);
  return label;
}

QComboBox* MakeList(const char* name, std::initializer_list<int> rates, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  for (int rate : rates) list->addItem(QString::number(rate));
  list->setCurrentIndex(0);
  return list;
}

void Refill(QComboBox* list, const std::vector<int>& rates) {
  // Signals off: the lists are refilled wholesale and only the final selection matters.
  const QSignalBlocker quiet(list);
  list->clear();
  for (int rate : rates) list->addItem(QString::number(rate));
  list->setCurrentIndex(0);
}

void SelectClamped(QComboBox* list, int position) {
  if (list->count() == 0) return;
  list->setCurrentIndex(std::clamp(position, 0, list->count() - 1));
}

}  // namespace

Tmpegsettings::Tmpegsettings(QWidget* parent) : TKeyedDialog(parent) {
  setObjectName("mpegsettings");
  setWindowTitle("MPEG Layer3 Settings");

  GroupBox1 = new QGroupBox("  MP3 Settings  ", this);
  GroupBox1->setObjectName("GroupBox1");

  vbrmode = new QComboBox(GroupBox1);
  vbrmode->setObjectName("vbrmode");
  vbrmode->addItems({"Constant Bitrate (CBR)", "Variable Bitrate (VBR)", "Average Bitrate (ABR)"});
  vbrmode->setCurrentIndex(0);
  Label1 = MakeLabel("&Encoding Mode:", "Label1", vbrmode, GroupBox1);

  // Until the first document's rate is known the lists show the widest table, plus 16.
  bitrate = MakeList("bitrate", {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32, 16},
                     GroupBox1);
  Bitratelabel = MakeLabel("&Bitrate:", "Bitratelabel", bitrate, GroupBox1);
  maxbitrate = MakeList(
      "maxbitrate", {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32, 16}, GroupBox1);
  maxbitLabel = MakeLabel("Ma&ximum Bitrate:", "maxbitLabel", maxbitrate, GroupBox1);

  Notebook3 = new QStackedWidget(GroupBox1);
  Notebook3->setObjectName("Notebook3");

  auto* cbrPage = new QWidget;
  cbrPage->setObjectName("CBR");

  auto* vbrPage = new QWidget;
  vbrPage->setObjectName("VBR");
  vbrquality = new QSlider(Qt::Horizontal, vbrPage);
  vbrquality->setObjectName("vbrquality");
  vbrquality->setRange(0, 9);
  vbrquality->setValue(0);
  vbrquality->setSingleStep(1);
  vbrquality->setPageStep(1);
  vbrquality->setTickPosition(QSlider::TicksBelow);
  vbrquality->setTickInterval(1);
  Label37 = MakeLabel("&Quality:", "Label37", vbrquality, vbrPage);

  auto* abrPage = new QWidget;
  abrPage->setObjectName("ABR");
  avgbitrate = MakeList("avgbitrate",
                        {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32}, abrPage);
  Label40 = MakeLabel("&Targeted Bitrate:", "Label40", avgbitrate, abrPage);

  crc = new QCheckBox("&Checksum", GroupBox1);
  crc->setObjectName("crc");
  crc->setChecked(false);

  // Only a document opened from an MP3 of the same rate and channels has frames to keep.
  keepframes = new QCheckBox("&Keep the original MP3 frames; encode only what changed", GroupBox1);
  keepframes->setObjectName("keepframes");
  keepframes->setChecked(true);

  ratenote = new QLabel(GroupBox1);
  ratenote->setObjectName("ratenote");
  ratenote->setWordWrap(true);
  ratenote->setVisible(false);

  // The pages carry their own layouts, so their labels get the grid's label width by hand to keep
  // all controls in one column.
  int labelWidth = 0;
  for (QLabel* label : {Label1, Bitratelabel, maxbitLabel, Label37, Label40})
    labelWidth = std::max(labelWidth, label->sizeHint().width());
  for (QLabel* label : {Label1, Bitratelabel, maxbitLabel, Label37, Label40})
    label->setMinimumWidth(labelWidth);

  const int gap = 6;
  for (auto [page, label, control] :
       {std::tuple<QWidget*, QLabel*, QWidget*>{vbrPage, Label37, vbrquality},
        {abrPage, Label40, avgbitrate}}) {
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(gap);
    row->addWidget(label);
    row->addWidget(control, 1);
  }
  Notebook3->addWidget(cbrPage);
  Notebook3->addWidget(vbrPage);
  Notebook3->addWidget(abrPage);

  auto* grid = new QGridLayout(GroupBox1);
  grid->setHorizontalSpacing(gap);
  grid->setColumnStretch(1, 1);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(vbrmode, 0, 1);
  grid->addWidget(Bitratelabel, 1, 0);
  grid->addWidget(bitrate, 1, 1);
  grid->addWidget(maxbitLabel, 2, 0);
  grid->addWidget(maxbitrate, 2, 1);
  grid->addWidget(Notebook3, 3, 0, 1, 2);
  grid->addWidget(crc, 4, 0, 1, 2);
  grid->addWidget(keepframes, 5, 0, 1, 2);
  grid->addWidget(ratenote, 6, 0, 1, 2);

  Button1 = new QPushButton("&Ok", this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  Button2 = new QPushButton("Cancel", this);
  Button2->setObjectName("Button2");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(GroupBox1);
  outer->addLayout(buttons);
  // The dialog follows its content: it shrinks when the maximum bitrate row goes away.
  outer->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(vbrmode, bitrate);
  setTabOrder(bitrate, maxbitrate);
  setTabOrder(maxbitrate, vbrquality);
  setTabOrder(vbrquality, avgbitrate);
  setTabOrder(avgbitrate, crc);
  setTabOrder(crc, keepframes);
  setTabOrder(keepframes, Button1);
  setTabOrder(Button1, Button2);

  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  connect(vbrmode, &QComboBox::currentIndexChanged, this, &Tmpegsettings::vbrmodeChange);

  FormCreate();
}

void Tmpegsettings::FormCreate() {
  lastRate_ = 0;
  cbrPosition_ = 0;
  floorPosition_ = bitrate->count() - 1;
  // The slider's handle is left at the style's size: QSlider offers no handle length to scale
  // with the screen's DPI, and Qt's styles already scale it.
  vbrmodeChange();
}

void Tmpegsettings::vbrmodeChange() {
  const int mode = vbrmode->currentIndex();
  Notebook3->setCurrentIndex(std::clamp(mode, int{kCbrPage}, int{kAbrPage}));
  const bool capped = mode != kCbrPage;
  maxbitLabel->setVisible(capped);
  maxbitrate->setVisible(capped);
  if (capped == bitrateIsFloor_) return;
  (bitrateIsFloor_ ? floorPosition_ : cbrPosition_) = bitrate->currentIndex();
  bitrateIsFloor_ = capped;
  SelectClamped(bitrate, bitrateIsFloor_ ? floorPosition_ : cbrPosition_);
}

void Tmpegsettings::ShowRateNotice(uint32_t sampleRate) {
  const std::string notice = Mp3RateNotice(sampleRate);
  ratenote->setText(QString::fromStdString(notice));
  ratenote->setVisible(!notice.empty());
}

void Tmpegsettings::FormActivate(uint32_t sampleRate) {
  vbrmodeChange();
  // Every showing: the interface language may have changed since the last.
  ShowRateNotice(sampleRate);
  // Same rate as last time: keep whatever the user picked then.
  if (sampleRate == lastRate_) return;
  lastRate_ = sampleRate;
  // The targeted list is refilled too, so that what it shows is what gets encoded.
  for (QComboBox* list : {bitrate, maxbitrate, avgbitrate})
    Refill(list, OfferedBitrates(sampleRate));
  cbrPosition_ = DefaultBitratePosition(TMp3Mode::Cbr, sampleRate);
  floorPosition_ = DefaultBitratePosition(TMp3Mode::Vbr, sampleRate);
  SelectClamped(bitrate, bitrateIsFloor_ ? floorPosition_ : cbrPosition_);
}

void Tmpegsettings::Prepare(uint32_t sampleRate) {
  FormActivate(sampleRate);
}

std::optional<TMp3Choice> Tmpegsettings::Ask(uint32_t sampleRate) {
  Prepare(sampleRate);
  if (RunDialog(*this) != QDialog::Accepted) return std::nullopt;
  return Choice();
}

TMp3Choice Tmpegsettings::Choice() const {
  TMp3Choice choice;
  choice.mode = static_cast<TMp3Mode>(std::clamp(vbrmode->currentIndex(), 0, 2));
  choice.bitratePosition = bitrate->currentIndex();
  choice.maxBitratePosition = maxbitrate->currentIndex();
  choice.qualityPosition = vbrquality->value();
  choice.averagePosition = avgbitrate->currentIndex();
  choice.crc = crc->isChecked();
  choice.keepFrames = keepframes->isChecked();
  return choice;
}

void Tmpegsettings::SetChoice(const TMp3Choice& choice) {
  SelectClamped(vbrmode, static_cast<int>(choice.mode));
  SelectClamped(bitrate, choice.bitratePosition);
  SelectClamped(maxbitrate, choice.maxBitratePosition);
  SelectClamped(avgbitrate, choice.averagePosition);
  // The slider clamps to its own range.
  vbrquality->setValue(choice.qualityPosition);
  crc->setChecked(choice.crc);
  keepframes->setChecked(choice.keepFrames);
  vbrmodeChange();
}

}  // namespace quillon
