// The one process-wide lock around every codec open and close and stream-information read
// (conversion tasks, probe and player alike).
#pragma once

#include <mutex>

#include "base/PumpingLock.h"

namespace qarvo {

std::timed_mutex& CodecLock();

// Holds the codec lock for its lifetime. On the main thread it keeps running main-thread
// hand-overs while it waits, because a worker holding the lock may be blocked in one (a log
// line delivered to the main thread from inside a codec open).
class TCodecLockGuard {
 public:
  TCodecLockGuard();
  TCodecLockGuard(const TCodecLockGuard&) = delete;
  TCodecLockGuard& operator=(const TCodecLockGuard&) = delete;

 private:
  TPumpingLock lock_;
};

}  // namespace qarvo
