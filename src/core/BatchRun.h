// The batch run without its windows: turning the checked jobs into engine tasks, the row
// map, what the progress window shows, and what happens when tasks end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ComposedOptions.h"
#include "core/IniFile.h"
#include "core/OptionComposer.h"
#include "core/OutputNaming.h"
#include "core/RateChoices.h"
#include "core/TSourceFacts.h"
#include "core/TlvFilesRecord.h"

namespace qarvo {

enum class TRunPriority { Idle, Normal, Lower, Lowest };

// The engine as the batch run drives it; the front ends adapt the conversion engine and
// its probe to it.
class IBatchEngine {
 public:
  virtual ~IBatchEngine() = default;
  virtual void SetThreadPriority(TRunPriority priority) = 0;
  virtual void ClearTasks() = 0;
  // Loads a source into the engine's probe; nothing (with `error`) when it cannot be read.
  virtual std::optional<TSourceFacts> LoadSource(const std::string& fileName,
                                                 std::string& error) = 0;
  virtual void CloseSource() = 0;
  // Task index, or -1 with `error`.
  virtual int AddTask(const TComposedInput& input, std::string& error) = 0;
  virtual bool SetOutputFile(int task, const TComposedOutput& output, std::string& error) = 0;
  virtual void RemoveTask(int task) = 0;
  virtual void StartTask(int threadCount) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  virtual void Stop(bool waitForStop) = 0;
  virtual int TasksCount() const = 0;
};

// After the last job: open the output folder, power the machine off. Tests replace both.
class IAfterRunActions {
 public:
  virtual ~IAfterRunActions() = default;
  virtual void OpenFolder(const std::string& folder) = 0;
  virtual void PowerOff() = 0;
};

// One row of the job list as the run sees it.
struct TJobRow {
  std::string Caption;  // the source path
  bool Checked = true;
  TlvFilesRecord Record;
  std::string Progress;     // the "Progress" column
  std::string ProgressTip;  // its tooltip: why the job failed
  // The "Destination" column's tooltip below the file: what the last run fitted to the
  // format's device, and why, one sentence a line.
  std::string Adjustments = {};
};

enum class TJobOutcome { Pending, Running, Finished, Failed, Stopped, Skipped, NotStarted };

struct TJobReport {
  int Row = -1;
  std::string Source;
  std::string Output;
  TJobOutcome Outcome = TJobOutcome::Pending;
  std::string
      Message;  // why it failed or was skipped (the engine's text), or a finished job's warning
  // What composition changed to fit the format's device, and why (one sentence each).
  std::vector<std::string> Adjustments = {};
};

// What the progress window shows for one progress event.
struct TProgressView {
  std::optional<int> Percent;  // none while the length is unknown
  std::string Time;            // "15 Second"
  std::string Length;          // "60 Second"
  std::string Size;            // "1234 kb"
  std::string Progress;        // "[2/3]"
  std::string Output;          // the source path, shortened
};

// The whole run by time: each job weighs its expected length (the source's duration, trimmed;
// a job of unknown length weighs the mean of the known ones), an ended job counts in full.
struct TRunFigures {
  int64_t DoneUs = 0;
  int64_t TotalUs = 0;
  bool LengthKnown = false;  // every job's length is known: TotalUs is the run's length
  int64_t Bytes = 0;         // written so far by every job of the run
  int Ended = 0;
  int Tasks = 0;
  int Percent() const;
};

// A job converting right now, as the progress window lists it.
struct TRunningJob {
  int Task = -1;
  std::string Output;  // the source path, shortened
  int Percent = 0;
};

std::optional<TRunPriority> PriorityFromSetting(std::optional<int> value);

// Jobs run at once for "Automatic": one per core for single-threaded jobs; a pipelined job
// keeps about two cores busy, so half as many, and at least two on a machine with more than
// one core (the pipeline's stages are uneven, a second job fills the gaps).
int AutomaticSimultaneousJobs(int cores, bool useAllCores);

// A caption of 51 characters or more: its first 44, "..", and its extension with the point.
std::string ShortenCaption(const std::string& caption);

TProgressView MakeProgressView(int taskIndex, int tasksCount, int64_t currentDuration,
                               int64_t totalDuration, int64_t currentSize,
                               const std::string& caption);

inline constexpr const char* kNoCheckedFileMessage =
    "Please select a file by clicking the check box!";

class TBatchRun {
 public:
  TBatchRun(IBatchEngine& engine, TIniFile& settings, TIniFile& definitions);

