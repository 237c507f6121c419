#include "shell/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "localization/constants.h"
#include "platform/messagebox.h"

namespace quillon {

std::string HelpFolderFor(const std::string& programFolder) {
  const QString program = QString::fromStdString(programFolder);
  const QString installed = QDir::cleanPath(program + "/../share/doc/quillon");
  for (const QString& folder : {program, installed}) {
    if (QFileInfo(folder + "/" + kHelpFileName).isFile()) return folder.toStdString();
  }
  return programFolder;
}

std::string HelpFolder() {
  return HelpFolderFor(QCoreApplication::applicationDirPath().toStdString());
}

void ShowHelp(const std::string& fileName, const std::string& topic, const TUrlLauncher& launcher) {
  const std::string path = HelpFolder() + "/" + fileName;
  bool opened = false;
  if (QFileInfo(QString::fromStdString(path)).isFile()) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    // A browser finds a topic as the page's anchor.
    if (!topic.empty()) url.setFragment(QString::fromStdString(topic));
    opened = launcher ? launcher(url) : QDesktopServices::openUrl(url);
  }
  if (!opened)
    MessageBoxes().Show(ConstantText("helpcaption"), ConstantText("helpmissing", "%1", path),
                        TMessageIcon::Information);
}

}  // namespace quillon
