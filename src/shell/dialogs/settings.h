#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace quillon {

class TColorPicker;
class TSpectrogramPage;

// The settings window. Made once at the main window's start-up: it fills itself from `config`,
// lists the languages and makes the stored (or the user's) language current. Not modal; every
// change takes effect at once, so both buttons only close it.
class TsettingsForm : public QDialog {
  Q_OBJECT

 public:
  explicit TsettingsForm(QWidget* parent = nullptr);

  void LangBoxChange();
  void SpeedButton1Click();
  void CheckBoxUpdatesClick();
  void backColorChange();
  void scaleColorChange();
  void waveColorChange();
  void Button1Click();
  void Button2Click();
  // Sets the temporary folder as the folder picker does.
  void ChooseTempFolder(const QString& folder);

  QTabWidget* PageControl1;
  QWidget *TabSheet1, *TabSheet2, *TabSheet3;
  QComboBox* LangBox;
  QGroupBox* GroupBox1;
  QLineEdit* tmpedit;
  QToolButton* SpeedButton1;
  QCheckBox* CheckBoxUpdates;
  QCheckBox* CheckBoxPeers;
  QLabel *Label1, *Label2, *Label3;
  TColorPicker *backColor, *scaleColor, *waveColor;
  QPushButton *Button1, *Button2;
  TSpectrogramPage* SpectrogramPage;

 signals:
  // A language became current: the main window repaints and rebuilds its caption.
  void LanguageChanged();
  // A view colour changed: the view shows it at its next repaint.
  void ColorsChanged();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  QWidget* CreateLanguagePage();
  QWidget* CreateSystemPage();
  QWidget* CreateColorsPage();
  void ReportSkippedLanguageFiles();
  void FillLanguages();
  void SelectActiveLanguage();
  bool Activate(int32_t languageId);
};

}  // namespace quillon
