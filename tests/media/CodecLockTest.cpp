#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <semaphore>
#include <thread>

#include "base/MainThread.h"
#include "media/CodecLock.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

class CodecLockTest : public ::testing::Test {
 protected:
  void SetUp() override { TMainThread::SetMainThread(); }
};

TEST_F(CodecLockTest, OnTheMainThreadItServesAWorkerHoldingIt) {
  std::binary_semaphore locked{0};
  std::atomic<bool> released{false};
  std::thread worker([&] {
    TCodecLockGuard guard;
    locked.release();
    // Like a codec that logs to a main-thread handler while the lock is held.
    TMainThread::RunInMainThread([] {});
    released = true;
  });
  ASSERT_TRUE(locked.try_acquire_for(10s));
  { TCodecLockGuard guard; }
  EXPECT_TRUE(released);
  worker.join();
}

}  // namespace
}  // namespace qarvo
