#include "platform/taskloop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/event.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;

TEST(TaskLoopTest, PostFromWorkerRunsOnOwner) {
  TTaskLoop loop;
  std::thread::id ranOn;
  std::atomic<bool> ran{false};
  std::thread worker([&] {
    loop.Post([&] {
      ranOn = std::this_thread::get_id();
      ran = true;
    });
  });
  ASSERT_TRUE(loop.RunUntil([&] { return ran.load(); }, 10s));
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(TaskLoopTest, PostedTasksRunInOrderOnlyWhenServed) {
  TTaskLoop loop;
  std::string order;
  loop.Post([&] { order += 'a'; });
  loop.Post([&] { order += 'b'; });
  EXPECT_EQ(order, "");
  loop.RunPending();
  EXPECT_EQ(order, "ab");
}

TEST(TaskLoopTest, RunUntilTimesOut) {
  TTaskLoop loop;
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 20ms));
}

TEST(EventTest, ManualResetStaysSetAutoResetReleasesOne) {
  TEvent manual(true, false);
  EXPECT_FALSE(manual.WaitFor(1ms));
  manual.Set();
  EXPECT_TRUE(manual.WaitFor(1ms));
  EXPECT_TRUE(manual.WaitFor(1ms));
  TEvent automatic(false, true);
  EXPECT_TRUE(automatic.WaitFor(1ms));
  EXPECT_FALSE(automatic.WaitFor(1ms));
}

}  // namespace
}  // namespace quillon
