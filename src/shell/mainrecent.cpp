// The main window's recent files: the program's own list, kept in the settings, and the desktop's
// list that other programs' file dialogs show. Both are written by the ordered writer, so that
// opening or saving a file never waits on another file.
#include <QDateTime>
#include <QPointer>

#include "localization/constants.h"
#include "platform/mainthread.h"
#include "platform/qt/recentlyused.h"
#include "shell/main.h"
#include "shell/recentmenu.h"
#include "shell/settingsfile.h"

namespace quillon {

namespace {

// The status line for what the writer found, on the main thread, while the window is there.
void TellLater(QPointer<Tmainform> window, std::string text) {
  if (text.empty()) return;
  MainThread().Post([window, text = std::move(text)] {
    if (window) window->ShowStatusLine(text);
  });
}

std::string RecentUseFailure(TRecentlyUsedResult result, const QString& list) {
  // Other programs' entries matter more than ours: a list we cannot merge into stays as it is.
  if (result == TRecentlyUsedResult::kBroken)
    return QString::fromStdString(ConstantText("recentlistbroken")).arg(list).toStdString();
  if (result == TRecentlyUsedResult::kUnwritable)
    return QString::fromStdString(ConstantText("recentlistunwritable")).arg(list).toStdString();
  return {};
}

}  // namespace

void Tmainform::StoreRecentFiles() {
  writer_.Post([window = QPointer<Tmainform>(this), files = recentFiles_] {
    TellLater(window, ChangeUserSettings([&](QSettings& s) { files.Save(s); }));
  });
}

void Tmainform::AddRecentFile(const std::string& path) {
  recentFiles_.Add(path);
  StoreRecentFiles();
  recentFilesMenu_->Refresh();
  const QString list = RecentlyUsedFile();
  writer_.Post([window = QPointer<Tmainform>(this), list,
                use = RecentUseOf(path, QDateTime::currentDateTimeUtc())] {
    TellLater(window, RecentUseFailure(AddRecentUse(list, use), list));
  });
}

}  // namespace quillon
