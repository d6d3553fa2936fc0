#include "player/TNotificationRing.h"

namespace qarvo {

void TNotificationRing::Push(const TNotification& item) {
  {
    std::lock_guard lock(mutex_);
    const int newest = (read_ + count_ - 1 + kSlots) % kSlots;
    if (count_ > 0 && item.Kind == TNotificationKind::nkPosition &&
        slots_[newest].Kind == item.Kind) {
      slots_[newest] = item;
    } else {
      if (count_ == kSlots) {
        read_ = (read_ + 1) % kSlots;  // the oldest entry gives way
        --count_;
      }
      slots_[(read_ + count_) % kSlots] = item;
      ++count_;
    }
  }
  notEmpty_.notify_all();
}

bool TNotificationRing::Pop(TNotification& out, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!notEmpty_.wait_for(lock, timeout, [&] { return count_ > 0; })) return false;
  out = slots_[read_];
  read_ = (read_ + 1) % kSlots;
  --count_;
  return true;
}

void TNotificationRing::Clear() {
  std::lock_guard lock(mutex_);
  read_ = 0;
  count_ = 0;
}

int TNotificationRing::Count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

}  // namespace qarvo
