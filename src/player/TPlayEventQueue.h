// The play thread's own event queue: what the engine's threads and the drawing surface ask the
// play thread to do. Kept apart from SDL's queue so that the engine works (and is tested) the
// same with a surface of the application's and with its own window.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace qarvo {

enum class TPlayEventKind { Refresh, Allocate, Resize, Expose, AspectChange, Quit };

struct TPlayEvent {
  TPlayEventKind Kind = TPlayEventKind::Refresh;
  int Width = 0;  // Resize
  int Height = 0;
};

class TPlayEventQueue {
 public:
  void Post(const TPlayEvent& event);
  void Post(TPlayEventKind kind) { Post(TPlayEvent{kind, 0, 0}); }
  // Takes the oldest event; false when none came within the timeout.
  bool Wait(TPlayEvent& out, std::chrono::milliseconds timeout);
  void Clear();
  int Count() const;

 private:
  mutable std::mutex mutex_;  // guards events_
  std::condition_variable posted_;
  std::deque<TPlayEvent> events_;
};

}  // namespace qarvo
