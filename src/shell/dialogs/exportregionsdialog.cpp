#include "shell/dialogs/exportregionsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "localization/constants.h"
#include "localization/ui/langcontroller.h"

namespace quillon {

namespace {

// Names the preview shows before it says how many follow.
constexpr size_t kPreviewNames = 5;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace

TExportRegionsForm::TExportRegionsForm(QWidget* parent) : QDialog(parent) {
  setObjectName("exportRegionsForm");
  setWindowTitle("Export Regions");
  setModal(true);

  SplitBox = Named(new QGroupBox("Split", this), "SplitBox");
  MarkersRadio = Named(new QRadioButton("Split at every &marker", SplitBox), "MarkersRadio");
  RegionsRadio = Named(new QRadioButton("Save each &region", SplitBox), "RegionsRadio");
  KeepBeforeCheck =
      Named(new QCheckBox("&Keep the audio before the first marker", SplitBox), "KeepBeforeCheck");
  auto* splitColumn = new QVBoxLayout(SplitBox);
  splitColumn->addWidget(MarkersRadio);
  splitColumn->addWidget(KeepBeforeCheck);
  splitColumn->addWidget(RegionsRadio);

  FolderLabel = Named(new QLabel("Output &folder:", this), "FolderLabel");
  FolderEdit = Named(new QLineEdit(this), "FolderEdit");
  FolderLabel->setBuddy(FolderEdit);
  BrowseButton = Named(new QPushButton("&Browse...", this), "BrowseButton");
  BrowseButton->setAutoDefault(false);
  FormatLabel = Named(new QLabel("F&ormat:", this), "FormatLabel");
  FormatCombo = Named(new QComboBox(this), "FormatCombo");
  FormatCombo->addItems({"WAV", "MP3", "FLAC", "Ogg Vorbis", "Opus"});
  FormatLabel->setBuddy(FormatCombo);
  PatternLabel = Named(new QLabel("Name &pattern:", this), "PatternLabel");
  PatternEdit = Named(new QLineEdit(this), "PatternEdit");
  PatternLabel->setBuddy(PatternEdit);
  PatternHelpLabel =
      Named(new QLabel("%n number, %t total, %m marker or region name, %s source file name", this),
            "PatternHelpLabel");
  PatternHelpLabel->setWordWrap(true);
  PreviewLabel = Named(new QLabel("Preview:", this), "PreviewLabel");
  PreviewList = Named(new QLabel(this), "PreviewList");
  PreviewList->setTextFormat(Qt::PlainText);
  PreviewList->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  PreviewList->setFrameShape(QFrame::StyledPanel);
  // Room for the names shown and the line that counts the rest.
  PreviewList->setMinimumHeight(
      PreviewList->fontMetrics().lineSpacing() * static_cast<int>(kPreviewNames + 1) + 8);
  PreviewList->setMinimumWidth(PreviewList->fontMetrics().averageCharWidth() * 56);
  SettingsNoteLabel = Named(
      new QLabel("MP3, Ogg Vorbis and Opus ask for their settings once, for all files.", this),
      "SettingsNoteLabel");
  SettingsNoteLabel->setWordWrap(true);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  grid->addWidget(FolderLabel, 0, 0);
  grid->addWidget(FolderEdit, 0, 1);
  grid->addWidget(BrowseButton, 0, 2);
  grid->addWidget(FormatLabel, 1, 0);
  grid->addWidget(FormatCombo, 1, 1, 1, 2, Qt::AlignLeft);
  grid->addWidget(SettingsNoteLabel, 2, 1, 1, 2);
  grid->addWidget(PatternLabel, 3, 0);
  grid->addWidget(PatternEdit, 3, 1, 1, 2);
  grid->addWidget(PatternHelpLabel, 4, 1, 1, 2);
  grid->addWidget(PreviewLabel, 5, 0, Qt::AlignTop);
  grid->addWidget(PreviewList, 5, 1, 1, 2);

  ExportButton = Named(new QPushButton("&Export", this), "ExportButton");
  ExportButton->setDefault(true);
  CancelButton = Named(new QPushButton("Cancel", this), "CancelButton");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ExportButton);
  buttons->addWidget(CancelButton);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(SplitBox);
  outer->addLayout(grid);
  outer->addLayout(buttons);
  // Follows its content, so a longer translation widens the dialog instead of clipping.
  outer->setSizeConstraint(QLayout::SetFixedSize);

