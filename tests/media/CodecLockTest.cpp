#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
  std::atomic<bool> locked{false}, released{false};
  std::thread worker([&] {
    TCodecLockGuard guard;
    locked = true;
    // Like a codec that logs to a main-thread handler while the lock is held.
    TMainThread::RunInMainThread([] {});
    released = true;
  });
  while (!locked) std::this_thread::sleep_for(1ms);
  { TCodecLockGuard guard; }
  EXPECT_TRUE(released);
  worker.join();
}

}  // namespace
}  // namespace qarvo
