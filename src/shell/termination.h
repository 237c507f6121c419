#pragma once

class QWidget;

namespace quillon {

// Turns SIGTERM, SIGINT and SIGHUP into an ordinary close of window, so that a session's end or
// a kill asks about unsaved changes and deletes the temporary files like the Exit command does.
// A second signal while the first close is refused ends the process at once.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace quillon
