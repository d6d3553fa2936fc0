// The process-wide main-thread hand-over.
//
// A worker that must run something on the main thread queues it, wakes the main thread through
// the hook the front end installed, and blocks until it has run. Every wait that happens on the
// main thread goes through WaitPumping(), which keeps running queued calls, so no hand-over can
// deadlock against a main thread that waits for the worker.
#pragma once

#include <chrono>
#include <functional>

namespace qarvo {

class TMainThread {
 public:
  // The thread that first touched this unit (static initialisation runs on the main thread);
  // front ends and tests may name another one.
  static void SetMainThread();
  static bool IsMainThread();

  // Runs fn on the main thread and returns when it has run; an exception fn throws is
  // re-thrown in the caller. On the main thread fn runs directly.
  static void RunInMainThread(const std::function<void()>& fn);
  // Runs every queued call; returns how many ran. Only the main thread runs calls.
  static int ProcessPendingCalls();
  // Called (from the queuing thread) whenever a call is queued.
  static void SetWakeHook(std::function<void()> hook);
  // Called on each slice of a main-thread wait, e.g. to let the GUI process its events.
  static void SetIdleHook(std::function<void()> hook);

  // Waits until done() is true or the timeout passes, running queued calls meanwhile when on
  // the main thread. Returns done().
  static bool WaitPumping(const std::function<bool()>& done, std::chrono::milliseconds timeout);
};

}  // namespace qarvo
