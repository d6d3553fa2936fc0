// The conversion engine's task operations behind the batch run's engine interface, over an
// engine the caller owns. Each front end adds how the engine's events reach it.
#pragma once

#include <optional>
#include <string>

#include "probe/TMediaProbe.h"
#include "engine/TConvertEngine.h"
#include "core/BatchRun.h"
#include "batch/ProbeFacts.h"

namespace qarvo {

template <class TBase = IBatchEngine>
class TEngineTasks : public TBase {
 public:
  explicit TEngineTasks(TConvertEngine& engine) : engine_(engine) {}

  void SetThreadPriority(TRunPriority priority) override {
    switch (priority) {
      case TRunPriority::Idle:
        engine_.SetThreadPriority(TThreadPriority::tpIdle);
        break;
      case TRunPriority::Normal:
        engine_.SetThreadPriority(TThreadPriority::tpNormal);
        break;
      case TRunPriority::Lower:
        engine_.SetThreadPriority(TThreadPriority::tpLower);
        break;
      case TRunPriority::Lowest:
        engine_.SetThreadPriority(TThreadPriority::tpLowest);
        break;
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
    // A batch may be long: each task opens its source and output when it starts, so the
    // queue holds no files (the run probed each source already, and closed it again).
    const int task = engine_.AddTask(input.FileName, &options, true);
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

 protected:
  TConvertEngine& engine_;
};

}  // namespace qarvo
