#include "player/TEventThread.h"

#include <chrono>

namespace qarvo {

namespace {

// Bounds the wait so a termination is always seen.
constexpr std::chrono::milliseconds kPollSlice{100};

bool EndsThread(const TNotification& item) {
  return item.Kind == TNotificationKind::nkEnd ||
         (item.Kind == TNotificationKind::nkState && item.State == TPlayState::psStop);
}

}  // namespace

TEventThread::TEventThread(std::shared_ptr<TNotificationRing> ring, TDeliver deliver)
    : ring_(std::move(ring)), deliver_(std::move(deliver)), thread_([this] { Execute(); }) {}

TEventThread::~TEventThread() {
  Terminate();
  Join();
}

void TEventThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TEventThread::Execute() {
  TNotification item;
  while (!terminated_) {
    if (!ring_->Pop(item, kPollSlice)) continue;
    if (item.Kind != TNotificationKind::nkEnd) deliver_(item);
    if (EndsThread(item)) break;
  }
  finished_ = true;
}

}  // namespace qarvo
