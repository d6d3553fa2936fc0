#include "base/PumpingLock.h"

#include "base/MainThread.h"

namespace qarvo {

namespace {
// How long one try waits before the queued calls run again.
constexpr std::chrono::milliseconds kPumpSlice{2};
// The scoped lock waits as long as it takes; each round is one bounded try.
constexpr std::chrono::milliseconds kLockRound{100};
}  // namespace

bool TryLockPumping(std::timed_mutex& mutex, std::chrono::milliseconds timeout) {
  if (!TMainThread::IsMainThread()) return mutex.try_lock_for(timeout);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    if (mutex.try_lock_for(kPumpSlice)) return true;
    TMainThread::ProcessPendingCalls();
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

TPumpingLock::TPumpingLock(std::timed_mutex& mutex) : mutex_(mutex) {
  if (!TMainThread::IsMainThread()) {
    mutex_.lock();
    return;
  }
  while (!TryLockPumping(mutex_, kLockRound)) {
  }
}

}  // namespace qarvo
