#include "engine/TConvertThread.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include "base/MainThread.h"

namespace qarvo {

namespace {

int NiceValue(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::tpIdle:
    case TThreadPriority::tpLowest:
      return 19;
    case TThreadPriority::tpLower:
      return 10;
    case TThreadPriority::tpNormal:
      return 0;
    case TThreadPriority::tpHigher:
      return -5;
    case TThreadPriority::tpHighest:
      return -10;
    case TThreadPriority::tpTimeCritical:
      return -15;
  }
  return 0;
}

// A new thread inherits its creator's policy and nice value, and the next task's thread may
// be created by a worker, so every thread sets both.
void SetPolicy(int policy) {
  sched_param param{};
  param.sched_priority = 0;
  sched_setscheduler(0, policy, &param);
}

}  // namespace

void SetCurrentThreadPriority(TThreadPriority priority) {
  const pid_t tid = gettid();
  SetPolicy(priority == TThreadPriority::tpIdle ? SCHED_IDLE : SCHED_OTHER);
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceValue(priority)) != 0)
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 0);
}

TConvertThread::TConvertThread(std::function<void()> body, TThreadPriority priority)
    : thread_([this, body = std::move(body), priority] {
        SetCurrentThreadPriority(priority);
        body();
        finished_ = true;
      }),
      id_(thread_.get_id()) {}

TConvertThread::~TConvertThread() {
  if (!thread_.joinable()) return;
  if (IsCurrentThread()) {
    thread_.detach();
    return;
  }
  WaitFor();
  thread_.join();
}

void TConvertThread::JoinFinished() {
  if (Finished() && thread_.joinable() && !IsCurrentThread()) thread_.join();
}

void TConvertThread::WaitFor() const {
  if (IsCurrentThread()) return;
  while (!TMainThread::WaitPumping([this] { return Finished(); }, std::chrono::seconds(1))) {
  }
}

}  // namespace qarvo
