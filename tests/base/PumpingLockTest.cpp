#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "base/MainThread.h"
#include "base/PumpingLock.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

class PumpingLockTest : public ::testing::Test {
 protected:
  void SetUp() override { TMainThread::SetMainThread(); }
};

// The holder waits for the main thread before it lets go: a plain lock on the main thread
// would never return.
TEST_F(PumpingLockTest, MainThreadRunsTheHoldersCallWhileItWaits) {
  std::timed_mutex mutex;
  std::atomic<bool> holding{false}, callRan{false};
  std::thread holder([&] {
    std::lock_guard lock(mutex);
    holding = true;
    TMainThread::RunInMainThread([&] { callRan = true; });
  });
  while (!holding) std::this_thread::sleep_for(1ms);
  {
    TPumpingLock lock(mutex);
    EXPECT_TRUE(callRan);
  }
  holder.join();
}

TEST_F(PumpingLockTest, TryLockGivesUpWhenTheHolderKeepsIt) {
  std::timed_mutex mutex;
  std::mutex releaseMutex;
  releaseMutex.lock();
  std::atomic<bool> holding{false};
  std::thread holder([&] {
    std::lock_guard lock(mutex);
    holding = true;
    std::lock_guard wait(releaseMutex);
  });
  while (!holding) std::this_thread::sleep_for(1ms);
  EXPECT_FALSE(TryLockPumping(mutex, 20ms));
  releaseMutex.unlock();
  holder.join();
  ASSERT_TRUE(TryLockPumping(mutex, 0ms));  // a free lock is taken even without time to wait
  mutex.unlock();
}

TEST_F(PumpingLockTest, OffTheMainThreadItIsAPlainLock) {
  std::timed_mutex mutex;
  int guarded = 0;
  auto add = [&] {
    for (int i = 0; i < 1000; ++i) {
      TPumpingLock lock(mutex);
      ++guarded;
    }
  };
  std::thread a(add), b(add);
  a.join();
  b.join();
  EXPECT_EQ(guarded, 2000);
  EXPECT_TRUE(mutex.try_lock());
  mutex.unlock();
}

}  // namespace
}  // namespace qarvo
