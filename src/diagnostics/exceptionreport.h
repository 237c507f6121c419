#pragma once

#include <string>

#include "diagnostics/StackTrace.h"

namespace quillon {

// An exception report: the message, " Call Stack: " and the trace text (empty without a trace).
std::string ExceptionReportText(const std::string& message,
                                const TStackTraceHlp::TStackTrace* trace);

// Call inside a catch block: the message of the exception being handled ("Unknown exception"
// for one that is not a std::exception) and its report.
std::string CurrentExceptionMessage();
std::string CurrentExceptionReport();

// The application-wide handler's work for the exception being handled (call inside a catch
// block): sends its report through ReportEvent, then shows the standard error message. A silent
// abort (EAbort) does neither.
void HandleApplicationException();

}  // namespace quillon
