#include "media/CodecLock.h"

namespace qarvo {

std::timed_mutex& CodecLock() {
  static std::timed_mutex lock;
  return lock;
}

TCodecLockGuard::TCodecLockGuard() : lock_(CodecLock()) {}

}  // namespace qarvo
