#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "codecs/markerlist.h"
#include "codecs/tags.h"
#include "document/splitplan.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillon {

// "Export Regions": how to split the document into files (at every marker, or each region),
// where, in which format, under which names (with a live preview of the first ones) and whether
// the audio before the first marker is kept. It only asks; the controller runs the split. The
// object names are fixed because the translation layer finds the texts by name.
class TExportRegionsForm : public QDialog {
  Q_OBJECT

 public:
  explicit TExportRegionsForm(QWidget* parent = nullptr);

  // Fills the dialog for a document and the choice to offer first (the last one, or the
  // defaults); a way of splitting that the document has nothing for cannot be chosen.
  void Offer(const TMarkerList& list, int64_t frameCount, const TTags& tags,
             const std::string& sourcePath, const TSplitChoice& offered);
  TSplitChoice Choice() const;
  // The files the present choice writes, as the preview shows them.
  TSplitFiles Files() const;

  // The folder picker, started at a folder; empty when cancelled. A seam for tests.
  std::function<QString(const QString& start)> AskFolder;

  QGroupBox* SplitBox;
  QRadioButton* MarkersRadio;
  QRadioButton* RegionsRadio;
  QCheckBox* KeepBeforeCheck;
  QLabel* FolderLabel;
  QLineEdit* FolderEdit;
  QPushButton* BrowseButton;
  QLabel* FormatLabel;
  QComboBox* FormatCombo;
  QLabel* PatternLabel;
  QLineEdit* PatternEdit;
  QLabel* PatternHelpLabel;
  QLabel* PreviewLabel;
  QLabel* PreviewList;
  QLabel* SettingsNoteLabel;
  QPushButton* ExportButton;
  QPushButton* CancelButton;

 private:
  void UpdatePreview();
  void BrowseClick();

  TMarkerList list_;
  int64_t frameCount_ = 0;
  TTags tags_;
  std::string sourcePath_;
};

// The extensions the format box offers, in its order.
inline constexpr const char* kSplitExtensions[] = {"wav", "mp3", "flac", "ogg", "opus"};

}  // namespace quillon
