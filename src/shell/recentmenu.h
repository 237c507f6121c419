#pragma once

#include <QMenu>
#include <functional>
#include <string>

class QAction;

namespace quillon {

class TRecentFiles;

// File > Recent Files: one entry per listed file, newest first, then "Clear Recent Files". It
// is unavailable while the list is empty. Object names are fixed for the language files.
class TRecentFilesMenu : public QMenu {
  Q_OBJECT

 public:
  // open runs with a chosen file; changed runs whenever the list changed here (pruned or
  // cleared), so that the owner can store it.
  TRecentFilesMenu(TRecentFiles& list, std::function<void(const std::string&)> open,
                   std::function<void()> changed, QWidget* parent = nullptr);

  // Drops the files that are gone, then shows the list as it is.
  void Refresh();
  QAction* ClearAction() const { return clearAction_; }

 private:
  void Rebuild();
  void ClearRecentFiles();

  TRecentFiles& list_;
  std::function<void(const std::string&)> open_;
  std::function<void()> changed_;
  QAction* clearAction_;
};

// A menu entry's text: "&n" (n from 1 to 9, then 0 for the tenth) and the file's name, its
// folder elided in the middle when long; an "&" of the name is shown as it is.
QString RecentFileEntryText(size_t index, const std::string& path);

}  // namespace quillon
