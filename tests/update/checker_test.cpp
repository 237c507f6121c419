#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

#include "diagnostics/crashreport.h"
#include "fakes.h"
#include "localization/constants.h"
#include "platform/error.h"
#include "platform/eventreport.h"
#include "platform/faults.h"
#include "platform/taskloop.h"
#include "support/fixtures.h"
#include "testserver.h"
#include "update/checkpad5.h"
#include "update/getwebdata.h"
#include "update/osdescription.h"
#include "update/uuriencode.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::TReply;
using test::TReplyKind;

constexpr const char* kCheckTarget = "/pad/getpad.php?pad=/quillon.xml&field=version";

// A checker talking to a recording server on this machine, its main thread a task loop.
class CheckerTest : public ::testing::Test {
 protected:
  CheckerTest() {
    SetMainThread(&loop);
    SetWebTimeouts({2s, 2s});
    checker = std::make_unique<TVersionCheck>(80003);
    checker->Version = "2.1.3.5";
    checker->Configure({server.Site(), server.Site(), ""});
    listening =
        checker->OnCheckFailed.Subscribe([&](const std::string& why) { said.push_back(why); });
  }
  ~CheckerTest() override {
    checker.reset();
    SetEventReportSender(nullptr);
    TakeQueuedEventReports();
    SetWebTimeouts({});
    SetMainThread(nullptr);
  }

  void Reply(TReply check, TReply report = {}) {
    std::lock_guard lock(mutex);
    checkReply = std::move(check);
    reportReply = std::move(report);
  }
  TReply Respond(const test::TRecordedRequest& request) {
    std::lock_guard lock(mutex);
    if (request.target.starts_with("/moved")) return test::Answer(checker->Version);
    if (request.target.starts_with("/again")) return test::Redirect(request.target + "n", 307);
    return request.target.starts_with("/pad/getpad.php") ? checkReply : reportReply;
  }
  bool RunUntilIdle() {
    return loop.RunUntil([this] { return !checker->Busy(); }, 20s);
  }
  std::string ReportTarget(const std::string& text) {
    return "/pad/appevents.php?product=80003&version=" + checker->Version + "&type=1&msg=TX:%20" +
           URIEncode(text + " System:" + OperatingSystemDescription());
  }

  std::mutex mutex;
  TReply checkReply;
  TReply reportReply;
  TTaskLoop loop;
  test::TInstalledRecorders recorders;
  test::TTestServer server{[this](const test::TRecordedRequest& r) { return Respond(r); }};
  std::unique_ptr<TVersionCheck> checker;
  std::vector<std::string> said;  // by OnCheckFailed
  TSubscription listening;
};

TEST_F(CheckerTest, ACheckAsksForTheVersionFreshlyAndOffersTheProductPage) {
  Reply(test::Answer(" 2.2.0.0\r\n"));
  checker->CheckVersion();
  ASSERT_TRUE(RunUntilIdle());
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, kCheckTarget);
  EXPECT_EQ(requests[0].userAgent, "CheckUpdates/1.0");
  EXPECT_EQ(requests[0].cacheControl, "no-cache");
  EXPECT_EQ(requests[0].pragma, "no-cache");
  ASSERT_EQ(recorders.boxes.asked.size(), 1u);
  EXPECT_EQ(recorders.boxes.asked[0],
            "There is a new version 2.2.0.0 of this program\navailable at 127.0.0.1\n"
            "Do you want to download it now?");
  // No installer for another system: the product page offers what fits this one.
  EXPECT_EQ(recorders.opener.opened, std::vector<std::string>{server.Site() + "/"});
}

