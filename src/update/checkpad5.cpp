#include "update/checkpad5.h"

#include <cstdio>
#include <exception>
#include <mutex>
#include <utility>

#include "localization/constants.h"
#include "platform/eventreport.h"
#include "platform/faults.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "platform/urlopener.h"
#include "update/getversion.h"
#include "update/getwebdata.h"
#include "update/osdescription.h"
#include "update/requestthread.h"
#include "update/siteaddress.h"
#include "update/uuriencode.h"
#include "update/versioncompare.h"

namespace quillon {

namespace {
constexpr const char* kCheckAgent = "CheckUpdates/1.0";
constexpr const char* kReportAgent = "AppEvents/1.1";
}  // namespace

// ---- TVInfoDownload ----

namespace {
// The reason a check gives for an answer that does not count.
void SetFailure(TVInfoDownload& check, const TWebAnswer& answer) {
  if (answer.errorCode != 0) {
    check.FailureKey = "updatecheckerror";
    check.FailureDetail = answer.error;
  } else if (!answer.redirect.empty()) {
    check.FailureKey = answer.tooManyRedirects ? "updateredirects" : "updateredirect";
    check.FailureDetail = answer.tooManyRedirects ? std::to_string(kMaxRedirects) : answer.redirect;
  } else if (!answer.delivered) {
    check.FailureKey = "updatestatus";
    check.FailureDetail = std::to_string(answer.status);
  } else {
    check.FailureKey = "updatecheckfailed";
  }
}
}  // namespace

void TVInfoDownload::Execute(const std::atomic<bool>& stopping) {
  try {
    TWebAnswer answer;
    if (ReportMode) {
      answer = GetWebData(kReportAgent, ReportSite,
                          "/pad/appevents.php?product=" + Product + "&version=" + ReportVersion +
                              "&type=" + EventType + "&msg=TX: " + Msg,
                          &stopping);
    } else {
      TUrlParts parts = SplitUrl(Url);
      answer = GetWebData(kCheckAgent, SiteOrigin(parts),
                          "/pad/getpad.php?pad=" + parts.path + "&field=version", &stopping);
    }
    // The answer's reading counts as one read, so that tests can make it fail.
    CheckFault(TFault::Read);
    ErrorCode = answer.errorCode;
    Response = answer.body;
    // A report needs no answer but the site's taking it; a check needs the version.
    Failed = !answer.delivered || (!ReportMode && Response.empty());
    if (Failed) SetFailure(*this, answer);
  } catch (const std::exception& error) {
    Failed = true;
    FailureKey = "updatecheckerror";
    FailureDetail = error.what();
  }
}

// ---- TVersionCheck ----

// What a report carries besides its text, as the main thread last configured it.
struct TVersionCheck::TReportOrigin {
  std::string site;
  std::string product;
  std::string version;
  std::string system;
};

// The report side, shared with the platform's sender so that a report from any thread reaches
// the request thread, or is refused once the checker has gone.
class TVersionCheck::TReports {
 public:
  explicit TReports(std::shared_ptr<TRequestThread> requests) : requests_(std::move(requests)) {}

  void SetOrigin(TReportOrigin origin) {
    std::lock_guard lock(mutex_);
    origin_ = std::move(origin);
  }

  bool Send(const std::string& text, TReportSent sent) {
    TVInfoDownload report;
    {
      std::lock_guard lock(mutex_);
      if (origin_.site.empty()) return false;
      report.ReportMode = true;
      report.Msg = URIEncode(text + " System:" + origin_.system);
      report.Product = origin_.product;
      report.ReportVersion = origin_.version;
      report.EventType.assign(1, '1');  // the only event type
      report.ReportSite = origin_.site;
    }
    return requests_->Queue(
        [report, sent = std::move(sent)](const std::atomic<bool>& stopping) mutable {
          report.Execute(stopping);
          if (!report.Failed && sent) sent();
        });
  }

