// Holds a timed mutex for a scope. On the main thread it keeps running main-thread hand-overs
// while it waits, because the holder may be a worker blocked in one.
#pragma once

#include <chrono>
#include <mutex>

#include "base/MainThread.h"

namespace qarvo {

class TPumpingLock {
 public:
  explicit TPumpingLock(std::timed_mutex& mutex) : mutex_(mutex) {
    if (!TMainThread::IsMainThread()) {
      mutex_.lock();
      return;
    }
    while (!mutex_.try_lock_for(std::chrono::milliseconds(2))) TMainThread::ProcessPendingCalls();
  }
  ~TPumpingLock() { mutex_.unlock(); }
  TPumpingLock(const TPumpingLock&) = delete;
  TPumpingLock& operator=(const TPumpingLock&) = delete;

 private:
  std::timed_mutex& mutex_;
};

}  // namespace qarvo
