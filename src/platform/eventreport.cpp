#include "platform/eventreport.h"

#include <mutex>

namespace quillon {

namespace {
std::mutex mutex;
TEventReportSender sender;
std::vector<std::string> queued;
// Bounded so that a report storm before the sender exists cannot grow without end.
constexpr size_t kMaxQueued = 256;
}  // namespace

void ReportEvent(const std::string& text) {
  TEventReportSender current;
  {
    std::lock_guard lock(mutex);
    if (!sender) {
      if (queued.size() < kMaxQueued) queued.push_back(text);
      return;
    }
    current = sender;
  }
  current(text);
}

void SetEventReportSender(TEventReportSender newSender) {
  std::vector<std::string> pending;
  {
    std::lock_guard lock(mutex);
    sender = std::move(newSender);
    if (sender) pending.swap(queued);
  }
  for (const auto& text : pending) ReportEvent(text);
}

std::vector<std::string> TakeQueuedEventReports() {
  std::lock_guard lock(mutex);
  std::vector<std::string> taken;
  taken.swap(queued);
  return taken;
}

}  // namespace quillon