  // Format code override (the headless --format); none reads "FormatCode".
  void SetFormatCode(std::optional<int> code) { formatCode_ = code; }
  int FormatCode() const;
  // Rate control overrides for this run (the headless --quality, --bitrate, --speed).
  void SetRateOverrides(const TRateOverrides& overrides) { rateOverrides_ = overrides; }
  // Jobs at once override (the headless --jobs; 0 = automatic); none reads the setting.
  void SetSimultaneousJobs(std::optional<int> jobs) { jobs_ = jobs; }
  // The jobs the next Start runs at once, from the override or the settings.
  int SimultaneousJobs() const;
  // Rate overrides of one run (the headless --two-pass and --target-size, bytes), laid over
  // what the format composes.
  void SetTwoPass(bool on) { twoPass_ = on; }
  void SetTargetSize(std::optional<int64_t> bytes) { targetSize_ = bytes; }

  // Composes one task per checked row and starts them. Returns false without starting when
  // no row is checked (Warning() says so) or no job could be added. A composition error
  // (ECompositionError) propagates with nothing started and the task list cleared.
  bool Start(std::vector<TJobRow>& rows, TOutputNamer& namer, ISizeQuestion& sizeQuestion);

  const std::vector<int>& TaskRows() const { return taskRows_; }
  const std::vector<TJobReport>& Reports() const { return reports_; }
  const std::string& Warning() const { return warning_; }

  // Progress of a task: the row's column and what the window shows.
  TProgressView OnProgress(std::vector<TJobRow>& rows, int taskIndex, int64_t currentDuration,
                           int64_t totalDuration, int64_t currentSize);
  // The name a task's output got when it was complete (it differs from the one chosen when
  // that was taken meanwhile). Told before the task's end.
  void OnOutputWritten(int taskIndex, const std::string& fileName);
  // A task ended (taskIndex -1: the whole run); `message` is a failed task's reason or a
  // finished one's warning. Runs the after-run actions once every task has ended, when the
  // last task of the run finished; returns true for the end of the run.
  bool OnTerminate(std::vector<TJobRow>& rows, int taskIndex, bool finished, bool exception,
                   const std::string& message, IAfterRunActions* actions, bool openFolder,
                   bool powerOff, const std::string& outputFolder);

  // The jobs that reported progress and have not ended, in task order.
  std::vector<TRunningJob> RunningJobs(const std::vector<TJobRow>& rows) const;
  // The whole run, 0 to 100, by time (see TRunFigures).
  int RunPercent() const { return Figures().Percent(); }
  TRunFigures Figures() const;
  // Expected length of each task's job (µs; 0 or less when unknown), in task order.
  const std::vector<int64_t>& TaskLengths() const { return taskLengths_; }
  // More than one job converts at once: the window shows the whole run, not one job.
  bool JobsAtOnce() const { return atOnce_ > 1; }
  // What the window shows for the whole run when jobs convert at once; `taskIndex` names the
  // job whose file it shows.
  TProgressView RunView(const std::vector<TJobRow>& rows, int taskIndex) const;

  // A task the run ended before it began (a stop while it waited for its turn).
  void OnNotStarted(int taskIndex);

  void Pause() { engine_.Pause(); }
  void Resume() { engine_.Resume(); }
  // Cancel: stops every task with waiting; unfinished tasks count as stopped.
  void Cancel();
  bool AllFinished() const;

 private:
  TJobReport* ReportOfTask(int taskIndex);
  // Why a loaded source cannot become a job of the format (empty when it can).
  static std::string Unconvertible(const TSourceFacts& source, bool audioOnlyFormat);

  IBatchEngine& engine_;
  TIniFile& settings_;
  TIniFile& definitions_;
  std::optional<int> formatCode_;
  std::optional<int> jobs_;
  TRateOverrides rateOverrides_;
  bool twoPass_ = false;
  std::optional<int64_t> targetSize_;
  int endedTasks_ = 0;
  bool lastTaskFinished_ = false;
  std::vector<int> taskRows_;
  std::vector<int> taskReports_;  // task index -> index into reports_
  std::vector<TJobReport> reports_;
  std::vector<int> taskPercent_;  // last percentage reported per task
  // Per task: expected length, share converted (0..1) and bytes written, from its reports.
  std::vector<int64_t> taskLengths_;
  std::vector<double> taskShare_;
  std::vector<int64_t> taskBytes_;
  int atOnce_ = 1;
  std::string warning_;
  bool cancelled_ = false;
};

}  // namespace qarvo