// A check the user asked for says when it found no answer; the start-up check only logs it.
TEST_F(CheckerTest, OnlyACheckTheUserAskedForReportsThatItFailed) {
  const struct {
    const char* name;
    TReply reply;
    bool asked;
    int failures;
  } rows[] = {
      {"connection closed", test::CloseAtOnce(), true, 1},
      {"empty body", test::Answer("", 500), true, 1},
      {"error page", test::Answer("<html>Not found</html>", 404), true, 1},
      {"start-up, closed", test::CloseAtOnce(), false, 0},
      {"start-up, error page", test::Answer("<html>Not found</html>", 404), false, 0},
      {"current version", test::Answer("2.1.3.5"), true, 0},
      {"newer version", test::Answer("2.2.0.0"), true, 0},
  };
  for (const auto& row : rows) {
    int failures = 0;
    const TSubscription counting =
        checker->OnCheckFailed.Subscribe([&](const std::string&) { ++failures; });
    checker->ShowUpToDate = row.asked;
    Reply(row.reply);
    testing::internal::CaptureStderr();
    checker->CheckVersion();
    const bool idle = RunUntilIdle();
    const std::string logged = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(idle) << row.name;
    EXPECT_EQ(failures, row.failures) << row.name;
    EXPECT_EQ(logged.empty(), row.asked) << "the start-up check's reason goes to the log";
  }
}

TEST_F(CheckerTest, AnAddressInTheAnswerIsNeverOpened) {
  Reply(test::Answer("9.0.0.0\r\nDownloadUrl=https://elsewhere.example/setup.exe"));
  checker->CheckVersion();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_TRUE(recorders.boxes.asked.empty());
  EXPECT_TRUE(recorders.opener.opened.empty());
}

TEST_F(CheckerTest, QueuedReportsGoOutOnceTheCheckerIsTheSender) {
  const std::string text = "  Granularity: 4096, page size: 4096, CPU arch: 9, CPU num: 2";
  ReportEvent(text);  // before there is a sender, as at start-up
  checker->InstallAsEventReportSender();
  ASSERT_TRUE(server.WaitForRequests(1));
  ASSERT_TRUE(RunUntilIdle());
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, ReportTarget(text));
  EXPECT_NE(requests[0].target.find("msg=TX:%20%20%20Granularity%3A%204096"), std::string::npos);
  EXPECT_EQ(requests[0].userAgent, "AppEvents/1.1");
  EXPECT_EQ(requests[0].cacheControl, "no-cache");
  EXPECT_EQ(requests[0].pragma, "no-cache");
  EXPECT_TRUE(recorders.boxes.shown.empty());
}

TEST_F(CheckerTest, FailedChecksEndWithoutAMessage) {
  SetWebTimeouts({2s, 300ms});
  checker->ShowUpToDate = true;
  const TReply failures[] = {
      test::NeverAnswer(), test::Answer("Internal Server Error.", 500),
      test::CloseAtOnce(), test::Answer(" \r\n"),
      test::Answer("5.0"),
  };
  size_t sent = 0;
  for (const TReply& failure : failures) {
    Reply(failure);
    checker->CheckVersion();
    ASSERT_TRUE(server.WaitForRequests(++sent));
    EXPECT_TRUE(checker->Busy() || failure.kind != TReplyKind::NeverAnswer)
        << "the check returned without waiting for its answer";
    ASSERT_TRUE(RunUntilIdle()) << "the time-out did not end the check";
  }
  EXPECT_TRUE(recorders.boxes.shown.empty());
  EXPECT_TRUE(recorders.boxes.asked.empty());
}

// Runs body on another thread; false when it has not returned within the deadline.
template <typename Body>
bool ReturnsWithin(std::chrono::seconds deadline, Body body) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> returned = done->get_future();
  std::thread([done, body]() mutable {
    body();
    done->set_value();
  }).detach();
  return returned.wait_for(deadline) == std::future_status::ready;
}

