#pragma once

#include <QUrl>
#include <functional>
#include <string>

namespace quillon {

// The manual's file name, shipped beside the program.
inline constexpr const char* kHelpFileName = "editor.html";

// Hands an address to the desktop; false when nothing could take it.
using TUrlLauncher = std::function<bool(const QUrl&)>;

// The folder the manual is looked up in: the program's own folder.
std::string HelpFolder();

// Opens the help file fileName from HelpFolder() in the desktop's browser, at topic when one is
// given. A missing file or a browser that cannot be started gets "Unable to open help file :"
// with the path; nothing else changes. launcher defaults to the desktop's handler.
void ShowHelp(const std::string& fileName, const std::string& topic = {},
              const TUrlLauncher& launcher = {});

}  // namespace quillon
