// Keys typed at machine speed into the dialogs that commands open: all of them are queued before
// any is handled, as a burst from the keyboard or a tool comes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "document/stack.h"
#include "document/wavfile.h"
#include "platform/qt/dialogkeys.h"
#include "shell/main.h"
#include "shell/windowdriver.h"
#include "support/wait.h"

namespace quillon {
namespace {

// Posts a press and a release to the window, as the window system hands them over.
void PostKey(QWindow* window, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
  QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}

// A dialog left waiting for a key that never came would hold the test in its loop: after the
// deadline it is cancelled, and the count tells.
void CancelLeftDialogsAfter(std::chrono::seconds deadline) {
  QTimer::singleShot(deadline, qApp, [] {
    if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) modal->reject();
    if (QDialog* left = RunningDialog()) left->reject();
  });
}

struct TBurstRow {
  const char* name;
  int item;  // the command's key in the Operations menu
  QString letter;
};

TEST(DialogKeysTest, EveryCommandOfABurstGetsItsDialogsAnswer) {
  const TBurstRow rows[] = {
      {"Amplify (Increase)", Qt::Key_L, "l"},
      {"Amplify (Decrease)", Qt::Key_M, "m"},
      {"Normalization", Qt::Key_N, "n"},
      {"Insert Silence", Qt::Key_I, "i"},
  };
  constexpr size_t kRounds = 5;
  for (const TBurstRow& row : rows) {
    SCOPED_TRACE(row.name);
    test::TWindowDriver w;
    ASSERT_TRUE(w.OpenFile("burst", 8000));
    w.Form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.Form()));
    QWindow* window = w.Form().windowHandle();
    CancelLeftDialogsAfter(std::chrono::seconds(10));
    for (size_t i = 0; i < kRounds; ++i) {
      PostKey(window, Qt::Key_O, Qt::AltModifier, "o");
      PostKey(window, row.item, {}, row.letter);
      PostKey(window, Qt::Key_Return, {}, "\r");
    }
    EXPECT_TRUE(test::WaitUntil(
        [&] {
          return w.Document().UndoStack().Count() == kRounds && !RunningDialog() &&
                 !QApplication::activePopupWidget() && !w.Document().Busy();
        },
        std::chrono::seconds(15)))
        << w.Document().UndoStack().Count() << " of " << kRounds << " applied";
    ASSERT_TRUE(w.Settle());
  }
}

}  // namespace
}  // namespace quillon
