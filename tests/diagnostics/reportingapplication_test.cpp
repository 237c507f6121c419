#include "diagnostics/qt/reportingapplication.h"

#include <gtest/gtest.h>

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/exceptionreport.h"
#include "platform/error.h"
#include "platform/eventreport.h"
#include "platform/messagebox.h"
#include "platform/qt/qtmainthread.h"

namespace quillon {
namespace {

TReportingApplication& App() {
  return *static_cast<TReportingApplication*>(qApp);
}

// Serves the event loop until `count` reports have arrived or a time-out passes.
void ServeUntil(const std::vector<std::string>& reports, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (reports.size() < count && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool ReportsThrowFrom(const std::string& report, const std::string& message) {
  return report.starts_with(message + " Call Stack:   at diagnosticsqt_tests: $");
}

TEST(ReportingApplicationTest, ExceptionsFromTheEventLoopAndTheHandOverReachTheHandler) {
  std::vector<std::string> reports;
  App().SetExceptionHandler([&] { reports.push_back(CurrentExceptionReport()); });

  QMetaObject::invokeMethod(
      qApp, [] { throw Exception("posted"); }, Qt::QueuedConnection);
  QTimer::singleShot(0, qApp, [] { throw Exception("timer"); });
  QObject sender;
  QObject::connect(
      &sender, &QObject::objectNameChanged, qApp, [] { throw std::runtime_error("slot"); },
      Qt::QueuedConnection);
  sender.setObjectName("changed");
  TQtMainThread mainThread;
  std::thread([&] { mainThread.Post([] { throw Exception("handed"); }); }).join();
  ServeUntil(reports, 4);
  App().SetExceptionHandler(nullptr);

  ASSERT_EQ(reports.size(), 4u);
  std::vector<std::string> messages;
  for (const std::string& report : reports) messages.push_back(report.substr(0, report.find(' ')));
  std::sort(messages.begin(), messages.end());
  EXPECT_EQ(messages, (std::vector<std::string>{"handed", "posted", "slot", "timer"}));
  for (const std::string& report : reports)
    EXPECT_TRUE(ReportsThrowFrom(report, report.substr(0, report.find(' ')))) << report;
}

class TRecordingBoxes : public TMessageBoxes {
 public:
  void Show(const std::string&, const std::string& text, TMessageIcon) override {
    shown.push_back(text);
  }
  void ShowException(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

TEST(ReportingApplicationTest, TheStandardHandlerReportsThenShowsTheMessageButNotForAnAbort) {
  TRecordingBoxes boxes;
  SetMessageBoxes(&boxes);
  std::vector<std::string> sent;
  SetEventReportSender([&](const std::string& text, TReportSent) {
    sent.push_back(text);
    return true;
  });

  QMetaObject::invokeMethod(
      qApp, [] { throw EAbort(); }, Qt::QueuedConnection);
  QMetaObject::invokeMethod(
      qApp, [] { throw Exception("failed"); }, Qt::QueuedConnection);
  ServeUntil(sent, 1);
  QCoreApplication::processEvents();

  SetEventReportSender(nullptr);
  SetMessageBoxes(nullptr);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(ReportsThrowFrom(sent[0], "failed")) << sent[0];
  EXPECT_EQ(boxes.shown, std::vector<std::string>{"failed"});
}

}  // namespace
}  // namespace quillon

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  quillon::TReportingApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
