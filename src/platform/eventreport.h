#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillon {

using TEventReportSender = std::function<void(const std::string& text)>;

// Hands one line to the event-report channel. Safe from any thread. Until a sender is installed
// the texts queue; the sender may first wait for its previous request to end.
void ReportEvent(const std::string& text);

// Installs the sender (or none); texts queued so far are handed to it at once.
void SetEventReportSender(TEventReportSender sender);

// Takes the queued texts out of the queue.
std::vector<std::string> TakeQueuedEventReports();

}  // namespace quillon
