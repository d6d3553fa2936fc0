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

bool TPauseGate::Wait(bool writer) {
  std::unique_lock lock(mutex_);
  if (!closed_) return false;
  if (writer) writerWaiting_ = true;
  opened_.wait(lock, [this] { return !closed_; });
  if (writer) writerWaiting_ = false;
  return true;
}

bool TPauseGate::WriterHeld() const {
  std::lock_guard lock(mutex_);
  return closed_ && writerWaiting_;
}

}  // namespace qarvo
