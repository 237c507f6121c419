// checkpad5: the update check and the event reports over libcurl.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/eventreport.h"
#include "platform/subscription.h"
#include "update/updatesites.h"

namespace quillon {

class TRequestThread;

// One request of the checker, run on its request thread: a version check or an event report.
// Everything it needs is copied in when it is queued; it hands its result back by value.
struct TVInfoDownload {
  // Runs the request; stopping ends a request that stalls. Whatever goes wrong, a thrown
  // std::exception too, ends in Failed with its reason.
  void Execute(const std::atomic<bool>& stopping);

  std::string Url;  // check mode: the version file's address
  std::string Response;
  uint32_t ErrorCode = 0;
  bool Failed = false;
  // Why it failed: the key of the message that says so, and the text for its %1.
  std::string FailureKey;
  std::string FailureDetail;
  bool ReportMode = false;
  std::string Msg;  // report mode: the encoded text
  std::string Product;
  std::string ReportVersion;
  std::string EventType;
  std::string ReportSite;
};

// The update check and the event reports. One long-lived request thread runs them in the order
// they were made, one at a time; no caller ever waits for the network. Create, configure, check
// and destroy it on the main thread; ReportEvent may come from any thread. A check's result comes
// back to the main thread as a posted task.
class TVersionCheck {
 public:
  explicit TVersionCheck(int32_t productId);
  // Stops being the report sender and ends the request thread: what waits is dropped, a running
  // request gives up (within about a second) and its result is not shown.
  ~TVersionCheck();
  TVersionCheck(const TVersionCheck&) = delete;
  TVersionCheck& operator=(const TVersionCheck&) = delete;

  // InfoUrl, DownloadUrl (the product site's page, which offers the download for this system)
  // and SiteHost from the product site, the report site from the events
  // site; a site that is missing or not https leaves its part unconfigured (nothing is sent).
  // Reports take the version and sites as they are at this call.
  void Configure(const TUpdateSites& sites);

  // Queues a version check and returns; a check that cannot be queued fails at once.
  void CheckVersion();
  // Queues an event report with text (the system's description is appended) and returns; false
  // when it will not be sent. sent runs on the request thread once the report has gone out.
  bool ReportEvent(const std::string& text, TReportSent sent = {});
  // Makes this checker the sender of the platform's ReportEvent, queued texts first.
  void InstallAsEventReportSender();
  // On the main thread: a request waits or runs, or a check's result is still to be shown.
  bool Busy() const;

  std::string InfoUrl;
  std::string SiteHost;
  int32_t ProductId;
  bool ShowUpToDate = true;
  bool VersionKnown = false;
  std::string Version;
  std::string DownloadUrl;
  std::string ReportSite;
  // Runs on the main thread with the message saying why, when a check the user asked for
  // (ShowUpToDate) got no answer or one that is no version number. The start-up check writes
  // that message to standard error instead.
  TSignal<const std::string&> OnCheckFailed;

 private:
  struct TReportOrigin;
  class TReports;

  void CheckDone(const TVInfoDownload& check);
  void TellCheckFailed(bool asked, const std::string& key, const std::string& detail = "");

  std::shared_ptr<TRequestThread> requests_;
  std::shared_ptr<TReports> reports_;
  // Main thread only: posted results look at it before touching the checker.
  std::shared_ptr<bool> alive_;
  int checksUnshown_ = 0;  // main thread only
  bool sender_ = false;
};

// The end of a check on the main thread: the new-version question or the up-to-date message.
// False when the response was no version number to compare with.
bool ShowCheckResult(const TVersionCheck& checker, const std::string& response);

// Whether url may be handed to the desktop: an address on the site of the checker's InfoUrl.
bool IsProductSiteAddress(const std::string& url, const std::string& infoUrl);

}  // namespace quillon
