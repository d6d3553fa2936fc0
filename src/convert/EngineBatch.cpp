#include "convert/EngineBatch.h"

#include <chrono>
#include <deque>
#include <mutex>

#include "convert/ProbeFacts.h"
#include "base/EngineRecords.h"
#include "base/MainThread.h"
#include "engine/TConvertEngine.h"
#include "probe/TMediaProbe.h"

namespace qarvo {
namespace {

constexpr int kProgressIntervalMs = 250;

class TEngineBatch : public IHeadlessEngine {
 public:
  TEngineBatch() {
    // Often enough for a first line soon after a job starts.
    engine_.SetProgressInterval(kProgressIntervalMs);
    engine_.SetOnProgress([this](TConvertEngine&, PProgressInfo info) {
      if (OnProgress)
        OnProgress({info->TaskIndex, info->CurrentDuration, info->TotalDuration, info->CurrentSize});
    });
    engine_.SetOnTerminate([this](TConvertEngine&, const TTerminateInfo& info) {
      // Arrives on an engine thread: hand it to the pumping thread.
      std::lock_guard<std::mutex> lock(mutex_);
      terminations_.push_back(
          {info.TaskIndex, info.Finished, info.Exception, info.ExceptionMsg, info.Warning, info.Started});
    });
  }
  ~TEngineBatch() override {
    engine_.SetOnProgress(nullptr);
    engine_.SetOnTerminate(nullptr);
    engine_.Stop(true);
  }

  void SetThreadPriority(TRunPriority priority) override {
    switch (priority) {
      case TRunPriority::Idle: engine_.SetThreadPriority(TThreadPriority::tpIdle); break;
      case TRunPriority::Normal: engine_.SetThreadPriority(TThreadPriority::tpNormal); break;
      case TRunPriority::Lower: engine_.SetThreadPriority(TThreadPriority::tpLower); break;
      case TRunPriority::Lowest: engine_.SetThreadPriority(TThreadPriority::tpLowest); break;
    }
  }
  void ClearTasks() override { engine_.ClearTasks(); }
  std::optional<TSourceFacts> LoadSource(const std::string& fileName, std::string& error) override {
    TMediaProbe& probe = engine_.MediaProbe();
    if (!probe.LoadFile(fileName)) {
      error = probe.LastErrMsg();
      return std::nullopt;
    }
    return FactsOf(probe);
  }
  void CloseSource() override { engine_.MediaProbe().CloseFile(); }
  int AddTask(const TComposedInput& input, std::string& error) override {
    TInputOptions options = input;
    const int task = engine_.AddTask(input.FileName, &options);
    if (task < 0) error = engine_.LastErrMsg();
    return task;
  }
  bool SetOutputFile(int task, const TComposedOutput& output, std::string& error) override {
    TOutputOptions options = output;
    if (engine_.SetOutputFile(task, output.FileName, &options)) return true;
    error = engine_.LastErrMsg();
    return false;
  }
  void RemoveTask(int task) override { engine_.RemoveTask(task); }
  void StartTask(int threadCount) override { engine_.StartTask(threadCount); }
  void Pause() override { engine_.Pause(); }
  void Resume() override { engine_.Resume(); }
  void Stop(bool waitForStop) override { engine_.Stop(waitForStop); }
  int TasksCount() const override { return engine_.TasksCount(); }

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

  TConvertEngine engine_;
  std::mutex mutex_;
  std::deque<TRunTermination> terminations_;
};

}  // namespace

std::unique_ptr<IHeadlessEngine> MakeEngineBatch() { return std::make_unique<TEngineBatch>(); }

}  // namespace qarvo
