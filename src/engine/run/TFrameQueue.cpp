#include "engine/run/TFrameQueue.h"

#include <chrono>

namespace qarvo {

namespace {
constexpr auto kWaitStep = std::chrono::milliseconds(100);
}

TFrameQueue::TFrameQueue(int mostItems, int mostPictures)
    : mostItems_(static_cast<size_t>(mostItems)), mostPictures_(mostPictures) {}

bool TFrameQueue::Full() const { return items_.size() >= mostItems_ || pictures_ >= mostPictures_; }

bool TFrameQueue::Push(TPipelineItem item) {
  std::unique_lock lock(mutex_);
  // End always fits: the consumer must learn of it even behind a full queue.
  while (!aborted_ && item.Kind != TPipelineItem::TKind::End && Full())
    changed_.wait_for(lock, kWaitStep);
  if (aborted_) return false;
  if (item.Picture) ++pictures_;
  items_.push_back(std::move(item));
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool TFrameQueue::Pop(TPipelineItem& item) { return Pop(item, {}) == TPopped::Item; }

TFrameQueue::TPopped TFrameQueue::Pop(TPipelineItem& item,
                                      const std::function<bool()>& interrupted) {
  std::unique_lock lock(mutex_);
  while (!aborted_ && items_.empty()) {
    if (interrupted && interrupted()) return TPopped::Interrupted;
    changed_.wait_for(lock, kWaitStep);
  }
  if (aborted_) return TPopped::Aborted;
  item = std::move(items_.front());
  items_.pop_front();
  if (item.Picture) --pictures_;
  lock.unlock();
  changed_.notify_all();
  return TPopped::Item;
}

void TFrameQueue::Abort() {
  {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    items_.clear();
    pictures_ = 0;
  }
  changed_.notify_all();
}

}  // namespace qarvo
