#include "platform/qt/qtmainthread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

namespace quillon {
namespace {

TEST(QtMainThreadTest, PostRunsLaterOnTheGuiThread) {
  TQtMainThread main;
  bool ran = false;
  main.Post([&] { ran = true; });
  EXPECT_FALSE(ran);
  main.WaitServing([&] { return ran; });
  EXPECT_TRUE(ran);
}

TEST(QtMainThreadTest, WaitServingRunsAWorkersPost) {
  TQtMainThread main;
  std::atomic<bool> done{false};
  std::atomic<bool> onGuiThread{false};
  std::atomic<bool> workerIsMain{true};
  std::thread worker([&] {
    workerIsMain = main.IsMainThread();
    main.Post([&] {
      onGuiThread = QThread::currentThread() == qApp->thread();
      done = true;
    });
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  main.WaitServing([&] { return done.load() || std::chrono::steady_clock::now() > deadline; });
  ASSERT_TRUE(done.load());
  worker.join();
  EXPECT_FALSE(workerIsMain.load());
  EXPECT_TRUE(onGuiThread.load());
}

}  // namespace
}  // namespace quillon
