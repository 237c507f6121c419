#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace quillon {

// What ending at the system's request does, in this order; the editor's own are EditorEndSteps.
struct TEndSteps {
  // Asks the running operation to stop, and tells whether one still runs.
  std::function<void()> cancel;
  std::function<bool()> running;
  // Whether the recovery journal holds work that was not saved.
  std::function<bool()> unsaved;
  // Stores the settings.
  std::function<void()> keep;
  // Deletes the run's files and its journal, once nothing is left to recover.
  std::function<void()> release;
  // Ends the process: by the signal received, or with status 0 for the session's end.
  std::function<void(int signal)> exit;
};

// SIGTERM, SIGINT and SIGHUP, and the end of the desktop session, end the program within two
// seconds whatever it is doing, with dialogs and message boxes open: the running operation is
// stopped, nothing is asked, and unsaved work stays in the recovery journal, which the next start
// offers as after a crash. A session's checkpoint only stores the settings. A second signal ends
// the program at once, and a watchdog ends it should the main thread not answer.
class TSystemEnd : public QObject {
 public:
  // Watches the signals and the session for window, which it outlives not.
  TSystemEnd(TEndSteps steps, QWidget* window);
  ~TSystemEnd() override;

  // Ends the program as the system asked: signal is the one received, 0 for the session's end.
  void End(int signal);

 protected:
  // The session manager's last word reaches the application as a Quit while the window shows.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WatchSignals();

  TEndSteps steps_;
  QWidget* window_;
  bool ending_ = false;
};

// The process's end by the signal itself, so that its parent sees what ended it.
void ExitBySignal(int signal);

}  // namespace quillon
