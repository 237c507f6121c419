// The main window's recent files: the program's own list, kept in the settings, and the desktop's
// list that other programs' file dialogs show.
#include <QDateTime>

#include "localization/constants.h"
#include "platform/qt/recentlyused.h"
#include "shell/main.h"
#include "shell/recentmenu.h"
#include "shell/settingsfile.h"

namespace quillon {

void Tmainform::StoreRecentFiles() {
  const std::string failure = ChangeUserSettings([this](QSettings& s) { recentFiles_.Save(s); });
  if (!failure.empty()) ShowStatusLine(failure);
}

void Tmainform::AddRecentFile(const std::string& path) {
  recentFiles_.Add(path);
  StoreRecentFiles();
  recentFilesMenu_->Refresh();
  const QString list = RecentlyUsedFile();
  const auto result = AddRecentUse(list, RecentUseOf(path, QDateTime::currentDateTimeUtc()));
  // Other programs' entries matter more than ours: a list we cannot merge into stays as it is.
  if (result == TRecentlyUsedResult::kBroken)
    ShowStatusLine(
        QString::fromStdString(ConstantText("recentlistbroken")).arg(list).toStdString());
  else if (result == TRecentlyUsedResult::kUnwritable)
    ShowStatusLine(
        QString::fromStdString(ConstantText("recentlistunwritable")).arg(list).toStdString());
}

}  // namespace quillon
