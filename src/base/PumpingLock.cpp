#include "base/PumpingLock.h"

#include <thread>

#include "base/MainThread.h"

namespace qarvo {

namespace {
// How long the lock is left alone before the next try (and, on the main thread, before the
// queued calls run again).
constexpr std::chrono::milliseconds kTrySlice{1};
// The scoped lock waits as long as it takes; each round is one bounded try.
constexpr std::chrono::milliseconds kLockRound{100};
}  // namespace

// Polled with try_lock rather than waited in try_lock_for: the timed wait goes through
// pthread_mutex_clocklock, which the thread sanitizer does not see, so it would miss the
// lock being taken (and then report its unlock and every access it guards).
bool TryLockPumping(std::timed_mutex& mutex, std::chrono::milliseconds timeout) {
  const bool onMain = TMainThread::IsMainThread();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (mutex.try_lock()) return true;
    if (onMain) TMainThread::ProcessPendingCalls();
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kTrySlice);
  }
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
