#include "convert/EngineBatch.h"

#include <chrono>
#include <deque>
#include <mutex>

#include "base/EngineRecords.h"
#include "base/MainThread.h"
#include "batch/EngineTasks.h"

namespace qarvo {
namespace {

constexpr int kProgressIntervalMs = 250;

// The engine lives in a base of its own, so it exists before the task operations borrow it.
struct TOwnedEngine {
  TConvertEngine OwnEngine;
};

class TEngineBatch : private TOwnedEngine, public TEngineTasks<IHeadlessEngine> {
 public:
  TEngineBatch() : TEngineTasks(OwnEngine) {
    // Often enough for a first line soon after a job starts.
    engine_.SetProgressInterval(kProgressIntervalMs);
    engine_.SetOnProgress([this](TConvertEngine&, PProgressInfo info) {
      if (OnProgress)
        OnProgress(
            {info->TaskIndex, info->CurrentDuration, info->TotalDuration, info->CurrentSize});
    });
    engine_.SetOnTerminate([this](TConvertEngine&, const TTerminateInfo& info) {
      // Arrives on an engine thread: hand it to the pumping thread.
      std::lock_guard<std::mutex> lock(mutex_);
      terminations_.push_back({info.TaskIndex, info.Finished, info.Exception, info.ExceptionMsg,
                               info.Warning, info.Started, info.OutputFile});
    });
  }
  ~TEngineBatch() override {
    engine_.SetOnProgress(nullptr);
    engine_.SetOnTerminate(nullptr);
    engine_.Stop(true);
  }

  void Pump(int milliseconds) override {
    TMainThread::WaitPumping([this] { return Pending(); }, std::chrono::milliseconds(milliseconds));
    for (;;) {
      TRunTermination next;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (terminations_.empty()) return;
        next = terminations_.front();
        terminations_.pop_front();
      }
      if (OnTerminate) OnTerminate(next);
    }
  }

 private:
  bool Pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return !terminations_.empty();
  }

  std::mutex mutex_;
  std::deque<TRunTermination> terminations_;
};

}  // namespace

std::unique_ptr<IHeadlessEngine> MakeEngineBatch() { return std::make_unique<TEngineBatch>(); }

}  // namespace qarvo
