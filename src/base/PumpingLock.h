// Taking a lock on the main thread while its holder may be a worker blocked in a main-thread
// hand-over: the wait keeps running the queued calls, so the holder can go on and release it.
// Off the main thread these are the plain timed-mutex operations.
#pragma once

#include <chrono>
#include <mutex>

namespace qarvo {

// try_lock_for that runs queued main-thread calls meanwhile when on the main thread.
bool TryLockPumping(std::timed_mutex& mutex, std::chrono::milliseconds timeout);

// Holds a timed mutex for a scope, taken through TryLockPumping.
class TPumpingLock {
 public:
  explicit TPumpingLock(std::timed_mutex& mutex);
  ~TPumpingLock() { mutex_.unlock(); }
  TPumpingLock(const TPumpingLock&) = delete;
  TPumpingLock& operator=(const TPumpingLock&) = delete;

 private:
  std::timed_mutex& mutex_;
};

}  // namespace qarvo
