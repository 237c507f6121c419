#include "platform/eventreport.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(EventReportTest, QueuesUntilASenderIsInstalledThenHandsOverInOrder) {
  TakeQueuedEventReports();
  ReportEvent("one");
  ReportEvent("two");
  std::vector<std::string> sent;
  SetEventReportSender([&](const std::string& text, TReportSent) {
    sent.push_back(text);
    return true;
  });
  ReportEvent("three");
  SetEventReportSender(nullptr);
  EXPECT_EQ(sent, (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_TRUE(TakeQueuedEventReports().empty());
  ReportEvent("four");
  EXPECT_EQ(TakeQueuedEventReports(), std::vector<std::string>{"four"});
}

}  // namespace
}  // namespace quillon
