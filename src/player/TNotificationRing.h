// The player's notifications on their way from the playback threads to the application.
//
// A fixed ring of ten slots: a position replaces a newest entry that is also a position (so a
// busy receiver gets the newest position, not a backlog); state changes are each kept, since a
// lost psEnd would be a lost fact. When the ring is full the oldest entry is dropped.
// Producers never block.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "player/PlayerTypes.h"

namespace qarvo {

enum class TNotificationKind { nkPosition = 1, nkState = 2, nkEnd = 3 };

struct TNotification {
  TNotificationKind Kind = TNotificationKind::nkEnd;
  TPlayState State = TPlayState::psStop;
  int64_t Position = 0;
};

class TNotificationRing {
 public:
  static constexpr int kSlots = 10;

  void Push(const TNotification& item);
  // Takes the oldest entry; false when the ring stays empty for the whole timeout.
  bool Pop(TNotification& out, std::chrono::milliseconds timeout);
  void Clear();
  int Count() const;

 private:
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable notEmpty_;
  std::array<TNotification, kSlots> slots_{};
  int read_ = 0;
  int count_ = 0;
};

}  // namespace qarvo
