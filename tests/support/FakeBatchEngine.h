// A batch engine without media: it records what the run asks of it. A source whose name
// contains "unreadable" cannot be loaded; an output whose name contains "noout" cannot be set.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/BatchRun.h"

namespace qarvo::test {

template <class TEngine = IBatchEngine>
class TFakeBatchEngine : public TEngine {
 public:
  TFakeBatchEngine() {
    Facts.VideoStreamCount = 1;
    Facts.AudioStreamCount = 1;
    Facts.Width = 640;
    Facts.Height = 480;
  }

  void SetThreadPriority(TRunPriority p) override { Priority = p; }
  void ClearTasks() override {
    Tasks.clear();
    ++Clears;
  }
  std::optional<TSourceFacts> LoadSource(const std::string& fileName, std::string& error) override {
    if (fileName.find("unreadable") != std::string::npos) {
      error = "Invalid data found when processing input";
      return std::nullopt;
    }
    TSourceFacts facts = Facts;
    facts.FileName = fileName;
    return facts;
  }
  void CloseSource() override {}
  int AddTask(const TComposedInput& input, std::string&) override {
    Tasks.push_back({input, {}});
    return static_cast<int>(Tasks.size()) - 1;
  }
  bool SetOutputFile(int task, const TComposedOutput& output, std::string& error) override {
    if (output.FileName.find("noout") != std::string::npos) {
      error = "cannot open output";
      return false;
    }
    Tasks[task].second = output;
    return true;
  }
  void RemoveTask(int task) override { Tasks.erase(Tasks.begin() + task); }
  void StartTask(int threads) override { StartedWith = threads; }
  void Pause() override {}
  void Resume() override {}
  void Stop(bool) override { Stopped = true; }
  int TasksCount() const override { return static_cast<int>(Tasks.size()); }

  // What every loadable source is said to hold.
  TSourceFacts Facts;
  std::vector<std::pair<TComposedInput, TComposedOutput>> Tasks;
  std::optional<TRunPriority> Priority;
  int Clears = 0;
  int StartedWith = 0;
  bool Stopped = false;
};

}  // namespace qarvo::test
