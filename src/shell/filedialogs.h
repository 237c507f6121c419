#pragma once

#include <QString>
#include <optional>

#include "shell/main.h"

class QFileDialog;
class QWidget;

namespace quillon {

// The file chosen in the open dialog; empty when it was cancelled.
QString AskOpenFileName(QWidget* parent);

// The save dialog, started at what is offered; none when it was cancelled.
std::optional<Tmainform::TSaveTarget> AskSaveTargetWithDialog(
    QWidget* parent, const Tmainform::TSaveTarget& offered);

// Widens Qt's own file dialog (none when the desktop's is used) until the columns of its detail
// view show their headings and the entries of the folder shown whole, in any language; again
// whenever the dialog has read a folder.
void FitColumnsOnceShown(QFileDialog& dialog);

}  // namespace quillon
