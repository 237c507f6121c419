#pragma once

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <string>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillon {

class Twavefile;

// What the properties list shows of a document.
struct TFileFacts {
  std::string fileName;
  uint32_t sampleRate = 0;
  uint16_t channels = 0;
  int32_t originalBits = 0;
  double duration = 0;
  uint32_t frameCount = 0;
  uint64_t originalFileSize = 0;
  uint32_t dataBytes = 0;
  int32_t peakDb = 0;
};

inline constexpr int kPropertyRowCount = 9;

// The nine values of the list, in row order, numbers grouped as the current locale does.
QStringList PropertyValues(const TFileFacts& facts);
// The size of an existing readable file; 0 for anything else.
uint64_t SourceFileSize(const std::string& path);

// The file properties window. Refill with setfilename before each show(); not modal.
class TPropertiesForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPropertiesForm(QWidget* parent = nullptr);

  void setfilename(const Twavefile& document);
  void fillinfo(const Twavefile& document);
  // The value shown in a row, for callers that read the list.
  QString RowValue(int row) const;

  QTreeWidget* LV;
  QPushButton* Button1;

 private:
  QTreeWidgetItem* AudioFormatGroup() const;
};

}  // namespace quillon
