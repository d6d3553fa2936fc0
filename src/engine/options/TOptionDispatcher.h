// The option table: maps each option name (exact, case-sensitive) to its handler; names it
// does not know go to the generic setter.
#pragma once

#include <string>

#include "engine/task/TGenericOptions.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

class TOptionDispatcher {
 public:
  explicit TOptionDispatcher(TTaskContext& task) : task_(task) {}

  // Runs the handler of one option; raises EEngineError when the value is rejected.
  void Dispatch(const std::string& name, const std::string& value);
  // Splits the text into lines and dispatches those the pass takes.
  void ApplyOptionText(const std::string& text, TOptionTextUse use);
  // The generic setter with the task's chosen encoders and format; keeps the task's scaler
  // flags in step with the scaler option context.
  bool GenericSet(const std::string& name, const std::string& value);

 private:
  TTaskContext& task_;
};

// Encoders and output format the generic setter's private options may reach.
TPrivateTargets PrivateTargetsOf(const TTaskOptions& options);

}  // namespace qarvo
