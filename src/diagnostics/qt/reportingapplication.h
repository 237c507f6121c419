#pragma once

#include <QApplication>
#include <functional>

namespace quillon {

// The editor's application object: every exception that reaches the main thread's event loop
// (an event handler, a slot, a timer, a functor posted with QMetaObject::invokeMethod) ends in
// the application-wide handler instead of ending the program.
class TReportingApplication : public QApplication {
 public:
  TReportingApplication(int& argc, char** argv);

  // The handler runs inside the catch block, so it can rethrow or ask for the current exception
  // (CurrentExceptionReport). Until one is set, HandleApplicationException serves.
  void SetExceptionHandler(std::function<void()> handler);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void HandleException() noexcept;

  std::function<void()> handler_;
};

}  // namespace quillon
