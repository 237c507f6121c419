#pragma once

#include <QUrl>
#include <functional>
#include <string>

namespace quillon {

// The manual's file name, shipped beside the program in a build tree and in
// <prefix>/share/doc/quillon once installed.
inline constexpr const char* kHelpFileName = "editor.html";

// Hands an address to the desktop; false when nothing could take it.
using TUrlLauncher = std::function<bool(const QUrl&)>;

// The folder of the manual for a program in programFolder: the program's own folder when the
// manual lies there (a build tree), else <programFolder>/../share/doc/quillon when it lies there
// (an installed tree), else the program's folder.
std::string HelpFolderFor(const std::string& programFolder);

// HelpFolderFor the running program's folder.
std::string HelpFolder();

// Opens the help file fileName from HelpFolder() in the desktop's browser, at topic when one is
// given. A missing file or a browser that cannot be started gets "Unable to open help file :"
// with the path; nothing else changes. launcher defaults to the desktop's handler.
void ShowHelp(const std::string& fileName, const std::string& topic = {},
              const TUrlLauncher& launcher = {});

}  // namespace quillon
