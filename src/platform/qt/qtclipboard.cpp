#include "platform/qt/qtclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>

#include "platform/error.h"
#include "platform/filelist.h"
#include "platform/filesystem.h"
#include "platform/filewriter.h"

namespace quillon {

namespace {

const char* kUriListType = "text/uri-list";
// What file managers put on the clipboard when they copy files.
const char* kCopiedFilesType = "x-special/gnome-copied-files";

QClipboard* SystemClipboard() {
  return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
}

const QMimeData* ClipboardData() {
  QClipboard* clipboard = SystemClipboard();
  return clipboard ? clipboard->mimeData() : nullptr;
}

}  // namespace

TQtClipboard::TQtClipboard() {
  if (QClipboard* clipboard = SystemClipboard())
    connect(clipboard, &QClipboard::dataChanged, this, &TQtClipboard::ClipboardChanged);
}

TQtClipboard::~TQtClipboard() {
  DeleteOfferedFile();
}

void TQtClipboard::ClipboardChanged() {
  // Another owner's contents no longer name our file, so no one can ask for it any more.
  if (!offered_ || ClipboardData() != offered_.data()) DeleteOfferedFile();
  if (OnChanged) OnChanged();
}

void TQtClipboard::DeleteOfferedFile() {
  // A file still being written is not wanted either.
  files_.Forget();
  if (offeredFile_.empty()) return;
  files_.Delete(std::move(offeredFile_));
  offeredFile_.clear();
}

const QStringList& TQtClipboard::WaveMimeTypes() {
  static const QStringList types{"audio/x-wav", "audio/wav", "audio/vnd.wave"};
  return types;
}

QMimeData* TQtClipboard::MakeWaveMimeData(const QByteArray& bytes, const std::string& file) {
  auto* data = new QMimeData;
  // One shared byte array serves every name.
  for (const QString& type : WaveMimeTypes()) data->setData(type, bytes);
  if (!file.empty()) AddFileNames(*data, file);
  return data;
}

void TQtClipboard::AddFileNames(QMimeData& data, const std::string& file) {
  const QByteArray uri = QByteArray::fromStdString(FileUriOf(file));
  data.setData(kUriListType, uri + "\r\n");
  data.setData(kCopiedFilesType, "copy\n" + uri);
  data.setText(QString::fromStdString(file));
}

bool TQtClipboard::SetWave(std::vector<uint8_t> block) {
  if (!SystemClipboard()) return false;
  DeleteOfferedFile();
  const QByteArray bytes(reinterpret_cast<const char*>(block.data()),
                         static_cast<qsizetype>(block.size()));
  block = {};
  Offer(MakeWaveMimeData(bytes, {}));
  // Shared with the writer: a QByteArray's count of holders is atomic, and nobody changes it. A
  // full temporary folder leaves the audio on offer without a file.
  files_.Write([bytes](TFileWriter& writer) { writer.Write(bytes.constData(), bytes.size()); },
               [this, bytes](const std::string& file) { OfferFile(bytes, file); });
  return true;
}

// The same audio again, with its file; only while the offer without it still stands.
void TQtClipboard::OfferFile(const QByteArray& bytes, const std::string& file) {
  if (!offered_ || ClipboardData() != offered_.data() || !SystemClipboard()) {
    files_.Delete(file);
    return;
  }
  offeredFile_ = file;
  Offer(MakeWaveMimeData(bytes, file));
}

void TQtClipboard::Offer(QMimeData* data) {
  offered_ = data;
  // Qt drops our data when another program takes the clipboard, at times before it tells of
  // the change; the offer that data replaces leaves the file alone.
  connect(data, &QObject::destroyed, this, [this, offer = ++offers_] {
    if (offer == offers_) DeleteOfferedFile();
  });
  SystemClipboard()->setMimeData(data);
}

std::optional<std::vector<uint8_t>> TQtClipboard::GetWave() {
  const QMimeData* data = ClipboardData();
  if (!data) return std::nullopt;
  for (const QString& type : WaveMimeTypes()) {
    if (!data->hasFormat(type)) continue;
    QByteArray bytes = data->data(type);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  return std::nullopt;
}

bool TQtClipboard::HasWave() {
  const QMimeData* data = ClipboardData();
  if (!data) return false;
  return std::ranges::any_of(WaveMimeTypes(),
                             [data](const QString& type) { return data->hasFormat(type); });
}

std::vector<std::string> TQtClipboard::GetFiles() {
  const QMimeData* data = ClipboardData();
  if (!data) return {};
  if (data->hasFormat(kUriListType))
    return LocalPathsOfUriList(data->data(kUriListType).toStdString());
  if (!data->hasText()) return {};
  // Plain text counts only when it names files that are there: any words may start with '/'.
  std::vector<std::string> paths = LocalPathsOfText(data->text().toStdString());
  if (!std::ranges::all_of(paths, [](const std::string& path) { return FileExists(path); }))
    return {};
  return paths;
}

}  // namespace quillon
