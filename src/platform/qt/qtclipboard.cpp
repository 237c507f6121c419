#include "platform/qt/qtclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillon {

namespace {
QClipboard* SystemClipboard() {
  return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
}
}  // namespace

TQtClipboard::TQtClipboard() {
  if (QClipboard* clipboard = SystemClipboard())
    connect(clipboard, &QClipboard::dataChanged, this, [this] {
      if (OnChanged) OnChanged();
    });
}

const QStringList& TQtClipboard::WaveMimeTypes() {
  static const QStringList types{"audio/x-wav", "audio/wav", "audio/vnd.wave"};
  return types;
}

bool TQtClipboard::SetWave(std::vector<uint8_t> block) {
  QClipboard* clipboard = SystemClipboard();
  if (!clipboard) return false;
  auto* data = new QMimeData;
  // One shared byte array serves every name.
  QByteArray bytes(reinterpret_cast<const char*>(block.data()),
                   static_cast<qsizetype>(block.size()));
  block = {};
  for (const QString& type : WaveMimeTypes()) data->setData(type, bytes);
  clipboard->setMimeData(data);
  return true;
}

std::optional<std::vector<uint8_t>> TQtClipboard::GetWave() {
  QClipboard* clipboard = SystemClipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (!data) return std::nullopt;
  for (const QString& type : WaveMimeTypes()) {
    if (!data->hasFormat(type)) continue;
    QByteArray bytes = data->data(type);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  return std::nullopt;
}

bool TQtClipboard::HasWave() {
  QClipboard* clipboard = SystemClipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (!data) return false;
  for (const QString& type : WaveMimeTypes())
    if (data->hasFormat(type)) return true;
  return false;
}

}  // namespace quillon
