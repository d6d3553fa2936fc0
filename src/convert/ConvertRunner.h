// Runs qarvo-convert's jobs: the batch run of the application without its windows.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>

#include "core/BatchRun.h"
#include "core/FormatDefinition.h"
#include "convert/ConvertArguments.h"

namespace qarvo {

struct TRunProgress {
  int TaskIndex = -1;
  int64_t CurrentDuration = 0;  // µs
  int64_t TotalDuration = -1;   // µs
  int64_t CurrentSize = 0;      // bytes
};

struct TRunTermination {
  int TaskIndex = -1;  // -1: the whole run ended
  bool Finished = false;
  bool Exception = false;
  std::string ExceptionMsg;
  std::string Warning = {};     // of a finished task
  bool Started = true;          // false: the run ended before the task began
  std::string OutputFile = {};  // the name a finished task's output got
};

// The engine as the headless front end drives it. Events are delivered on the calling
// (main) thread while Pump() runs.
class IHeadlessEngine : public IBatchEngine {
 public:
  std::function<void(const TRunProgress&)> OnProgress;
  std::function<void(const TRunTermination&)> OnTerminate;
  // Runs pending event deliveries for at most `milliseconds`.
  virtual void Pump(int milliseconds) = 0;
};

struct TConvertFiles {
  std::string SettingsFile;
  std::string FormatFile;
};

// Output paths go to `out`; progress lines, questions and failures to `err`.
class TConvertRunner {
 public:
  TConvertRunner(IHeadlessEngine& engine, TConvertFiles files, std::ostream& out, std::ostream& err,
                 bool terminal);

  // Converts the files; the exit status (0 every job finished, 1 otherwise).
  int Run(const TConvertArguments& arguments);

  // Set from a signal handler: the run stops at its next step.
  static std::atomic<bool>& StopRequested();

 private:
  void ShowProgress(const TRunProgress& progress);
  void ShowFinished(int taskIndex);
  void EndLine();
  // Says so when the format has nothing a rate option of the run would set.
  void WarnUnusedRateOptions(const TRateOverrides& rate, const TFormatDefinition& definition);

  IHeadlessEngine& engine_;
  TConvertFiles files_;
  std::ostream& out_;
  std::ostream& err_;
  bool terminal_;
  bool lineOpen_ = false;
  bool stopping_ = false;        // after "stopping" no progress line follows
  int64_t nextTaskStartUs_ = 0;  // when the task after the last one reported began
  // Per task (jobs at once report in turn): its last report, the percentage last shown and
  // when it began.
  struct TTaskLine {
    TRunProgress Last;
    int Percent = -1;
    int64_t StartedUs = 0;
  };
  std::map<int, TTaskLine> tasks_;
};

}  // namespace qarvo
