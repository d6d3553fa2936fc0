// Add's probe through the conversion engine: the engine opens the file as a task and its
// input probe gives the length, so a file the engine would refuse at Start is refused here.
#pragma once

#include "core/JobList.h"

namespace qarvo {

class TConvertEngine;

class TEngineJobProber : public IJobProber {
 public:
  TEngineJobProber(TConvertEngine& engine, std::string libraryFolder);

  bool LoadLibraries() override;
  std::optional<int64_t> ProbeDuration(const std::string& fileName, std::string& error) override;
  void ClearTasks() override;

 private:
  TConvertEngine& engine_;
  std::string libraryFolder_;
};

}  // namespace qarvo
