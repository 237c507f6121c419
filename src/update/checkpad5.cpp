#include "update/checkpad5.h"

#include <exception>

#include "platform/eventreport.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "platform/urlopener.h"
#include "update/getversion.h"
#include "update/getwebdata.h"
#include "update/osdescription.h"
#include "update/siteaddress.h"
#include "update/uuriencode.h"
#include "update/versioncompare.h"

namespace quillon {

namespace {
constexpr const char* kCheckAgent = "CheckUpdates/1.0";
constexpr const char* kReportAgent = "AppEvents/1.1";

std::string TrimmedWhiteSpace(const std::string& text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
}  // namespace

// ---- TVInfoDownload ----

TVInfoDownload::TVInfoDownload(TVersionCheck* owner, std::string url)
    : Owner(owner), Url(std::move(url)) {}

TVInfoDownload::~TVInfoDownload() {
  if (thread_.joinable()) thread_.join();
}

void TVInfoDownload::Start() {
  started_ = true;
  thread_ = std::thread([this] {
    try {
      Execute();
    } catch (...) {
      Failed = true;
    }
    finished_ = true;
  });
}

void TVInfoDownload::WaitFor() {
  if (!thread_.joinable()) return;
  // The worker of a check waits for its hand-over; the main thread keeps serving it meanwhile.
  if (MainThread().IsMainThread()) MainThread().WaitServing([this] { return Finished(); });
  thread_.join();
}

void TVInfoDownload::Execute() {
  if (ReportMode) {
    std::string ignored;
    GetWebData(kReportAgent, ReportSite,
               "/pad/appevents.php?product=" + Product + "&version=" + ReportVersion +
                   "&type=" + EventType + "&msg=TX: " + Msg,
               ignored, ErrorCode);
    return;
  }
  TUrlParts parts = SplitUrl(Url);
  Failed = !parts.valid || GetWebData(kCheckAgent, SiteOrigin(parts),
                                      "/pad/getpad.php?pad=" + parts.path + "&field=version",
                                      Response, ErrorCode) != 0;
  MainThread().Invoke([this] { CheckDone(); });
}

void TVInfoDownload::CheckDone() {
  if (Failed || terminated_) return;
  handingOver_ = true;
  try {
    ShowCheckResult(*Owner, Response);
  } catch (const std::exception&) {
    // A box that cannot be shown ends the check like a failed request: quietly.
  }
  handingOver_ = false;
}

// ---- TVersionCheck ----

struct TVersionCheck::TSenderGate {
  std::mutex mutex;
  std::condition_variable idle;
  TVersionCheck* checker = nullptr;
  int active = 0;
};

TVersionCheck::TVersionCheck(int32_t productId)
    : ProductId(productId),
      systemDescription_(OperatingSystemDescription()),
      gate_(std::make_shared<TSenderGate>()) {
  VersionKnown = GetVersionInfo(Version);
  gate_->checker = this;
}

TVersionCheck::~TVersionCheck() {
  CloseSenderGate();
  closing_ = true;
  bool owned = AcquireSlot();
  FinishWorker(true);
  if (owned) ReleaseSlot();
}

void TVersionCheck::Configure(const TUpdateSites& sites) {
  std::string product = NormalisedSite(sites.product);
  InfoUrl = product.empty() ? "" : product + "/quillon.xml";
  DownloadUrl = product.empty() ? "" : product + "/quillon.exe";
  SiteHost = product.empty() ? "" : SplitUrl(product).host;
  ReportSite = NormalisedSite(sites.events);
}

void TVersionCheck::CheckVersion() {
  if (InfoUrl.empty()) return;
  Begin(std::make_unique<TVInfoDownload>(this, InfoUrl));
}

void TVersionCheck::ReportEvent(const std::string& text) {
  if (ReportSite.empty()) return;
  auto worker = std::make_unique<TVInfoDownload>(this, InfoUrl);
  worker->ReportMode = true;
  worker->Msg = URIEncode(text + " System:" + systemDescription_);
  worker->Product = std::to_string(ProductId);
  worker->ReportVersion = Version;
  worker->EventType.assign(1, '1');  // the only event type
  worker->ReportSite = ReportSite;
  Begin(std::move(worker));
}

void TVersionCheck::InstallAsEventReportSender() {
  sender_ = true;
  SetEventReportSender([gate = gate_](const std::string& text) {
    TVersionCheck* checker;
    {
      std::lock_guard lock(gate->mutex);
      checker = gate->checker;
      if (!checker) return;
      ++gate->active;
    }
    struct TLeave {
      TSenderGate& gate;
      ~TLeave() {
        {
          std::lock_guard lock(gate.mutex);
          --gate.active;
        }
        gate.idle.notify_all();
      }
    } leave{*gate};
    checker->ReportEvent(text);
  });
}

bool TVersionCheck::Busy() const {
  std::lock_guard lock(mutex_);
  return Worker && Worker->Started() && !Worker->Finished();
}

void TVersionCheck::Begin(std::unique_ptr<TVInfoDownload> next) {
  if (closing_ || !AcquireSlot()) return;
  if (WaitingWouldNeverEnd()) {
    ReleaseSlot();
    return;
  }
  FinishWorker(false);
  if (!closing_) {
    std::lock_guard lock(mutex_);
    Worker = std::move(next);
    Worker->Start();
  }
  ReleaseSlot();
}

// One request at a time, whichever thread asks: the caller owns the slot from waiting for the
// previous worker until the next one has started.
bool TVersionCheck::AcquireSlot() {
  bool onMain = MainThread().IsMainThread();
  std::unique_lock lock(mutex_);
  if (!onMain) {
    slotFreed_.wait(lock, [this] { return !slotTaken_; });
    slotTaken_ = true;
    slotTakenByMain_ = false;
    return true;
  }
  // Made from inside the main thread's own wait for the slot's worker: that wait can only end
  // after this call returns, so the request is dropped.
  if (slotTaken_ && slotTakenByMain_) return false;
  lock.unlock();
  MainThread().WaitServing([this] {
    std::lock_guard inner(mutex_);
    if (slotTaken_) return false;
    slotTaken_ = true;
    slotTakenByMain_ = true;
    return true;
  });
  return true;
}

// A request made on the main thread from inside the check's result (its question is open): the
// worker waits for that result to return, so waiting for the worker here would never end and the
// request is dropped.
bool TVersionCheck::WaitingWouldNeverEnd() const {
  std::lock_guard lock(mutex_);
  return Worker && Worker->HandingOver() && MainThread().IsMainThread();
}

void TVersionCheck::ReleaseSlot() {
  {
    std::lock_guard lock(mutex_);
    slotTaken_ = false;
    slotTakenByMain_ = false;
  }
  slotFreed_.notify_all();
}

void TVersionCheck::FinishWorker(bool stop) {
  TVInfoDownload* previous;
  {
    std::lock_guard lock(mutex_);
    previous = Worker.get();
  }
  if (!previous) return;
  if (stop) previous->Terminate();
  previous->WaitFor();
  std::lock_guard lock(mutex_);
  Worker.reset();
}

void TVersionCheck::CloseSenderGate() {
  if (sender_) SetEventReportSender(nullptr);
  auto idle = [this] { return gate_->active == 0; };
  std::unique_lock lock(gate_->mutex);
  gate_->checker = nullptr;
  if (!MainThread().IsMainThread()) {
    gate_->idle.wait(lock, idle);
    return;
  }
  lock.unlock();
  MainThread().WaitServing([this, idle] {
    std::lock_guard inner(gate_->mutex);
    return idle();
  });
}

// ---- The result ----

bool IsProductSiteAddress(const std::string& url, const std::string& infoUrl) {
  TUrlParts target = SplitUrl(url);
  TUrlParts site = SplitUrl(infoUrl);
  return IsAcceptedSite(target) && IsAcceptedSite(site) && !target.hasUserOrQuery &&
         target.scheme == site.scheme && target.host == site.host && target.port == site.port;
}

void ShowCheckResult(const TVersionCheck& checker, const std::string& response) {
  if (!checker.VersionKnown) return;
  std::string remote = TrimmedWhiteSpace(response);
  // Only a version number is an answer: an error page or anything else ends the check quietly
  // rather than claiming the installed version is current.
  if (!IsWellFormedVersion(remote)) return;
  std::optional<bool> newer = IsNewerVersion(remote, checker.Version);
  if (!newer) return;
  if (*newer) {
    std::string question = "There is a new version " + remote + " of this program\navailable at " +
                           checker.SiteHost + "\nDo you want to download it now?";
    // The installer comes from the product site only, whatever the answer contained.
    if (MessageBoxes().AskYesNo(kApplicationTitle, question) &&
        IsProductSiteAddress(checker.DownloadUrl, checker.InfoUrl))
      UrlOpener().Open(checker.DownloadUrl);
  } else if (checker.ShowUpToDate) {
    MessageBoxes().Show(
        kApplicationTitle,
        "You already have the latest version " + checker.Version + " of this program",
        TMessageIcon::Question);
  }
}

}  // namespace quillon
