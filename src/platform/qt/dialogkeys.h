#pragma once

#include <QDialog>

namespace quillon {

// A dialog that a command opens and that takes every key typed after that command, however
// fast they come. Run with RunDialog instead of exec.
//
// A modal dialog does not have the keyboard until the window system has moved the focus to it,
// and Qt drops the keys that reach the blocked window before that; when it closes, the keys
// typed before the focus is back reach no window at all. So the dialog keeps the window behind
// it out of reach itself (clicks, wheel, closing), keys typed at any window of the program
// while a dialog opens or ends are held and handed, in order, to the window that is to have the
// keyboard once it has it, and an answered dialog stays on the screen until the focus has gone
// back to the window it came from. Main thread only; dialogs run inside one another nest.
class TKeyedDialog : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;
  // The answer ends the dialog once the keyboard is back with the window behind it.
  void done(int result) override;

 private:
  friend class TKeyRouter;
  void EndNow(int result);
  bool ending_ = false;
};

// Runs dialog until it is answered and returns the answer, as QDialog::exec does.
int RunDialog(TKeyedDialog& dialog);

// The innermost dialog RunDialog runs now; none when it runs none.
QDialog* RunningDialog();

}  // namespace quillon
