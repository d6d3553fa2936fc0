#include "base/MainThread.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace qarvo {

namespace {

struct TPendingCall {
  std::function<void()> Fn;
  bool Done = false;
  std::exception_ptr Error;
};

// Guarded by mutex: queue, hooks, mainId. A waiting worker and a pumping main thread both wait
// on changed, which is notified on every queue change and completion.
struct THandOver {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::shared_ptr<TPendingCall>> queue;
  std::function<void()> wakeHook;
  std::function<void()> idleHook;
  std::thread::id mainId = std::this_thread::get_id();
};

THandOver& State() {
  static THandOver state;
  return state;
}

// Touch the state during static initialisation so mainId is the main thread's.
// NOLINTNEXTLINE(cert-err58-cpp): only a failed allocation at start-up throws; nothing runs yet
[[maybe_unused]] const bool kStateInitialised = (State(), true);

constexpr auto kPumpSlice = std::chrono::milliseconds(5);

}  // namespace

void TMainThread::SetMainThread() {
  std::lock_guard lock(State().mutex);
  State().mainId = std::this_thread::get_id();
}

bool TMainThread::IsMainThread() {
  std::lock_guard lock(State().mutex);
  return State().mainId == std::this_thread::get_id();
}

void TMainThread::RunInMainThread(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  THandOver& s = State();
  auto call = std::make_shared<TPendingCall>();
  call->Fn = fn;
  std::function<void()> wake;
  {
    std::lock_guard lock(s.mutex);
    s.queue.push_back(call);
    wake = s.wakeHook;
  }
  s.changed.notify_all();
  if (wake) wake();
  std::unique_lock lock(s.mutex);
  s.changed.wait(lock, [&] { return call->Done; });
  if (call->Error) std::rethrow_exception(call->Error);
}

int TMainThread::ProcessPendingCalls() {
  if (!IsMainThread()) return 0;
  THandOver& s = State();
  int count = 0;
  for (;;) {
    std::shared_ptr<TPendingCall> call;
    {
      std::lock_guard lock(s.mutex);
      if (s.queue.empty()) break;
      call = s.queue.front();
      s.queue.pop_front();
    }
    try {
      call->Fn();
    } catch (...) {
      call->Error = std::current_exception();
    }
    {
      std::lock_guard lock(s.mutex);
      call->Done = true;
    }
    s.changed.notify_all();
    ++count;
  }
  return count;
}

void TMainThread::SetWakeHook(std::function<void()> hook) {
  std::lock_guard lock(State().mutex);
  State().wakeHook = std::move(hook);
}

void TMainThread::SetIdleHook(std::function<void()> hook) {
  std::lock_guard lock(State().mutex);
  State().idleHook = std::move(hook);
}

bool TMainThread::WaitPumping(const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const bool onMain = IsMainThread();
  THandOver& s = State();
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    if (!onMain) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    ProcessPendingCalls();
    std::function<void()> idle;
    {
      std::unique_lock lock(s.mutex);
      idle = s.idleHook;
      // Wake early when a call is queued; the slice bounds the wait for done() itself.
      s.changed.wait_for(lock, kPumpSlice, [&] { return !s.queue.empty(); });
    }
    if (idle) idle();
  }
  return true;
}

}  // namespace qarvo
