#include "shell/dialogs/properties.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "document/sourceformat.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "localization/ui/langcontroller.h"
#include "platform/messagebox.h"
#include "shell/dialogs/tageditor.h"
#include "shell/utils.h"

namespace quillon {
namespace {

constexpr const char* kRowCaptions[kPropertyRowCount] = {
    "Format",  "Sample Rate",        "Channels",          "Bits per sample", "Duration",
    "Samples", "Original File Size", "Uncompressed Size", "Peak Level"};
constexpr int kCaptionColumnWidth = 200;
constexpr const char* kDesignedValues[kPropertyRowCount] = {
    "WAV", "44100Hz", "2", "16", "0:00:00", "0", "0 bytes", "0 bytes", "-90 dB"};

// Upper-cased extension without its dot; empty when the name has none.
QString FormatName(const std::string& fileName) {
  const std::string extension = std::filesystem::path(fileName).extension().string();
  return extension.empty() ? QString() : QString::fromStdString(extension.substr(1)).toUpper();
}

QString Grouped(double number) {
  return QLocale().toString(number, 'f', 0);
}

QString Bytes(double number) {
  return Grouped(number) + " " + QString::fromStdString(ConstantText("bytes"));
}

// The document's value, and the source's in brackets when it differs.
QString WithSource(const QString& value, const std::string& source) {
  if (source.empty()) return value;
  return value + " (" + QString::fromStdString(ConstantText("insource", "%s", source)) + ")";
}

QString ChannelsValue(const TFileFacts& facts) {
  const bool mixedDown = facts.sourceChannels > facts.channels;
  return WithSource(QString::number(facts.channels),
                    mixedDown ? std::to_string(facts.sourceChannels) : std::string());
}

QString BitsValue(const TFileFacts& facts) {
  const bool same = facts.originalBits == 16 && !facts.originalFloat;
  return WithSource("16",
                    same ? std::string() : ResolutionName(facts.originalBits, facts.originalFloat));
}

}  // namespace

QStringList PropertyValues(const TFileFacts& facts) {
  return {FormatName(facts.fileName),
          QString::number(facts.sampleRate) + " Hz",
          ChannelsValue(facts),
          BitsValue(facts),
          QString::fromStdString(FormatDuration(facts.duration)),
          Grouped(facts.frameCount),
          Bytes(static_cast<double>(facts.originalFileSize)),
          Bytes(facts.dataBytes),
          QString::number(facts.peakDb, 'g', 3) + " dB"};
}

uint64_t SourceFileSize(const std::string& path) {
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) return 0;
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return 0;
  const std::streamoff size = file.tellg();
  return size > 0 ? static_cast<uint64_t>(size) : 0;
}

TPropertiesForm::TPropertiesForm(QWidget* parent) : QDialog(parent) {
  setObjectName("PropertiesForm");
  setWindowTitle("File Properties");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);

  LV = new QTreeWidget(this);
  LV->setObjectName("LV");
  LV->setColumnCount(2);
  LV->setHeaderLabels({"Properties", "Values"});
  LV->setHeaderHidden(true);
  LV->header()->resizeSection(0, kCaptionColumnWidth);
  LV->header()->setStretchLastSection(true);
  LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LV->setSelectionBehavior(QAbstractItemView::SelectRows);
  LV->setAllColumnsShowFocus(true);
  LV->setStyleSheet("QTreeView::item { border-bottom: 1px solid palette(midlight); }");
  auto* audioFormat = new QTreeWidgetItem(LV, {"Audio Format"});
  new QTreeWidgetItem(LV, {"Meta Data"});
  for (int row = 0; row < kPropertyRowCount; ++row)
    new QTreeWidgetItem(audioFormat, {kRowCaptions[row], kDesignedValues[row]});
  audioFormat->setExpanded(true);

  // The list keeps its designed size; the tags beside it take what their texts need.
  LV->setMinimumSize(400, 220);

  Tags = new TTagEditor(this);

  Button1 = new QPushButton("Ok", this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, [this] {
    if (Apply()) close();
  });
  ApplyButton = new QPushButton("&Apply", this);
  ApplyButton->setObjectName("ApplyButton");
  connect(ApplyButton, &QPushButton::clicked, this, [this] { Apply(); });
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  connect(CancelButton, &QPushButton::clicked, this, [this] {
    Discard();
    close();
  });
  connect(Tags, &TTagEditor::EditsChanged, this,
          [this] { ApplyButton->setEnabled(document_ && Tags->Changed()); });
  ApplyButton->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {Button1, ApplyButton, CancelButton}) buttons->addWidget(button);
  auto* panes = new QHBoxLayout;
  panes->addWidget(LV, 1);
  panes->addWidget(Tags, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(panes, 1);
  layout->addLayout(buttons);
  // As large as its texts need in every language, and no larger.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // The values' units are built in code: a language change writes them again.
  if (TVxLanguageController* controller = AttachLanguageController(this))
    controller->OnLanguageChanged = [this] {
      FitCaptionColumn();
      if (document_) fillinfo(*document_);
    };
  FitCaptionColumn();
}

