#pragma once

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <string>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillon {

class TTagEditor;
class Twavefile;

// What the properties list shows of a document.
struct TFileFacts {
  std::string fileName;
  uint32_t sampleRate = 0;
  uint16_t channels = 0;
  // The opened file's channel count; above channels when it was mixed down.
  uint16_t sourceChannels = 0;
  // The opened file's resolution; the document's own is always 16-bit integers.
  int32_t originalBits = 16;
  bool originalFloat = false;
  double duration = 0;
  uint32_t frameCount = 0;
  uint64_t originalFileSize = 0;
  uint32_t dataBytes = 0;
  int32_t peakDb = 0;
};

inline constexpr int kPropertyRowCount = 9;

// The nine values of the list, in row order, numbers grouped as the current locale does. Where
// the document differs from the file it was opened from (channels mixed down, samples converted
// to 16 bits), the file's format follows in brackets.
QStringList PropertyValues(const TFileFacts& facts);
// The size of an existing readable file; 0 for anything else.
uint64_t SourceFileSize(const std::string& path);

// The file properties window: the facts of the audio and the document's tags, which the user
// edits here. Edits reach the document with "Ok" or "Apply"; "Cancel" drops them, and closing
// the window any other way asks. Not modal.
class TPropertiesForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPropertiesForm(QWidget* parent = nullptr);

  // Shows this document; the window edits its tags from now on.
  void setfilename(Twavefile& document);
  void fillinfo(const Twavefile& document);
  // Follows a change of the document. Edits the user has not applied stay as they are.
  void DocumentChanged();
  // Gives the edited tags to the document; while it is busy they wait, with a message, and the
  // answer is false.
  bool Apply();
  // Asks what becomes of edits not yet applied (apply, drop, or keep editing) before the window
  // or the document goes; false when the user keeps editing.
  bool SettleEdits();
  // The value shown in a row, for callers that read the list.
  QString RowValue(int row) const;

  void reject() override;

  QTreeWidget* LV;
  TTagEditor* Tags;
  QPushButton* Button1;
  QPushButton* ApplyButton;
  QPushButton* CancelButton;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTreeWidgetItem* AudioFormatGroup() const;
  void FitCaptionColumn();
  void FillTags();
  void Discard();

  Twavefile* document_ = nullptr;
};

}  // namespace quillon
