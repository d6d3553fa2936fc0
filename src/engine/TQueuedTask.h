// A task that opens its files when it starts, as it waits for its turn: the names and records
// it was given and nothing else. The task object (its option state, buffers and probes) is
// built from it when the task starts, so a long queue weighs only these.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/EngineRecords.h"

namespace qarvo {

struct TQueuedTask {
  struct TOutput {
    std::string FileName;
    std::optional<TOutputOptions> Options;
  };
  std::string InputName;
  std::optional<TInputOptions> Input;
  std::vector<TOutput> Outputs;
  bool CustomHook = false;  // an output record asked for the component's frame hook
};

}  // namespace qarvo
