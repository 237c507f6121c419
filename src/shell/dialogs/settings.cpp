#include "shell/dialogs/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "display/waveview.h"
#include "localization/langmanager.h"
#include "localization/localetable.h"
#include "localization/ui/langcontroller.h"
#include "localization/ui/qtcatalogue.h"
#include "platform/config.h"
#include "platform/error.h"
#include "platform/messagebox.h"
#include "shell/dialogs/colorpicker.h"
#include "shell/dialogs/spectrogrampage.h"

namespace quillon {
namespace {

QLabel* NamedLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

QPushButton* NamedButton(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

// Each language in its own words, as language lists show them, so that the list reads the same
// whatever language is current; the table's name when it knows no other.
QString OwnLanguageName(int32_t id, const std::string& tableName) {
  const TLocaleRecord* locale = FindLocale(id);
  if (id == kDefaultLanguageId || !locale || !locale->nativeName)
    return QString::fromStdString(tableName);
  QString name = QString::fromUtf8(locale->nativeName).section(" (", 0, 0);
  if (!name.isEmpty()) name[0] = name[0].toUpper();
  return name;
}

}  // namespace

TsettingsForm::TsettingsForm(QWidget* parent) : QDialog(parent) {
  setObjectName("settingsForm");
  setWindowTitle("Settings");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  TabSheet1 = CreateLanguagePage();
  TabSheet2 = CreateSystemPage();
  TabSheet3 = CreateColorsPage();
  PageControl1->addTab(TabSheet1, "Language");
  PageControl1->addTab(TabSheet2, "System");
  PageControl1->addTab(TabSheet3, "Colors");
  SpectrogramPage = new TSpectrogramPage(PageControl1);
  PageControl1->addTab(SpectrogramPage, "Spectrogram");
  PageControl1->setCurrentIndex(0);

  Button1 = NamedButton("&Ok", "Button1", this);
  Button1->setDefault(true);
  Button2 = NamedButton("&Cancel", "Button2", this);
  connect(Button1, &QPushButton::clicked, this, &TsettingsForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TsettingsForm::Button2Click);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1, 1);
  layout->addLayout(buttons);
  setFixedSize(349, 217);

