// One transcode of a task from set-up to clean-up. A run that fails closes its codecs and
// removes the outputs it was writing, so no half-written file is left looking like a good one.
#pragma once

namespace qarvo {

class TTaskContext;

class TTranscodeRun {
 public:
  explicit TTranscodeRun(TTaskContext& task) : task_(task) {}
  // Raises the run's EEngineError after cleaning up.
  void Run();

 private:
  void CloseCodecs();
  void DiscardOutputs();

  TTaskContext& task_;
};

}  // namespace qarvo
