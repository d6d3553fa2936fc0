#include "engine/task/TPauseGate.h"

namespace qarvo {

void TPauseGate::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

void TPauseGate::Open() {
  {
    std::lock_guard lock(mutex_);
    closed_ = false;
  }
  opened_.notify_all();
}

bool TPauseGate::IsClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

bool TPauseGate::Wait() {
  std::unique_lock lock(mutex_);
  if (!closed_) return false;
  opened_.wait(lock, [this] { return !closed_; });
  return true;
}

}  // namespace qarvo
