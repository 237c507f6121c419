#include "platform/qt/wavefilemimedata.h"

#include <QFile>

#include "platform/qt/qtclipboard.h"

namespace quillon {

TWaveFileMimeData::TWaveFileMimeData(std::string file) : file_(std::move(file)) {
  TQtClipboard::AddFileNames(*this, file_);
}

QStringList TWaveFileMimeData::formats() const {
  return TQtClipboard::WaveMimeTypes() + QMimeData::formats();
}

bool TWaveFileMimeData::hasFormat(const QString& type) const {
  return TQtClipboard::WaveMimeTypes().contains(type) || QMimeData::hasFormat(type);
}

QVariant TWaveFileMimeData::retrieveData(const QString& type, QMetaType kind) const {
  if (!TQtClipboard::WaveMimeTypes().contains(type)) return QMimeData::retrieveData(type, kind);
  // A file gone or unreadable offers nothing rather than part of the audio.
  QFile file(QString::fromStdString(file_));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

}  // namespace quillon
