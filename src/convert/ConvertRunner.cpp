#include "convert/ConvertRunner.h"

#include <chrono>
#include <ostream>

#include "base/MonotonicClock.h"
#include "core/ErrorMessage.h"
#include "core/SettingsError.h"
#include "convert/ProgressLine.h"

namespace qarvo {
namespace {

// A path on one line of its own whatever its bytes, so that a script can read the list back:
// backslashes and control characters are escaped, other bytes (UTF-8 or not) kept.
std::string OneLine(const std::string& path) {
  std::string line;
  line.reserve(path.size());
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      line += "\\\\";
    } else if (c == '\n') {
      line += "\\n";
    } else if (c == '\t') {
      line += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      static const char kHex[] = "0123456789abcdef";
      line += "\\x";
      line += kHex[byte >> 4];
      line += kHex[byte & 0xf];
    } else {
      line += c;
    }
  }
  return line;
}

int64_t NowUs() { return MonotonicMicroseconds(); }

// The headless front end answers the size question with Yes and says so.
class TYesToSize : public ISizeQuestion {
 public:
  explicit TYesToSize(std::ostream& err) : err_(err) {}
  bool UseDefaultSize() override {
    err_ << "qarvo-convert: " << kSizeQuestionText << " Yes\n";
    return true;
  }

 private:
  std::ostream& err_;
};

const char* OutcomeText(TJobOutcome outcome) {
  switch (outcome) {
    case TJobOutcome::Finished:
      return "finished";
    case TJobOutcome::Failed:
      return "failed";
    case TJobOutcome::Stopped:
      return "stopped";
    case TJobOutcome::Skipped:
      return "not converted";
    case TJobOutcome::NotStarted:
      return "not started";
    default:
      return "not finished";
  }
}

}  // namespace

std::atomic<bool>& TConvertRunner::StopRequested() {
  static std::atomic<bool> requested{false};
  return requested;
}

TConvertRunner::TConvertRunner(IHeadlessEngine& engine, TConvertFiles files, std::ostream& out,
                               std::ostream& err, bool terminal)
    : engine_(engine), files_(std::move(files)), out_(out), err_(err), terminal_(terminal) {}

void TConvertRunner::EndLine() {
  if (lineOpen_) err_ << '\n' << std::flush;
  lineOpen_ = false;
}

void TConvertRunner::ShowProgress(const TRunProgress& p) {
  if (stopping_) return;
  const bool firstOfTask = tasks_.count(p.TaskIndex) == 0;
  TTaskLine& task = tasks_[p.TaskIndex];
  task.Last = p;
  if (firstOfTask) {
    EndLine();
    // The task began when the one before it ended (or the run started), not at its first report.
    task.StartedUs = nextTaskStartUs_;
  }
  const int percent =
      p.TotalDuration > 0 ? static_cast<int>(p.CurrentDuration * 100 / p.TotalDuration) : -1;
  const std::string line = ProgressLine(p.TaskIndex + 1, engine_.TasksCount(), p.CurrentDuration,
                                        p.TotalDuration, p.CurrentSize, NowUs() - task.StartedUs);
  if (terminal_) {
    err_ << '\r' << line << "\x1b[K" << std::flush;
    lineOpen_ = true;
  } else if (firstOfTask ||
             (percent != task.Percent && (percent < 0 || percent / 10 != task.Percent / 10))) {
    // Plain output: the first report, then a line per tenth, not per event.
    err_ << line << '\n' << std::flush;
  }
  task.Percent = percent;
}

// The last report of a task may stop short of the expected length (the length is the
// container's estimate); a task that finished shows its whole length.
void TConvertRunner::ShowFinished(int taskIndex) {
  const auto found = tasks_.find(taskIndex);
  if (found == tasks_.end() || found->second.Last.TotalDuration <= 0 ||
      found->second.Percent >= 100)
    return;
  TRunProgress whole = found->second.Last;
  whole.CurrentDuration = whole.TotalDuration;
  found->second.Percent = -1;
  ShowProgress(whole);
}

void TConvertRunner::WarnUnusedRateOptions(const TRateOverrides& rate,
                                           const TFormatDefinition& definition) {
  if (rate.Quality && !definition.Quality.Enabled)
    err_ << "qarvo-convert: the format has no quality setting; --quality is not used\n";
  if (rate.Speed && !definition.Speed.Enabled)
    err_ << "qarvo-convert: the format has no speed setting; --speed is not used\n";
}

