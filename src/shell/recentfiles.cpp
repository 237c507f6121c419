#include "shell/recentfiles.h"

#include <QFileInfo>
#include <QString>
#include <algorithm>

namespace quillon {

namespace {

std::string Absolute(const std::string& path) {
  const QString name = QString::fromStdString(path);
  if (name.isEmpty()) return {};
  return QFileInfo(name).absoluteFilePath().toStdString();
}

QString ValueName(size_t index) {
  return QStringLiteral("file%1").arg(index + 1);
}

}  // namespace

void TRecentFiles::Add(const std::string& path) {
  const std::string name = Absolute(path);
  if (name.empty()) return;
  std::erase(files_, name);
  files_.insert(files_.begin(), name);
  if (files_.size() > kMaxRecentFiles) files_.resize(kMaxRecentFiles);
}

bool TRecentFiles::Prune(const std::function<bool(const std::string&)>& exists) {
  return std::erase_if(files_, [&](const std::string& name) { return !exists(name); }) > 0;
}

void TRecentFiles::Load(QSettings& store) {
  files_.clear();
  store.beginGroup(kRecentFilesGroup);
  for (size_t i = 0; i < kMaxRecentFiles; ++i) {
    const QVariant value = store.value(ValueName(i));
    if (value.metaType().id() != QMetaType::QString) continue;
    const std::string name = Absolute(value.toString().toStdString());
    if (name.empty() || std::ranges::find(files_, name) != files_.end()) continue;
    files_.push_back(name);
  }
  store.endGroup();
}

void TRecentFiles::Save(QSettings& store) const {
  store.remove(kRecentFilesGroup);
  store.beginGroup(kRecentFilesGroup);
  for (size_t i = 0; i < files_.size(); ++i)
    store.setValue(ValueName(i), QString::fromStdString(files_[i]));
  store.endGroup();
  store.sync();
}

bool RecentFileExists(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).isFile();
}

}  // namespace quillon
