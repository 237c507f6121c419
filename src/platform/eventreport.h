#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillon {

// Runs once a report has really reached its site, on the channel's own thread.
using TReportSent = std::function<void()>;
// Takes one report for sending; false when it will not be sent (no site, or too many waiting).
using TEventReportSender = std::function<bool(const std::string& text, TReportSent sent)>;

// Hands one line to the event-report channel. Safe from any thread; never waits for the
// network. Until a sender is installed the texts queue. True when the sender took it; sent runs
// only when it has gone out.
bool ReportEvent(const std::string& text, TReportSent sent = {});

// Installs the sender (or none); texts queued so far are handed to it at once.
void SetEventReportSender(TEventReportSender sender);

// Takes the queued texts out of the queue.
std::vector<std::string> TakeQueuedEventReports();

}  // namespace quillon