TEST_F(CheckerTest, RequestsGoOutOneAtATimeInTheOrderTheyWereMade) {
  checker->ShowUpToDate = false;
  Reply(test::Answer("2.1.3.5", 200, 100ms), test::Answer("ok", 200, 100ms));
  std::thread([this] { checker->ReportEvent("first, from a worker"); }).join();
  checker->CheckVersion();
  checker->ReportEvent("third");
  std::thread([this] { checker->ReportEvent("fourth, from a worker"); }).join();
  ASSERT_TRUE(RunUntilIdle());
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].target, ReportTarget("first, from a worker"));
  EXPECT_EQ(requests[1].target, kCheckTarget);
  EXPECT_EQ(requests[2].target, ReportTarget("third"));
  EXPECT_EQ(requests[3].target, ReportTarget("fourth, from a worker"));
  EXPECT_EQ(server.MostAtOnce(), 1);
}

TEST_F(CheckerTest, NobodyWaitsForAStalledRequest) {
  SetWebTimeouts({60s, 60s});
  Reply(test::NeverAnswer(), test::NeverAnswer());
  checker->ReportEvent("stalls");
  ASSERT_TRUE(server.WaitForRequests(1));
  // Neither the main thread nor a worker blocks behind the stalled report.
  std::atomic<bool> workerReturned = false;
  std::thread documentWorker([&] {
    checker->ReportEvent("from a worker");
    workerReturned = true;
  });
  checker->CheckVersion();
  documentWorker.join();
  EXPECT_TRUE(workerReturned);
  EXPECT_TRUE(checker->Busy());
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(CheckerTest, ShutdownWhileARequestStallsEndsPromptlyAndShowsNothing) {
  SetWebTimeouts({60s, 60s});
  Reply(test::NeverAnswer(), test::NeverAnswer());
  checker->CheckVersion();
  checker->ReportEvent("never sent");
  ASSERT_TRUE(server.WaitForRequests(1));
  // Well within the request's own time-outs.
  ASSERT_TRUE(ReturnsWithin(20s, [this] { checker.reset(); }));
  // The request thread has ended: whatever it posted waits now, and must find no checker.
  loop.RunPending();
  EXPECT_TRUE(recorders.boxes.asked.empty());
  EXPECT_TRUE(recorders.boxes.shown.empty());
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(CheckerTest, AResultArrivingAfterShutdownIsNotShown) {
  Reply(test::Answer("9.0.0.0"));
  checker->CheckVersion();
  // The answer comes back while the loop is not served; its result waits in the queue once a
  // report behind the check has gone.
  auto behind = std::make_shared<std::promise<void>>();
  checker->ReportEvent("behind the check", [behind] { behind->set_value(); });
  ASSERT_EQ(behind->get_future().wait_for(20s), std::future_status::ready);
  checker.reset();
  loop.RunPending();
  EXPECT_TRUE(recorders.boxes.asked.empty());
}

TEST_F(CheckerTest, ARequestFromInsideTheQuestionGoesOutAfterIt) {
  Reply(test::Answer("9.0.0.0"), test::Answer("ok"));
  recorders.boxes.whileAsking = [this] {
    recorders.boxes.whileAsking = nullptr;
    checker->ShowUpToDate = false;
    checker->ReportEvent("while the question is open");
  };
  checker->CheckVersion();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(recorders.boxes.asked.size(), 1u);
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].target, ReportTarget("while the question is open"));
}

TEST_F(CheckerTest, OnlyAReportThatReachedTheSiteCountsAsSent) {
  SetWebTimeouts({2s, 300ms});
  Reply({}, test::Answer("ok"));
  std::atomic<int> sent = 0;
  EXPECT_TRUE(checker->ReportEvent("arrives", [&] { ++sent; }));
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(sent, 1);
  Reply({}, test::NeverAnswer());
  EXPECT_TRUE(checker->ReportEvent("times out", [&] { ++sent; }));
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(sent, 1);
  checker->Configure({server.Site(), "", ""});
  EXPECT_FALSE(checker->ReportEvent("no site", [&] { ++sent; }));
  EXPECT_FALSE(::quillon::ReportEvent("no sender"));
  checker->InstallAsEventReportSender();
  EXPECT_FALSE(::quillon::ReportEvent("no site"));
}