void TPropertiesForm::FitCaptionColumn() {
  // The designed width, or what the longest caption of the language needs.
  const QAbstractItemView* list = LV;
  LV->header()->resizeSection(0, std::max(kCaptionColumnWidth, list->sizeHintForColumn(0)));
}

void TPropertiesForm::setfilename(Twavefile& document) {
  document_ = &document;
  fillinfo(document);
  FillTags();
}

void TPropertiesForm::DocumentChanged() {
  // A hidden window is refilled when it shows.
  if (document_ && isVisible()) setfilename(*document_);
}

bool TPropertiesForm::Apply() {
  if (!document_ || !Tags->Changed()) return true;
  // A save that is running would end by calling the document unmodified, change and all.
  if (document_->Busy()) {
    MessageBoxes().Show(kApplicationTitle, ConstantText("operationinprogress"),
                        TMessageIcon::Information);
    return false;
  }
  const TTags edited = Tags->Edited();
  // Shown first, so that the change the document reports finds nothing left to apply.
  Tags->Show(edited);
  document_->SetTags(edited);
  return true;
}

bool TPropertiesForm::SettleEdits() {
  if (!document_ || !Tags->Changed()) return true;
  switch (MessageBoxes().AskYesNoCancel(windowTitle().toStdString(), ConstantText("applytags"))) {
    case TAnswer::Yes:
      return Apply();
    case TAnswer::No:
      Discard();
      return true;
    case TAnswer::Cancel:
      break;
  }
  return false;
}

void TPropertiesForm::reject() {
  if (SettleEdits()) QDialog::reject();
}

void TPropertiesForm::showEvent(QShowEvent* event) {
  if (document_) setfilename(*document_);
  QDialog::showEvent(event);
}

void TPropertiesForm::FillTags() {
  // Edits not yet applied win over what the document holds; Apply or Cancel settles them.
  if (!Tags->Changed()) Tags->Show(document_->Tags());
  ApplyButton->setEnabled(Tags->Changed());
}

void TPropertiesForm::Discard() {
  if (document_) Tags->Show(document_->Tags());
}

void TPropertiesForm::fillinfo(const Twavefile& document) {
  TFileFacts facts;
  facts.fileName = document.FileName();
  facts.sampleRate = document.SampleRate();
  facts.channels = document.Channels();
  facts.sourceChannels = document.SourceChannels();
  facts.originalBits = document.OriginalBits();
  facts.originalFloat = document.OriginalFloat();
  facts.duration = document.Duration();
  facts.frameCount = document.FrameCount();
  facts.originalFileSize = SourceFileSize(document.FileName());
  facts.dataBytes = document.DataBytes();
  facts.peakDb = document.PeakDb();
  const QStringList values = PropertyValues(facts);
  QTreeWidgetItem* group = AudioFormatGroup();
  for (int row = 0; row < kPropertyRowCount; ++row) group->child(row)->setText(1, values[row]);
}

QString TPropertiesForm::RowValue(int row) const {
  QTreeWidgetItem* item = AudioFormatGroup()->child(row);
  return item ? item->text(1) : QString();
}

QTreeWidgetItem* TPropertiesForm::AudioFormatGroup() const {
  return LV->topLevelItem(0);
}

}  // namespace quillon
