// Add's probe through the conversion engine: the engine opens the file as a task and its
// input probe gives the length, so a file the engine would refuse at Start is refused here.
// A file with neither picture nor sound (a subtitle file under any name) is refused too.
#pragma once

#include <memory>

#include "core/JobList.h"

namespace qarvo {

class TConvertEngine;

class TEngineJobProber : public IJobProber {
 public:
  TEngineJobProber(TConvertEngine& engine, std::string libraryFolder);
  ~TEngineJobProber() override;

  // Main thread.
  bool LoadLibraries() override;
  // Any one thread at a time: the probing goes through an engine of the prober's own, so it
  // may run beside the application's engine (a background Add during a run).
  std::optional<int64_t> ProbeDuration(const std::string& fileName, std::string& error) override;
  // Main thread: empties the application's engine.
  void ClearTasks() override;
  // Any thread.
  void Interrupt(bool on) override;

 private:
  TConvertEngine& engine_;
  std::unique_ptr<TConvertEngine> probeEngine_;
  std::string libraryFolder_;
};

}  // namespace qarvo
