// The engine's task operations for a run started from the window: the windows keep painting
// between the steps that probe and queue each job, so a long job list does not freeze them.
#pragma once

#include "batch/EngineTasks.h"

namespace qarvo {

class TPumpingEngineTasks : public TEngineTasks<> {
 public:
  using TEngineTasks::TEngineTasks;

  std::optional<TSourceFacts> LoadSource(const std::string& fileName, std::string& error) override;
  int AddTask(const TComposedInput& input, std::string& error) override;
  bool SetOutputFile(int task, const TComposedOutput& output, std::string& error) override;

 private:
  // Paints and timers only: the job list must not change while the jobs are being composed.
  static void Pump();
};

}  // namespace qarvo
