#pragma once

#include <string>

namespace quillon {

// For TCrashHandlerOptions::tellUser in the editor: tells the user in a message box that the
// program has to end. On the main thread it shows the box itself; from another thread it asks the
// main thread's event loop, which may still be serving, and waits until the box is dismissed.
void ShowCrashMessage(const std::string& message);
// The words after the program's name in that message, in the interface language.
void SetCrashMessageLead(const std::string& text);

}  // namespace quillon
