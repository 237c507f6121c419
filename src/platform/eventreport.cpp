#include "platform/eventreport.h"

#include <mutex>
#include <utility>

namespace quillon {

namespace {
struct TQueuedReport {
  std::string text;
  TReportSent sent;
};

std::mutex mutex;
TEventReportSender sender;
std::vector<TQueuedReport> queued;
// Bounded so that a report storm before the sender exists cannot grow without end.
constexpr size_t kMaxQueued = 256;
}  // namespace

bool ReportEvent(const std::string& text, TReportSent sent) {
  TEventReportSender current;
  {
    std::lock_guard lock(mutex);
    if (!sender) {
      if (queued.size() < kMaxQueued) queued.push_back({text, std::move(sent)});
      return false;
    }
    current = sender;
  }
  return current(text, std::move(sent));
}

void SetEventReportSender(TEventReportSender newSender) {
  std::vector<TQueuedReport> pending;
  {
    std::lock_guard lock(mutex);
    sender = std::move(newSender);
    if (sender) pending.swap(queued);
  }
  for (auto& report : pending) ReportEvent(report.text, std::move(report.sent));
}

std::vector<std::string> TakeQueuedEventReports() {
  std::vector<TQueuedReport> taken;
  {
    std::lock_guard lock(mutex);
    taken.swap(queued);
  }
  std::vector<std::string> texts;
  for (auto& report : taken) texts.push_back(std::move(report.text));
  return texts;
}

}  // namespace quillon
