// checkpad5: the update check and the event reports over libcurl.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "update/updatesites.h"

namespace quillon {

class TVersionCheck;

// One request of the checker on its own thread: a version check or an event report.
class TVInfoDownload {
 public:
  TVInfoDownload(TVersionCheck* owner, std::string url);
  ~TVInfoDownload();  // waits for the thread
  TVInfoDownload(const TVInfoDownload&) = delete;
  TVInfoDownload& operator=(const TVInfoDownload&) = delete;

  void Start();
  // Asks the request to stop: it still ends on its own, but its result is no longer shown.
  void Terminate() { terminated_ = true; }
  bool Started() const { return started_; }
  bool Finished() const { return finished_; }
  // The check's result is being shown on the main thread while the worker waits for it.
  bool HandingOver() const { return handingOver_; }
  // Waits until the thread has ended; on the main thread while serving hand-overs.
  void WaitFor();

  TVersionCheck* Owner;
  std::string Url;
  std::string Response;
  uint32_t ErrorCode = 0;
  bool Failed = false;
  bool ReportMode = false;
  std::string Msg;
  std::string Product;
  std::string ReportVersion;
  std::string EventType;
  std::string ReportSite;

 private:
  void Execute();
  void CheckDone();

  std::thread thread_;
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> handingOver_{false};
};

// The update check and the event reports, one request at a time. Create it on the main thread;
// CheckVersion and the destructor run there, ReportEvent on any thread.
class TVersionCheck {
 public:
  explicit TVersionCheck(int32_t productId);
  ~TVersionCheck();  // stops being the report sender, then waits for a running request
  TVersionCheck(const TVersionCheck&) = delete;
  TVersionCheck& operator=(const TVersionCheck&) = delete;

  // InfoUrl, DownloadUrl and SiteHost from the product site, the report site from the events
  // site; a site that is missing or not https leaves its part unconfigured (nothing is sent).
  void Configure(const TUpdateSites& sites);

  // Starts a version check and returns; first waits for an earlier request to end.
  void CheckVersion();
  // Starts an event report with text (the system's description is appended); waits likewise.
  void ReportEvent(const std::string& text);
  // Makes this checker the sender of the platform's ReportEvent, queued texts first.
  void InstallAsEventReportSender();
  // A request is under way.
  bool Busy() const;

  std::string InfoUrl;
  std::string SiteHost;
  int32_t ProductId;
  bool ShowUpToDate = true;
  bool VersionKnown = false;
  std::string Version;
  std::string DownloadUrl;
  std::string ReportSite;

 private:
  struct TSenderGate;

  void Begin(std::unique_ptr<TVInfoDownload> next);
  bool AcquireSlot();
  bool WaitingWouldNeverEnd() const;
  void ReleaseSlot();
  void FinishWorker(bool stop);
  void CloseSenderGate();

  mutable std::mutex mutex_;
  std::condition_variable slotFreed_;
  bool slotTaken_ = false;
  bool slotTakenByMain_ = false;
  std::atomic<bool> closing_{false};
  std::unique_ptr<TVInfoDownload> Worker;
  std::string systemDescription_;
  std::shared_ptr<TSenderGate> gate_;
  bool sender_ = false;
};

// The end of a check on the main thread: the new-version question or the up-to-date message.
void ShowCheckResult(const TVersionCheck& checker, const std::string& response);

// Whether url may be handed to the desktop: an address on the site of the checker's InfoUrl.
bool IsProductSiteAddress(const std::string& url, const std::string& infoUrl);

}  // namespace quillon
