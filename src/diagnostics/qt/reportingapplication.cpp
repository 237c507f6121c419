#include "diagnostics/qt/reportingapplication.h"

#include <cstdio>

#include "diagnostics/exceptionreport.h"

namespace quillon {

TReportingApplication::TReportingApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TReportingApplication::SetExceptionHandler(std::function<void()> handler) {
  handler_ = std::move(handler);
}

bool TReportingApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleException();
    return false;
  }
}

void TReportingApplication::HandleException() noexcept {
  try {
    if (handler_)
      handler_();
    else
      HandleApplicationException();
  } catch (...) {
    // The handler itself failed; the event loop must go on all the same.
    std::fprintf(stderr, "Quillon: the exception handler failed: %s\n",
                 CurrentExceptionMessage().c_str());
  }
}

}  // namespace quillon
