// The open and save dialogs the main window shows.
#include "shell/filedialogs.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "shell/filedialogtexts.h"

namespace quillon {

namespace {

void FitColumns(QFileDialog& dialog) {
  auto* view = dialog.findChild<QTreeView*>("treeView");
  if (!view) return;
  QHeaderView* header = view->header();
  // Every column but the name as wide as its heading and its entries; the name keeps its width.
  int needed = header->sectionSize(0);
  for (int column = 1; column < header->count(); ++column) {
    if (header->isSectionHidden(column)) continue;
    const int entries = static_cast<const QAbstractItemView*>(view)->sizeHintForColumn(column);
    const int width = std::max(header->sectionSizeHint(column), entries);
    header->resizeSection(column, std::max(width, header->sectionSize(column)));
    needed += header->sectionSize(column);
  }
  const int missing = needed - view->viewport()->width();
  if (missing > 0) dialog.resize(dialog.width() + missing, dialog.height());
}

}  // namespace

void FitColumnsOnceShown(QFileDialog& dialog) {
  // Once laid out, so that the view has its width; the entries come when the folder is read.
  QTimer::singleShot(0, &dialog, [&dialog] { FitColumns(dialog); });
  if (auto* model = dialog.findChild<QFileSystemModel*>())
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog,
                     [&dialog] { FitColumns(dialog); });
}

QString AskOpenFileName(QWidget* parent) {
  QFileDialog dialog(parent, OpenDialogTitle(), QString(), OpenDialogFilter());
  dialog.setFileMode(QFileDialog::ExistingFile);
  FitColumnsOnceShown(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

std::optional<Tmainform::TSaveTarget> AskSaveTargetWithDialog(
    QWidget* parent, const Tmainform::TSaveTarget& offered) {
  // A start with a file name opens its folder with the name filled in.
  QFileDialog dialog(parent, SaveDialogTitle(), QString::fromStdString(offered.path),
                     SaveDialogFilter());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.selectNameFilter(SaveTypeFilter(offered.typeIndex));
  FitColumnsOnceShown(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return Tmainform::TSaveTarget{dialog.selectedFiles().front().toStdString(),
                                SaveTypeOfFilter(dialog.selectedNameFilter())};
}

}  // namespace quillon
