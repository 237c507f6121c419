#include "platform/qt/dialogkeys.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <deque>
#include <memory>
#include <vector>

#include "platform/mainthread.h"

namespace quillon {

namespace {

// A key event as the window system gave it, to be given again.
struct THeldKey {
  QEvent::Type type;
  int key;
  Qt::KeyboardModifiers modifiers;
  quint32 scanCode, virtualKey, nativeModifiers;
  QString text;
  bool autoRepeat;
  quint16 count;
};

}  // namespace

// Installed on the application while a dialog runs or keys wait; one for the program.
class TKeyRouter : public QObject {
 public:
  TKeyRouter() : QObject(qApp) {
    qApp->installEventFilter(this);
    // Queued: the widgets learn of the change after this signal.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] {
      FinishEnding(false);
      SchedulePump();
    });
  }

  int Run(TKeyedDialog& dialog) {
    QUILLON_MAIN_THREAD_ONLY();
    if (open_.empty()) {
      returnTo_ = QGuiApplication::focusWindow();
      if (!returnTo_ && dialog.parentWidget())
        returnTo_ = dialog.parentWidget()->window()->windowHandle();
    }
    engaged_ = true;
    const Qt::WindowModality modality = dialog.windowModality();
    // Qt's modality would drop the keys that come before the focus does; this router stands in.
    dialog.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    const QPointer<TKeyedDialog> guarded(&dialog);
    open_.push_back({guarded, &loop});
    const auto finished = connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.setResult(0);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    loop.exec(QEventLoop::DialogExec);
    disconnect(finished);
    open_.pop_back();
    if (!guarded) return QDialog::Rejected;
    dialog.hide();
    dialog.setWindowModality(modality);
    // The window system may leave the focus nowhere when a dialog goes.
    if (QWindow* target = Target(); target && !Ready()) target->requestActivate();
    SchedulePump();
    return dialog.result();
  }

  QDialog* Top() const { return open_.empty() ? nullptr : open_.back().dialog.data(); }

  // The innermost dialog was answered: the focus goes back first, the dialog goes after. False
  // when it can go at once.
  bool EndWhenFocusReturns(TKeyedDialog& dialog, int result) {
    if (open_.empty() || open_.back().dialog != &dialog || open_.back().ending) return false;
    QWindow* back =
        open_.size() > 1 ? open_[open_.size() - 2].dialog->windowHandle() : returnTo_.data();
    if (!back || !back->isVisible()) return false;
    TOpen& open = open_.back();
    open.ending = true;
    open.result = result;
    back->requestActivate();
    // A window manager that keeps the focus where it is must not keep the dialog.
    QTimer::singleShot(kFocusWait, &dialog, [this] { FinishEnding(true); });
    FinishEnding(false);
    return true;
  }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (!engaged_) return false;
    switch (event->type()) {
      case QEvent::ShortcutOverride:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        return HoldKey(receiver, static_cast<QKeyEvent*>(event));
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
        return Outside(receiver);
      case QEvent::Close:
        // The window behind the dialog stays until the dialog has ended.
        if (!event->spontaneous() || !Outside(receiver)) return false;
        event->ignore();
        return true;
      case QEvent::Hide:
        // A dialog hidden without an answer ends as rejected.
        for (const TOpen& open : open_)
          if (receiver == open.dialog && open.loop->isRunning()) open.loop->quit();
        return false;
      default:
        return false;
    }
  }

 private:
  struct TOpen {
    QPointer<TKeyedDialog> dialog;
    QEventLoop* loop;
    bool ending = false;
    int result = 0;
  };

  static constexpr int kFocusWait = 1000;

  // Ends the answered innermost dialog once the focus has left it, or anyway.
  void FinishEnding(bool anyway) {
    if (open_.empty() || !open_.back().ending || !open_.back().dialog) return;
    TKeyedDialog* dialog = open_.back().dialog;
    if (!anyway && dialog->windowHandle() &&
        Within(dialog->windowHandle(), QGuiApplication::focusWindow()))
      return;
    open_.back().ending = false;
    dialog->EndNow(open_.back().result);
  }

  // The window the keys are for: the innermost dialog while one runs, then the window the
  // first one came from.
  QWindow* Target() const {
    if (const QDialog* top = Top()) return top->windowHandle();
    return returnTo_.data();
  }

  // While a dialog ends, every key waits for the command that opened it to take its answer.
  bool Ending() const { return !open_.empty() && open_.back().ending; }

  static bool Within(const QWindow* outer, const QWindow* window) {
    return window && (window == outer || outer->isAncestorOf(window, QWindow::IncludeTransients));
  }

  // The window that is to have the keys has them.
  bool Ready() const {
    if (Ending()) return false;
    const QWindow* target = Target();
    if (!target) return open_.empty();
    return Within(target, QGuiApplication::focusWindow());
  }

  // An input event for a window that the running dialog keeps out of reach.
  bool Outside(QObject* receiver) const {
    const auto* window = qobject_cast<QWindow*>(receiver);
    const QDialog* top = Top();
    return window && top && top->windowHandle() && !Within(top->windowHandle(), window);
  }

  // Keys come from the window system to a window first; only there are they held, so that what
  // this router hands on, to widgets, passes.
  bool HoldKey(QObject* receiver, QKeyEvent* event) {
    const auto* window = qobject_cast<QWindow*>(receiver);
    if (!window) return false;
    const QWindow* target = Target();
    if (held_.empty() && Ready() && (!target || Within(target, window))) return false;
    if (event->type() == QEvent::ShortcutOverride) {
      // Taken: no shortcut of a window that must not have the key runs now; the key itself
      // follows and is held.
      event->accept();
      return true;
    }
    held_.push_back({event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                     event->nativeVirtualKey(), event->nativeModifiers(), event->text(),
                     event->isAutoRepeat(), static_cast<quint16>(event->count())});
    SchedulePump();
    return true;
  }

  void SchedulePump() {
    if (pumpScheduled_) return;
    pumpScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
      pumpScheduled_ = false;
      Pump();
    });
  }

  // Hands on the oldest held key once its window has the keyboard, one key a turn of the event
  // loop: a key may open or end a dialog, which changes where the next one goes.
  void Pump() {
    if (!engaged_) return;
    if (held_.empty()) {
      if (open_.empty() && Ready()) {
        engaged_ = false;
        returnTo_ = nullptr;
      }
      return;
    }
    if (!Ready()) return;
    const THeldKey key = held_.front();
    held_.pop_front();
    // Scheduled first: a key that opens a dialog runs it inside this call.
    SchedulePump();
    QWidget* receiver = Receiver();
    if (!receiver) return;
    QKeyEvent event(key.type, key.key, key.modifiers, key.scanCode, key.virtualKey,
                    key.nativeModifiers, key.text, key.autoRepeat, key.count);
    // Sent to a widget, a key press meets the shortcuts first, as a typed one does.
    QCoreApplication::sendEvent(receiver, &event);
  }

  // Where the window that has the keyboard sends a key: an open menu, a grab, its focus.
  static QWidget* Receiver() {
    if (QWidget* popup = QApplication::activePopupWidget())
      return popup->focusWidget() ? popup->focusWidget() : popup;
    if (QWidget* grabber = QWidget::keyboardGrabber()) return grabber;
    const QWindow* focus = QGuiApplication::focusWindow();
    for (QWidget* window : QApplication::topLevelWidgets())
      if (focus && window->windowHandle() == focus)
        return window->focusWidget() ? window->focusWidget() : window;
    return nullptr;
  }

  std::vector<TOpen> open_;
  std::deque<THeldKey> held_;
  QPointer<QWindow> returnTo_;
  bool engaged_ = false;
  bool pumpScheduled_ = false;
};

namespace {

TKeyRouter& Router() {
  static QPointer<TKeyRouter> router;
  if (!router) router = new TKeyRouter;
  return *router;
}

}  // namespace

void TKeyedDialog::done(int result) {
  if (ending_ || !Router().EndWhenFocusReturns(*this, result)) EndNow(result);
}

void TKeyedDialog::EndNow(int result) {
  ending_ = true;
  QDialog::done(result);
  ending_ = false;
}

int RunDialog(TKeyedDialog& dialog) {
  return Router().Run(dialog);
}

QDialog* RunningDialog() {
  return Router().Top();
}

}  // namespace quillon
