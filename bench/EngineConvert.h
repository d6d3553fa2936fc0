// One conversion through the engine component, unthreaded, as the application runs it; shared
// by the benchmarks that compare the engine with and without a frame hook. Bench-only: errors
// throw std::runtime_error.
#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>

#include "engine/TConvertEngine.h"

namespace qarvo::bench {

// hookUpdate empty: no hook. Otherwise a handler that changes nothing is installed and tells
// the engine whether to write the picture back (true: to a bitmap and back; false: to a bitmap
// only). Returns the seconds the run itself took (without setting up the task).
inline double EngineConvert(const std::string& input, const std::string& output,
                            TOutputOptions options, std::optional<bool> hookUpdate) {
  TConvertEngine engine;
  int pictures = 0;
  if (hookUpdate)
    engine.SetOnCustomHook([&](TConvertEngine&, PHookInfo info) {
      ++pictures;
      info->Update = *hookUpdate;
    });
  bool finished = false;
  std::string error;
  engine.SetOnTerminate([&](TConvertEngine&, const TTerminateInfo& info) {
    if (info.TaskIndex < 0) return;
    finished = info.Finished;
    error = info.ExceptionMsg;
  });
  if (engine.AddTask(input) < 0) throw std::runtime_error(engine.LastErrMsg());
  options.CustomHook = hookUpdate.has_value();
  if (!engine.SetOutputFile(0, output, &options)) throw std::runtime_error(engine.LastErrMsg());
  const auto start = std::chrono::steady_clock::now();
  engine.StartTask(0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!finished) throw std::runtime_error("conversion failed: " + error);
  if (hookUpdate && pictures == 0) throw std::runtime_error("hook never called");
  return seconds;
}

}  // namespace qarvo::bench
