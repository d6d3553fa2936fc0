// The player's notification thread: takes the oldest entry of a notification ring and hands
// it to the deliverer (which runs the application's handler, on the main thread or here).
// It ends after delivering psStop, on the end-of-notifications entry, or when terminated.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "player/TNotificationRing.h"

namespace qarvo {

class TEventThread {
 public:
  using TDeliver = std::function<void(const TNotification& item)>;

  using TFlag = std::shared_ptr<const std::atomic<bool>>;

  // Starts at once. The deliverer must not throw. With a predecessor (the thread of the file
  // before), nothing is delivered until that one has finished (for at most kPredecessorWait),
  // so the old file's psStop reaches the application before the new file's psPlay.
  TEventThread(std::shared_ptr<TNotificationRing> ring, TDeliver deliver,
               TFlag predecessorFinished = nullptr);
  // Terminates and joins.
  ~TEventThread();
  TEventThread(const TEventThread&) = delete;
  TEventThread& operator=(const TEventThread&) = delete;

  // Ends the thread after the delivery in progress, if any; entries still queued are dropped.
  void Terminate() { terminated_ = true; }
  bool Finished() const { return *finished_; }
  TFlag FinishedFlag() const { return finished_; }
  void Join();

 private:
  void Execute();
  void WaitForPredecessor() const;

  std::shared_ptr<TNotificationRing> ring_;
  TDeliver deliver_;
  std::atomic<bool> terminated_{false};
  TFlag predecessorFinished_;
  std::shared_ptr<std::atomic<bool>> finished_ = std::make_shared<std::atomic<bool>>(false);
  std::thread thread_;
};

}  // namespace qarvo
