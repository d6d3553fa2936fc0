#include "media/CodecLock.h"

#include <chrono>

#include "base/MainThread.h"

namespace qarvo {

std::timed_mutex& CodecLock() {
  static std::timed_mutex lock;
  return lock;
}

TCodecLockGuard::TCodecLockGuard() {
  if (!TMainThread::IsMainThread()) {
    CodecLock().lock();
    return;
  }
  while (!CodecLock().try_lock_for(std::chrono::milliseconds(2))) TMainThread::ProcessPendingCalls();
}

TCodecLockGuard::~TCodecLockGuard() { CodecLock().unlock(); }

}  // namespace qarvo
