#pragma once

#include <QString>

namespace quillon {

// The titles and file-type entries of the open and save dialogs, in the current interface
// language. Each entry is a translated name followed by its patterns: "WAV Files (*.wav)".

QString OpenDialogTitle();
// The supported formats first, then single formats, then every file; ";;" between entries.
QString OpenDialogFilter();
// The extensions the open dialog offers as supported, "*.wav *.mp3 ...".
QString SupportedPatterns();

QString SaveDialogTitle();
// The save dialog's entry of a type index (as SaveTypeAt counts).
QString SaveTypeFilter(int typeIndex);
// Every save type's entry, separated by ";;" as the file dialog takes them.
QString SaveDialogFilter();
// The type index of a save dialog entry, whatever language it was shown in; 1 for an entry
// that is none of ours.
int SaveTypeOfFilter(const QString& filter);

}  // namespace quillon
