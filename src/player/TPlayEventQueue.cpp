#include "player/TPlayEventQueue.h"

namespace qarvo {

void TPlayEventQueue::Post(const TPlayEvent& event) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A quit goes first: nothing queued before it matters any more.
    if (event.Kind == TPlayEventKind::Quit)
      events_.push_front(event);
    else
      events_.push_back(event);
  }
  posted_.notify_one();
}

bool TPlayEventQueue::Wait(TPlayEvent& out, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!posted_.wait_for(lock, timeout, [this] { return !events_.empty(); })) return false;
  out = events_.front();
  events_.pop_front();
  return true;
}

void TPlayEventQueue::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
}

int TPlayEventQueue::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(events_.size());
}

}  // namespace qarvo
