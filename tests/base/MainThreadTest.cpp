#include <gtest/gtest.h>

#include <atomic>
#include <semaphore>
#include <stdexcept>
#include <thread>

#include "base/MainThread.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

class MainThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { TMainThread::SetMainThread(); }
  void TearDown() override { TMainThread::SetWakeHook(nullptr); }
};

TEST_F(MainThreadTest, WorkerBlocksUntilTheMainThreadRanItsCall) {
  std::counting_semaphore<> woken{0};
  TMainThread::SetWakeHook([&] { woken.release(); });
  std::atomic<bool> ran{false}, returned{false};
  std::thread::id ranOn;
  std::thread worker([&] {
    TMainThread::RunInMainThread([&] {
      ranOn = std::this_thread::get_id();
      ran = true;
    });
    returned = true;
  });
  ASSERT_TRUE(woken.try_acquire_for(10s));
  // The call is queued; a faulty hand-over gets this long to return without the main thread.
  std::this_thread::sleep_for(30ms);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(returned);  // still waiting for the main thread
  EXPECT_EQ(TMainThread::ProcessPendingCalls(), 1);
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(MainThreadTest, OnTheMainThreadTheCallRunsDirectly) {
  int value = 0;
  TMainThread::RunInMainThread([&] { value = 7; });
  EXPECT_EQ(value, 7);
  EXPECT_EQ(TMainThread::ProcessPendingCalls(), 0);
}

TEST_F(MainThreadTest, ExceptionOfTheCallReachesTheCaller) {
  std::atomic<bool> caught{false};
  std::thread worker([&] {
    try {
      TMainThread::RunInMainThread([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& e) {
      caught = std::string(e.what()) == "handler failed";
    }
  });
  EXPECT_TRUE(TMainThread::WaitPumping([&] { return caught.load(); }, 5s));
  worker.join();
}

// The main thread waits for a worker that itself waits for the main thread: pumping while
// waiting completes both.
TEST_F(MainThreadTest, PumpingWaitCannotDeadlock) {
  std::atomic<int> calls{0};
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) TMainThread::RunInMainThread([&] { ++calls; });
    finished = true;
  });
  EXPECT_TRUE(TMainThread::WaitPumping([&] { return finished.load(); }, 10s));
  worker.join();
  EXPECT_EQ(calls, 50);
}

TEST_F(MainThreadTest, WaitPumpingTimesOut) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(TMainThread::WaitPumping([] { return false; }, 50ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

}  // namespace
}  // namespace qarvo