 private:
  std::mutex mutex_;
  TReportOrigin origin_;
  std::shared_ptr<TRequestThread> requests_;
};

namespace {
// Reports beyond this many waiting are dropped, so that a storm cannot grow without end.
constexpr size_t kMaxWaitingRequests = 64;
}  // namespace

TVersionCheck::TVersionCheck(int32_t productId)
    : ProductId(productId),
      requests_(std::make_shared<TRequestThread>(kMaxWaitingRequests)),
      reports_(std::make_shared<TReports>(requests_)),
      alive_(std::make_shared<bool>(true)) {
  VersionKnown = GetVersionInfo(Version);
}

TVersionCheck::~TVersionCheck() {
  if (sender_) SetEventReportSender(nullptr);
  *alive_ = false;
  requests_->Stop();
}

void TVersionCheck::Configure(const TUpdateSites& sites) {
  std::string product = NormalisedSite(sites.product);
  InfoUrl = product.empty() ? "" : product + "/quillon.xml";
  // There is no installer to run here: the product page offers the package for this system.
  DownloadUrl = product.empty() ? "" : product + "/";
  SiteHost = product.empty() ? "" : SplitUrl(product).host;
  ReportSite = NormalisedSite(sites.events);
  reports_->SetOrigin(
      {ReportSite, std::to_string(ProductId), Version, OperatingSystemDescription()});
}

void TVersionCheck::CheckVersion() {
  if (InfoUrl.empty()) return;
  TVInfoDownload check;
  check.Url = InfoUrl;
  bool queued =
      requests_->Queue([check, alive = alive_, this](const std::atomic<bool>& stopping) mutable {
        check.Execute(stopping);
        MainThread().Post([check = std::move(check), alive, this] {
          if (*alive) CheckDone(check);
        });
      });
  if (queued)
    ++checksUnshown_;
  else
    TellCheckFailed(ShowUpToDate, "updatebusy");
}

bool TVersionCheck::ReportEvent(const std::string& text, TReportSent sent) {
  return reports_->Send(text, std::move(sent));
}

void TVersionCheck::InstallAsEventReportSender() {
  sender_ = true;
  SetEventReportSender([reports = reports_](const std::string& text, TReportSent sent) {
    return reports->Send(text, std::move(sent));
  });
}

bool TVersionCheck::Busy() const {
  return checksUnshown_ > 0 || requests_->Pending() > 0;
}

void TVersionCheck::CheckDone(const TVInfoDownload& check) {
  // Counted off first: the question may run a nested event loop that ends the checker.
  --checksUnshown_;
  // The start-up check stays silent; one the user asked for says why it found nothing.
  const bool asked = ShowUpToDate;
  if (check.Failed) {
    TellCheckFailed(asked, check.FailureKey, check.FailureDetail);
    return;
  }
  const std::shared_ptr<bool> alive = alive_;
  try {
    if (!ShowCheckResult(*this, check.Response)) TellCheckFailed(asked, "updatecheckfailed");
  } catch (const std::exception& error) {
    // The box could not be shown; the checker may have gone meanwhile.
    if (*alive) TellCheckFailed(asked, "updatecheckerror", error.what());
  }
}

void TVersionCheck::TellCheckFailed(bool asked, const std::string& key, const std::string& detail) {
  const std::string message = ConstantText(key, "%1", detail);
  if (asked)
    OnCheckFailed(message);
  else
    std::fprintf(stderr, "%s\n", message.c_str());
}

// ---- The result ----

bool IsProductSiteAddress(const std::string& url, const std::string& infoUrl) {
  TUrlParts target = SplitUrl(url);
  TUrlParts site = SplitUrl(infoUrl);
  return IsAcceptedSite(target) && IsAcceptedSite(site) && !target.hasUserOrQuery &&
         target.scheme == site.scheme && target.host == site.host && target.port == site.port;
}

bool ShowCheckResult(const TVersionCheck& checker, const std::string& response) {
  if (!checker.VersionKnown) return false;
  std::string remote = TrimmedBlanks(response);
  // Only a version number is an answer: an error page or anything else ends the check quietly
  // rather than claiming the installed version is current.
  if (!IsWellFormedVersion(remote)) return false;
  std::optional<bool> newer = IsNewerVersion(remote, checker.Version);
  if (!newer) return false;
  if (*newer) {
    const std::string question = ConstantText("updatenew", "%1", remote) + "\n" +
                                 ConstantText("updatesite", "%1", checker.SiteHost) + "\n" +
                                 ConstantText("updatedownload");
    // The installer comes from the product site only, whatever the answer contained.
    if (MessageBoxes().AskYesNo(kApplicationTitle, question) &&
        IsProductSiteAddress(checker.DownloadUrl, checker.InfoUrl))
      UrlOpener().Open(checker.DownloadUrl);
  } else if (checker.ShowUpToDate) {
    MessageBoxes().Show(kApplicationTitle, ConstantText("updatelatest", "%1", checker.Version),
                        TMessageIcon::Question);
  }
  return true;
}

}  // namespace quillon