  AttachLanguageController(this);
  FormCreate();
}

QWidget* TsettingsForm::CreateLanguagePage() {
  auto* page = new QWidget(this);
  page->setObjectName("TabSheet1");
  LangBox = new QComboBox(page);
  LangBox->setObjectName("LangBox");
  LangBox->setEditable(false);
  connect(LangBox, &QComboBox::activated, this, &TsettingsForm::LangBoxChange);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(LangBox);
  layout->addStretch();
  return page;
}

QWidget* TsettingsForm::CreateSystemPage() {
  auto* page = new QWidget(this);
  page->setObjectName("TabSheet2");
  GroupBox1 = new QGroupBox("  Temporary Folder  ", page);
  GroupBox1->setObjectName("GroupBox1");
  tmpedit = new QLineEdit(GroupBox1);
  tmpedit->setObjectName("tmpedit");
  SpeedButton1 = new QToolButton(GroupBox1);
  SpeedButton1->setObjectName("SpeedButton1");
  connect(SpeedButton1, &QToolButton::clicked, this, &TsettingsForm::SpeedButton1Click);
  auto* folderRow = new QHBoxLayout(GroupBox1);
  folderRow->addWidget(tmpedit, 1);
  folderRow->addWidget(SpeedButton1);

  CheckBoxUpdates = new QCheckBox("Checking for updates at startup", page);
  CheckBoxUpdates->setObjectName("CheckBoxUpdates");
  connect(CheckBoxUpdates, &QCheckBox::clicked, this, &TsettingsForm::CheckBoxUpdatesClick);
  CheckBoxPeers = new QCheckBox("Work like other audio editors", page);
  CheckBoxPeers->setObjectName("CheckBoxPeers");
  connect(CheckBoxPeers, &QCheckBox::clicked, this,
          [this] { config.likepeers = CheckBoxPeers->isChecked(); });
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(GroupBox1);
  layout->addWidget(CheckBoxUpdates);
  layout->addWidget(CheckBoxPeers);
  layout->addStretch();
  return page;
}

QWidget* TsettingsForm::CreateColorsPage() {
  auto* page = new QWidget(this);
  page->setObjectName("TabSheet3");
  Label1 = NamedLabel("Background:", "Label1", page);
  Label2 = NamedLabel("Scales:", "Label2", page);
  Label3 = NamedLabel("Wave Data:", "Label3", page);
  backColor = new TColorPicker(kDefaultBackColor, page);
  backColor->setObjectName("backColor");
  scaleColor = new TColorPicker(kDefaultScaleColor, page);
  scaleColor->setObjectName("scaleColor");
  waveColor = new TColorPicker(kDefaultWaveColor, page);
  waveColor->setObjectName("waveColor");
  connect(backColor, &TColorPicker::ColorChanged, this, &TsettingsForm::backColorChange);
  connect(scaleColor, &TColorPicker::ColorChanged, this, &TsettingsForm::scaleColorChange);
  connect(waveColor, &TColorPicker::ColorChanged, this, &TsettingsForm::waveColorChange);
  auto* layout = new QGridLayout(page);
  layout->addWidget(Label1, 0, 0);
  layout->addWidget(backColor, 0, 1);
  layout->addWidget(Label2, 1, 0);
  layout->addWidget(scaleColor, 1, 1);
  layout->addWidget(Label3, 2, 0);
  layout->addWidget(waveColor, 2, 1);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(3, 1);
  return page;
}

void TsettingsForm::showEvent(QShowEvent* event) {
  // Finding the icon reads the desktop's icon theme: not at the editor's start-up, where this
  // window is made but not shown.
  if (SpeedButton1->icon().isNull())
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  QDialog::showEvent(event);
}

void TsettingsForm::FormCreate() {
  CheckBoxUpdates->setChecked(config.updates);
  CheckBoxPeers->setChecked(config.likepeers);
  tmpedit->setText(QString::fromStdString(config.tempfolder));
  backColor->SetSelected(config.backcolor);
  scaleColor->SetSelected(config.scalecolor);
  waveColor->SetSelected(config.wavecolor);
  LangManager().FindStandardLanguageFiles();
  ReportSkippedLanguageFiles();
  FillLanguages();
  SelectActiveLanguage();
}

// A file the scan could not read is told once; the other languages stay available.
void TsettingsForm::ReportSkippedLanguageFiles() {
  std::string text;
  for (const std::string& error : LangManager().SkippedFileErrors())
    text += (text.empty() ? "" : "\n") + error;
  if (!text.empty()) MessageBoxes().Show(kApplicationTitle, text, TMessageIcon::Error);
}

void TsettingsForm::FillLanguages() {
  LangBox->clear();
  TVxLangManager& manager = LangManager();
  for (int i = 0; i < manager.LanguageEntryCount(); ++i)
    LangBox->addItem(OwnLanguageName(manager.LanguageEntryId(i), manager.LanguageEntryName(i)),
                     manager.LanguageEntryId(i));
  LangBox->setCurrentIndex(0);
}

void TsettingsForm::SelectActiveLanguage() {
  const int index = LangBox->findData(WantedLanguageId(config.lang));
  if (index < 0) return;
  if (Activate(LangBox->itemData(index).toInt())) LangBox->setCurrentIndex(index);
}

// Makes a language current; a file that cannot be read is reported and the old language stays.
bool TsettingsForm::Activate(int32_t languageId) {
  try {
    LangManager().ActivateLanguage(languageId);
    InstallQtCatalogue(languageId);
  } catch (const Exception& error) {  // EVxLangError or the file's own read error
    MessageBoxes().Show(kApplicationTitle, error.what(), TMessageIcon::Error);
    return false;
  }
  emit LanguageChanged();
  return true;
}

void TsettingsForm::LangBoxChange() {
  const int index = std::max(LangBox->currentIndex(), 0);
  if (LangBox->count() == 0) return;
  if (!Activate(LangBox->itemData(index).toInt())) {
    const int active = LangBox->findData(LangManager().ActiveLanguageId());
    LangBox->setCurrentIndex(std::max(active, 0));
  }
}

void TsettingsForm::SpeedButton1Click() {
  const QString folder = QFileDialog::getExistingDirectory(
      this, QString::fromStdString(LangManager().ConstantText("selectfolder")), QString(),
      QFileDialog::ShowDirsOnly);
  if (!folder.isEmpty()) ChooseTempFolder(folder);
}

void TsettingsForm::ChooseTempFolder(const QString& folder) {
  QString withoutSlash = folder;
  while (withoutSlash.size() > 1 && withoutSlash.endsWith('/')) withoutSlash.chop(1);
  tmpedit->setText(withoutSlash);
  // Every temporary file name is built as folder + name, so the record keeps its final '/'.
  config.tempfolder = withoutSlash.toStdString();
  if (config.tempfolder.back() != '/') config.tempfolder += '/';
}

void TsettingsForm::CheckBoxUpdatesClick() {
  config.updates = CheckBoxUpdates->isChecked();
}

void TsettingsForm::backColorChange() {
  config.backcolor = ViewBackColor = backColor->Selected();
  emit ColorsChanged();
}

void TsettingsForm::scaleColorChange() {
  config.scalecolor = ViewScaleColor = scaleColor->Selected();
  emit ColorsChanged();
}

void TsettingsForm::waveColorChange() {
  config.wavecolor = ViewWaveColor = waveColor->Selected();
  emit ColorsChanged();
}

void TsettingsForm::Button1Click() {
  close();
}

void TsettingsForm::Button2Click() {
  close();
}

}  // namespace quillon