TEST_F(CheckerTest, WithoutSitesNothingIsSent) {
  checker->Configure({"", "http://example.com", ""});
  checker->CheckVersion();
  checker->ReportEvent("nowhere");
  EXPECT_FALSE(checker->Busy());
  EXPECT_TRUE(checker->InfoUrl.empty());
  EXPECT_TRUE(server.Requests().empty());
}

// Only a 2xx answer delivers: a crash report that got any other stays in its file for the next
// start, and a check the user asked for says why it failed (a connection's failure with
// libcurl's reason).
TEST_F(CheckerTest, OnlyA2xxAnswerDeliversAndEveryOtherSaysWhy) {
  const std::string failed = ConstantText("updatecheckerror", "%1", "");
  test::TTestServer elsewhere([](const test::TRecordedRequest&) { return test::Answer("9"); });
  const struct {
    const char* name;
    TReply reply;
    bool delivered;
    std::string says;  // empty: answered
  } rows[] = {
      {"200", test::Answer("2.1.3.5"), true, ""},
      {"204", test::Answer("", 204), true, ConstantText("updatecheckfailed")},
      {"301 to 200", test::Redirect("/moved"), true, ""},
      {"404", test::Answer("2.1.3.5", 404), false, ConstantText("updatestatus", "%1", "404")},
      {"500", test::Answer("2.1.3.5", 500), false, ConstantText("updatestatus", "%1", "500")},
      {"dropped connection", test::CloseAtOnce(), false, failed},
      {"slow server", test::Answer("2.1.3.5", 200, 20s), false, failed},
      {"302 to another site", test::Redirect(elsewhere.Site() + "/", 302), false,
       ConstantText("updateredirect", "%1", elsewhere.Site() + "/")},
      {"endless redirections", test::Redirect("/again"), false,
       ConstantText("updateredirects", "%1", std::to_string(kMaxRedirects))},
  };
  checker->InstallAsEventReportSender();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Reply(row.reply, row.reply);
    test::TTempDir crashes;
    std::ofstream(crashes.File("crash-7.txt")) << "Fatal signal SIGSEGV";
    ASSERT_EQ(SendPendingCrashReports(crashes.Path()), 1);
    said.clear();
    checker->CheckVersion();
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(crashes.List().empty(), row.delivered);
    ASSERT_EQ(said.size(), row.says.empty() ? 0u : 1u);
    if (said.empty()) continue;
    EXPECT_TRUE(said[0].starts_with(row.says)) << said[0];
    EXPECT_EQ(said[0].size() > row.says.size(), row.says == failed) << said[0];
  }
  EXPECT_TRUE(elsewhere.Requests().empty());
}

TEST_F(CheckerTest, AnExceptionInTheRequestThreadReachesTheUserWithItsReason) {
  FailNth(TFault::Read, 1);
  checker->CheckVersion();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(
      said,
      (std::vector<std::string>{ConstantText("updatecheckerror", "%1", EOSError(EIO).what())}));
}

TEST(GetWebDataTest, ReturnsAnyTrimmedBodyAndWhetherTheSiteTookIt) {
  TReply reply;
  std::mutex mutex;
  test::TTestServer server([&](const test::TRecordedRequest&) {
    std::lock_guard lock(mutex);
    return reply;
  });
  auto get = [&](TReply next) {
    {
      std::lock_guard lock(mutex);
      reply = std::move(next);
    }
    return GetWebData("Agent/1", server.Site(), "/a b?c=d");
  };
  TWebAnswer page = get(test::Answer("\t Error page \n", 500));
  EXPECT_EQ(page.body, "Error page");
  EXPECT_FALSE(page.delivered);
  EXPECT_TRUE(get(test::Answer("")).delivered);
  EXPECT_NE(get(test::CloseAtOnce()).errorCode, 0u);
  EXPECT_EQ(server.Requests().at(0).target, "/a%20b?c=d");
  EXPECT_FALSE(GetWebData("Agent/1", "http://example.com", "/").delivered);
}

}  // namespace
}  // namespace quillon
