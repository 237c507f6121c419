#include "diagnostics/exceptionreport.h"

#include <exception>

#include "diagnostics/exceptiontraces.h"
#include "platform/error.h"
#include "platform/eventreport.h"
#include "platform/messagebox.h"

namespace quillon {

std::string ExceptionReportText(const std::string& message,
                                const TStackTraceHlp::TStackTrace* trace) {
  return message + " Call Stack: " + (trace ? TStackTraceHlp::StackTraceText(*trace) : "");
}

std::string CurrentExceptionMessage() {
  if (!std::current_exception()) return "";
  try {
    throw;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "Unknown exception";
  }
}

std::string CurrentExceptionReport() {
  return ExceptionReportText(CurrentExceptionMessage(),
                             TStackTraceHlp::TraceOfException(std::current_exception()));
}

void HandleApplicationException() {
  if (!std::current_exception()) return;
  try {
    throw;
  } catch (const EAbort&) {
    return;
  } catch (...) {
    ReportEvent(CurrentExceptionReport());
    MessageBoxes().ShowException(CurrentExceptionMessage());
  }
}

}  // namespace quillon
