#include "shell/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <exception>

#include "localization/constants.h"
#include "platform/replacementfile.h"
#include "shell/utils.h"

namespace quillon {

namespace {

// The copy starts as the file is, so that keys this program does not write stay.
bool CopyContents(const QString& from, const QString& to) {
  QFile source(from);
  if (!source.exists()) return true;
  if (!source.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = source.readAll();
  QFile copy(to);
  return copy.open(QIODevice::WriteOnly | QIODevice::Truncate) && copy.write(bytes) == bytes.size();
}

bool EditCopy(const QString& copy, const std::function<void(QSettings&)>& change) {
  QSettings store(copy, QSettings::IniFormat);
  change(store);
  store.sync();
  return store.status() != QSettings::AccessError;
}

}  // namespace

QString UserSettingsFile() {
  return OpenUserSettings()->fileName();
}

bool ChangeSettingsFile(const QString& file, const std::function<void(QSettings&)>& change) {
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) return false;
  QLockFile lock(file + ".lock");
  if (!lock.lock()) return false;
  try {
    TReplacementFile copy(QFile::encodeName(file).toStdString());
    const QString copyName = QFile::decodeName(copy.Path().c_str());
    if (!CopyContents(file, copyName) || !EditCopy(copyName, change)) return false;
    copy.Commit();
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

std::string ChangeUserSettings(const std::function<void(QSettings&)>& change) {
  const QString file = UserSettingsFile();
  if (ChangeSettingsFile(file, change)) return {};
  return ConstantText("settingsunwritable", "%1", file.toStdString());
}

}  // namespace quillon