int TConvertRunner::Run(const TConvertArguments& arguments) {
  tasks_.clear();
  TIniFile settings(files_.SettingsFile);
  // A device, a pipe or a huge file in the settings file's place reads as no settings.
  if (const std::string problem = settings.Problem(); !problem.empty())
    err_ << "qarvo-convert: the settings are not read: " << problem << '\n';
  // A setting that cannot be kept (a read-only settings file) does not stop the run.
  settings.SetWriteFailureHandler(
      [this](const std::string& message) { err_ << "qarvo-convert: " << message << '\n'; });
  TIniFile definitions(files_.FormatFile);
  TBatchRun run(engine_, settings, definitions);
  run.SetFormatCode(arguments.FormatCode);
  run.SetSimultaneousJobs(arguments.Jobs);
  run.SetRateOverrides(arguments.Rate);
  WarnUnusedRateOptions(arguments.Rate, ReadFormatDefinition(definitions, run.FormatCode()));
  run.SetTwoPass(arguments.TwoPass);
  run.SetTargetSize(arguments.TargetSizeBytes);
  TOutputNamer namer(settings, [this](const std::string& message) {
    err_ << "qarvo-convert: " << message << '\n';
  });
  if (!arguments.OutputFolder.empty()) namer.SetFolderOverride(arguments.OutputFolder);

  std::vector<TJobRow> rows;
  for (const std::string& file : arguments.Files)
    rows.push_back({file, true, NewJobRecord(file, "", 0, "lbox"), {}, {}});

  bool ended = false;
  engine_.OnProgress = [&](const TRunProgress& p) {
    run.OnProgress(rows, p.TaskIndex, p.CurrentDuration, p.TotalDuration, p.CurrentSize);
    ShowProgress(p);
  };
  engine_.OnTerminate = [&](const TRunTermination& t) {
    if (t.TaskIndex >= 0) nextTaskStartUs_ = NowUs();
    if (t.TaskIndex >= 0 && !t.Started) {
      run.OnNotStarted(t.TaskIndex);
      return;
    }
    // A source that ended early did not reach its length: its last report stands.
    if (t.Finished && t.TaskIndex >= 0 && t.Warning.empty()) ShowFinished(t.TaskIndex);
    if (t.TaskIndex >= 0) run.OnOutputWritten(t.TaskIndex, t.OutputFile);
    if (run.OnTerminate(rows, t.TaskIndex, t.Finished, t.Exception,
                        t.Exception ? t.ExceptionMsg : t.Warning, nullptr, false, false, {}))
      ended = true;
  };

  TYesToSize yes(err_);
  bool started = false;
  try {
    nextTaskStartUs_ = NowUs();
    started = run.Start(rows, namer, yes);
  } catch (const std::exception& e) {
    err_ << "qarvo-convert: " << e.what() << '\n';
    return 1;
  }
  // What composition changed to fit a device, before the work starts.
  for (const TJobReport& report : run.Reports())
    for (const std::string& adjustment : report.Adjustments)
      err_ << "qarvo-convert: " << OneLine(report.Source) << ": " << adjustment << '\n';
  if (started) {
    while (!ended) {
      engine_.Pump(100);
      if (!stopping_ && StopRequested().load()) {
        EndLine();
        stopping_ = true;
        err_ << "qarvo-convert: stopping\n";
        run.Cancel();
      }
    }
  }
  EndLine();
  engine_.OnProgress = nullptr;
  engine_.OnTerminate = nullptr;

  bool allFinished = !run.Reports().empty();
  for (const TJobReport& report : run.Reports()) {
    if (report.Outcome == TJobOutcome::Finished) {
      if (arguments.NulSeparated)
        out_ << report.Output << '\0';
      else
        out_ << OneLine(report.Output) << '\n';
      if (!report.Message.empty())
        err_ << "qarvo-convert: " << OneLine(report.Source)
             << ": finished with a warning: " << report.Message << '\n';
      continue;
    }
    allFinished = false;
    err_ << "qarvo-convert: " << OneLine(report.Source) << ": " << OutcomeText(report.Outcome);
    if (!report.Message.empty())
      err_ << ": " << PlainJobMessage(report.Message, report.Source, report.Output);
    err_ << '\n';
  }
  if (!started && !run.Warning().empty() && run.Reports().empty())
    err_ << "qarvo-convert: " << run.Warning() << '\n';
  out_ << std::flush;
  return allFinished ? 0 : 1;
}

}  // namespace qarvo
