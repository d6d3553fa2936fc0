#include "player/TEventThread.h"

#include <chrono>

namespace qarvo {

namespace {

// Bounds the wait so a termination is always seen.
constexpr std::chrono::milliseconds kPollSlice{100};
// A predecessor whose psStop never comes (its play thread was left behind) is not waited for
// longer than this.
constexpr std::chrono::milliseconds kPredecessorWait{2000};

bool EndsThread(const TNotification& item) {
  return item.Kind == TNotificationKind::nkEnd ||
         (item.Kind == TNotificationKind::nkState && item.State == TPlayState::psStop);
}

}  // namespace

TEventThread::TEventThread(std::shared_ptr<TNotificationRing> ring, TDeliver deliver,
                           TFlag predecessorFinished)
    : ring_(std::move(ring)),
      deliver_(std::move(deliver)),
      predecessorFinished_(std::move(predecessorFinished)),
      thread_([this] { Execute(); }) {}

TEventThread::~TEventThread() {
  Terminate();
  Join();
}

void TEventThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TEventThread::WaitForPredecessor() const {
  if (!predecessorFinished_) return;
  const auto deadline = std::chrono::steady_clock::now() + kPredecessorWait;
  while (!*predecessorFinished_ && !terminated_ && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void TEventThread::Execute() {
  WaitForPredecessor();
  TNotification item;
  while (!terminated_) {
    if (!ring_->Pop(item, kPollSlice)) continue;
    if (item.Kind != TNotificationKind::nkEnd) deliver_(item);
    if (EndsThread(item)) break;
  }
  *finished_ = true;
}

}  // namespace qarvo
