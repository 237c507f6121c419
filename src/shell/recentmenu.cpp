#include "shell/recentmenu.h"

#include <QAction>
#include <QFileInfo>

#include "shell/recentfiles.h"

namespace quillon {

namespace {
constexpr int kShownPathLength = 60;
}  // namespace

QString RecentFileEntryText(size_t index, const std::string& path) {
  QString shown = QString::fromStdString(path);
  if (shown.size() > kShownPathLength) {
    const QString name = QFileInfo(shown).fileName();
    const qsizetype head = std::max<qsizetype>(0, kShownPathLength - name.size() - 4);
    shown = shown.left(head) + QString::fromUtf8("\u2026/") + name;
  }
  shown.replace('&', "&&");
  return QStringLiteral("&%1  %2").arg((index + 1) % 10).arg(shown);
}

TRecentFilesMenu::TRecentFilesMenu(TRecentFiles& list, std::function<void(const std::string&)> open,
                                   std::function<void()> changed, QWidget* parent)
    : QMenu("&Recent Files", parent),
      list_(list),
      open_(std::move(open)),
      changed_(std::move(changed)) {
  setObjectName("RecentFilesMenu");
  clearAction_ = new QAction("&Clear Recent Files", this);
  clearAction_->setObjectName("ClearRecentAction");
  // The action is the context: a menu cuts its own connections from an action it removes.
  connect(clearAction_, &QAction::triggered, clearAction_, [this] { ClearRecentFiles(); });
  Rebuild();
}

void TRecentFilesMenu::Refresh() {
  if (list_.Prune(RecentFileExists) && changed_) changed_();
  Rebuild();
}

void TRecentFilesMenu::Rebuild() {
  for (QAction* action : actions()) {
    removeAction(action);
    if (action == clearAction_) continue;
    // Gone from the menu's children at once; deleted once the event that chose it has ended.
    action->setParent(nullptr);
    action->deleteLater();
  }
  const auto& files = list_.Files();
  for (size_t i = 0; i < files.size(); ++i) {
    QAction* entry = addAction(RecentFileEntryText(i, files[i]));
    entry->setObjectName(QStringLiteral("RecentFile%1").arg(i + 1));
    entry->setToolTip(QString::fromStdString(files[i]));
    const std::string path = files[i];
    connect(entry, &QAction::triggered, entry, [this, path] { open_(path); });
  }
  addSeparator();
  addAction(clearAction_);
  clearAction_->setEnabled(!files.empty());
  setEnabled(!files.empty());
  menuAction()->setEnabled(!files.empty());
}

void TRecentFilesMenu::ClearRecentFiles() {
  list_.Clear();
  if (changed_) changed_();
  Rebuild();
}

}  // namespace quillon
