// wavefilemimedata: drag data that names a WAV file and reads its bytes only when asked.
#pragma once

#include <QMimeData>
#include <string>

namespace quillon {

// The file under the names TQtClipboard::MakeWaveMimeData gives it, and the WAV names too, whose
// bytes are read from the file only when a target asks for them: a long selection dragged out is
// never held in memory for a target that takes the file.
class TWaveFileMimeData : public QMimeData {
 public:
  explicit TWaveFileMimeData(std::string file);
  QStringList formats() const override;
  bool hasFormat(const QString& type) const override;
  const std::string& File() const { return file_; }

 protected:
  QVariant retrieveData(const QString& type, QMetaType kind) const override;

 private:
  std::string file_;
};

}  // namespace quillon