  connect(ExportButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(BrowseButton, &QPushButton::clicked, this, [this] { BrowseClick(); });
  for (QRadioButton* radio : {MarkersRadio, RegionsRadio})
    connect(radio, &QRadioButton::toggled, this, [this] { UpdatePreview(); });
  connect(KeepBeforeCheck, &QCheckBox::toggled, this, [this] { UpdatePreview(); });
  connect(FormatCombo, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
  for (QLineEdit* edit : {PatternEdit, FolderEdit})
    connect(edit, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
  AskFolder = [this](const QString& start) {
    return QFileDialog::getExistingDirectory(this, windowTitle(), start, QFileDialog::ShowDirsOnly);
  };

  AttachLanguageController(this);
}

void TExportRegionsForm::Offer(const TMarkerList& list, int64_t frameCount, const TTags& tags,
                               const std::string& sourcePath, const TSplitChoice& offered) {
  list_ = list;
  frameCount_ = frameCount;
  tags_ = tags;
  sourcePath_ = sourcePath;
  MarkersRadio->setEnabled(!list.markers.empty());
  RegionsRadio->setEnabled(!list.regions.empty());
  const bool byRegions =
      list.markers.empty() || (offered.by != TSplitBy::markers && !list.regions.empty());
  (byRegions ? RegionsRadio : MarkersRadio)->setChecked(true);
  KeepBeforeCheck->setChecked(offered.keepBeforeFirst);
  FolderEdit->setText(QString::fromStdString(offered.folder));
  PatternEdit->setText(QString::fromStdString(offered.pattern));
  const auto format =
      std::find(std::begin(kSplitExtensions), std::end(kSplitExtensions), offered.extension);
  FormatCombo->setCurrentIndex(
      format == std::end(kSplitExtensions)
          ? 0
          : static_cast<int>(std::distance(std::begin(kSplitExtensions), format)));
  UpdatePreview();
}

TSplitChoice TExportRegionsForm::Choice() const {
  TSplitChoice choice;
  choice.by = RegionsRadio->isChecked() ? TSplitBy::regions : TSplitBy::markers;
  choice.keepBeforeFirst = KeepBeforeCheck->isChecked();
  choice.pattern = PatternEdit->text().toStdString();
  choice.extension = kSplitExtensions[std::max(FormatCombo->currentIndex(), 0)];
  choice.folder = FolderEdit->text().trimmed().toStdString();
  return choice;
}

TSplitFiles TExportRegionsForm::Files() const {
  return PlanSplitFiles(list_, frameCount_, tags_, sourcePath_, Choice());
}

void TExportRegionsForm::UpdatePreview() {
  // Before the first marker there is only audio to keep when splitting at markers.
  KeepBeforeCheck->setEnabled(MarkersRadio->isChecked());
  const TSplitFiles plan = Files();
  QStringList lines;
  for (size_t i = 0; i < std::min(plan.files.size(), kPreviewNames); ++i)
    lines << QString::fromStdString(plan.files[i].name);
  if (plan.files.size() > kPreviewNames)
    lines << QString::fromStdString(
        ConstantText("splitmore", "%1", std::to_string(plan.files.size() - kPreviewNames)));
  if (plan.files.empty()) lines << QString::fromStdString(ConstantText("splitnothing"));
  if (!plan.duplicate.empty())
    lines =
        QStringList{QString::fromStdString(ConstantText("splitduplicate", "%1", plan.duplicate))};
  PreviewList->setText(lines.join('\n'));
  ExportButton->setEnabled(!plan.files.empty() && plan.duplicate.empty() &&
                           !FolderEdit->text().trimmed().isEmpty());
}

void TExportRegionsForm::BrowseClick() {
  const QString folder = AskFolder(FolderEdit->text());
  if (!folder.isEmpty()) FolderEdit->setText(folder);
}

}  // namespace quillon
