#include "core/BatchRun.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include "core/ErrorMessage.h"
#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "core/SettingsKeys.h"
#include "core/SettingsReaders.h"
#include "core/Utf8Text.h"

namespace qarvo {
namespace {

std::string CaptionExtension(const std::string& caption) {
  const auto slash = caption.find_last_of('/');
  const auto point = caption.rfind('.');
  if (point == std::string::npos || (slash != std::string::npos && point < slash)) return {};
  return caption.substr(point);
}

}  // namespace

std::optional<TRunPriority> PriorityFromSetting(std::optional<int> value) {
  if (!value) return std::nullopt;
  switch (*value) {
    case 0:
      return TRunPriority::Idle;
    case 1:
      return TRunPriority::Normal;
    case 2:
      return TRunPriority::Lower;
    case 3:
      return TRunPriority::Lowest;
    default:
      return std::nullopt;
  }
}

int AutomaticSimultaneousJobs(int cores, bool useAllCores) {
  cores = std::max(cores, 1);
  const int jobs = useAllCores ? (cores > 1 ? std::max(2, cores / 2) : 1) : cores;
  return std::min(jobs, settings::kSimultaneousJobsMax);
}

std::string ShortenCaption(const std::string& caption) {
  if (Utf8Length(caption) < 51) return caption;
  return Utf8Prefix(caption, 44) + ".." + CaptionExtension(caption);
}

TProgressView MakeProgressView(int taskIndex, int tasksCount, int64_t currentDuration,
                               int64_t totalDuration, int64_t currentSize,
                               const std::string& caption) {
  TProgressView view;
  if (totalDuration > 0) {
    const int64_t percent = currentDuration * 100 / totalDuration;
    view.Percent = static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
    view.Length = std::to_string(totalDuration / 1000000) + " Second";
  }
  view.Time = std::to_string(std::max<int64_t>(currentDuration, 0) / 1000000) + " Second";
  view.Size = std::to_string(std::max<int64_t>(currentSize, 0) / 1000) + " kb";
  view.Progress = "[" + std::to_string(taskIndex + 1) + "/" + std::to_string(tasksCount) + "]";
  view.Output = ShortenCaption(caption);
  return view;
}

int TRunFigures::Percent() const {
  if (TotalUs <= 0) return 0;
  return static_cast<int>(std::clamp<int64_t>(DoneUs * 100 / TotalUs, 0, 100));
}

namespace {

// The part of a source a job converts: the trimmed range, or from the trim start to the end.
int64_t JobLength(const TlvFilesRecord& record, const TSourceFacts& source) {
  if (record.TrimLength > 0) return record.TrimLength;
  if (source.Duration <= 0) return -1;
  return std::max<int64_t>(source.Duration - std::max<int64_t>(record.TrimStart, 0), 0);
}

}  // namespace

TBatchRun::TBatchRun(IBatchEngine& engine, TIniFile& settings, TIniFile& definitions)
    : engine_(engine), settings_(settings), definitions_(definitions) {}

int TBatchRun::FormatCode() const {
  if (formatCode_) return *formatCode_;
  return settings_.ReadInteger(settings::kSection, settings::kFormatCode,
                               settings::kFormatCodeDefaultInt);
}

int TBatchRun::SimultaneousJobs() const {
  int jobs = jobs_ ? *jobs_
                   : settings_.ReadInteger(settings::kSection, settings::kSimultaneousJobs,
                                           settings::kSimultaneousJobsDefault);
  if (jobs < 0 || jobs > settings::kSimultaneousJobsMax) jobs = 0;
  if (jobs > 0) return jobs;
  const bool allCores =
      settings_.ReadBool(settings::kSection, settings::kUseAllCores, settings::kUseAllCoresDefault);
  return AutomaticSimultaneousJobs(static_cast<int>(std::thread::hardware_concurrency()), allCores);
}

bool TBatchRun::Start(std::vector<TJobRow>& rows, TOutputNamer& namer,
                      ISizeQuestion& sizeQuestion) {
  warning_.clear();
  const int checked = static_cast<int>(
      std::count_if(rows.begin(), rows.end(), [](const TJobRow& r) { return r.Checked; }));
  if (checked == 0) {
    warning_ = kNoCheckedFileMessage;
    return false;
  }
  if (const auto priority = PriorityFromSetting(ReadPriority(settings_)))
    engine_.SetThreadPriority(*priority);
  taskRows_.clear();
  taskReports_.clear();
  reports_.clear();
  taskLengths_.clear();
  cancelled_ = false;
  endedTasks_ = 0;
  lastTaskFinished_ = false;
  const bool allCores =
      settings_.ReadBool(settings::kSection, settings::kUseAllCores, settings::kUseAllCoresDefault);
  const int atOnce = std::min(SimultaneousJobs(), checked);
  atOnce_ = atOnce;
  // Jobs side by side fill the cores between them; the codecs' own threads would only add
  // their overhead (measured: a seventh more processor time).
  const TThreadUse threads = !allCores    ? TThreadUse::One
                             : atOnce > 1 ? TThreadUse::Pipelined
                                          : TThreadUse::All;
  engine_.ClearTasks();
  try {
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
      if (!rows[row].Checked) continue;
      TJobRow& job = rows[row];
      TJobReport report{row, job.Caption, {}, TJobOutcome::Pending, {}};
      std::string error;
      std::error_code ignored;
      const bool folder = std::filesystem::is_directory(job.Caption, ignored);
      const auto source = folder ? std::nullopt : engine_.LoadSource(job.Caption, error);
      if (!source) {
        report.Outcome = TJobOutcome::Skipped;
        report.Message = folder ? kSourceIsFolder : error;
        reports_.push_back(report);
        continue;
      }
      const int code = FormatCode();
      const TIniSnapshot settingsSnapshot = settings_.Snapshot();
      TFormatProfile profile(settingsSnapshot, ReadFormatDefinition(definitions_, code), code);
      TRateOverrides overrides = rateOverrides_;
      overrides.TwoPass = twoPass_;
      overrides.TargetSizeBytes = targetSize_;
      profile.SetOverrides(overrides);
      const bool audioOnly =
          profile.VideoEncoder().find_first_not_of(" \t\r\n") == std::string::npos;
      report.Message = Unconvertible(*source, audioOnly);
      if (!report.Message.empty()) {
        engine_.CloseSource();
        report.Outcome = TJobOutcome::Skipped;
        reports_.push_back(report);
        continue;
      }
      TComposedInput input;
      input.FileName = job.Caption;
      input.FileFormat = source->InputFormat;
      input.StartTime = job.Record.TrimStart;
      TComposedOutput output;
      const std::string& named = source->FileName.empty() ? job.Caption : source->FileName;
      const std::string suffix = "." + profile.Definition().FileExt;
      output.FileName = namer.MakeOutputFileName(named, suffix);
      // Nothing is replaced: a name taken while the job ran moves on to the next number.
      output.NameIfTaken = namer.NumberedNames(named, suffix);
      job.Record.Zoom = profile.Zoom();
      ComposeOutputOptions(profile, job.Record, *source, sizeQuestion, output, input,
                           &report.Adjustments);
      ComposeThreads(threads, output, input);
      if (twoPass_) output.VideoPasses = 2;
      if (targetSize_) output.TargetSizeBytes = *targetSize_;
      report.Output = output.FileName;
      const int task = engine_.AddTask(input, error);
      if (task < 0) {
        report.Outcome = TJobOutcome::Skipped;
        report.Message = error;
      } else if (!engine_.SetOutputFile(task, output, error)) {
        engine_.RemoveTask(task);
        report.Outcome = TJobOutcome::Skipped;
        report.Message = error;
      } else {
        taskRows_.push_back(row);
        taskReports_.push_back(static_cast<int>(reports_.size()));
        taskLengths_.push_back(JobLength(job.Record, *source));
      }
      engine_.CloseSource();
      reports_.push_back(report);
    }
  } catch (...) {
    engine_.CloseSource();
    engine_.ClearTasks();
    taskRows_.clear();
    taskReports_.clear();
    taskLengths_.clear();
    throw;
  }
  if (taskRows_.empty()) {
    warning_ = "No file could be converted.";
    return false;
  }
  taskPercent_.assign(taskRows_.size(), 0);
  taskShare_.assign(taskRows_.size(), 0.0);
  taskBytes_.assign(taskRows_.size(), 0);
  atOnce_ = std::min(atOnce, static_cast<int>(taskRows_.size()));
  engine_.StartTask(SimultaneousJobs());
  return true;
}

std::string TBatchRun::Unconvertible(const TSourceFacts& source, bool audioOnlyFormat) {
  if (source.VideoStreamCount < 1 && source.AudioStreamCount == 0) return kNoAudioOrVideoStream;
  if (audioOnlyFormat && source.AudioStreamCount == 0) return kNoAudioStream;
  return {};
}

TJobReport* TBatchRun::ReportOfTask(int taskIndex) {
  if (taskIndex < 0 || taskIndex >= static_cast<int>(taskReports_.size())) return nullptr;
  return &reports_[taskReports_[taskIndex]];
}

TProgressView TBatchRun::OnProgress(std::vector<TJobRow>& rows, int taskIndex,
                                    int64_t currentDuration, int64_t totalDuration,
                                    int64_t currentSize) {
  std::string caption;
  if (taskIndex >= 0 && taskIndex < static_cast<int>(taskRows_.size()) &&
      taskRows_[taskIndex] < static_cast<int>(rows.size()))
    caption = rows[taskRows_[taskIndex]].Caption;
  TProgressView view = MakeProgressView(taskIndex, static_cast<int>(taskRows_.size()),
                                        currentDuration, totalDuration, currentSize, caption);
  if (TJobReport* report = ReportOfTask(taskIndex)) {
    report->Outcome = TJobOutcome::Running;
    if (view.Percent) rows[report->Row].Progress = std::to_string(*view.Percent) + "%";
    if (view.Percent && taskIndex < static_cast<int>(taskPercent_.size()))
      taskPercent_[taskIndex] = *view.Percent;
    if (taskIndex < static_cast<int>(taskShare_.size())) {
      if (totalDuration > 0)
        taskShare_[taskIndex] = std::clamp(
            static_cast<double>(currentDuration) / static_cast<double>(totalDuration), 0.0, 1.0);
      taskBytes_[taskIndex] = std::max<int64_t>(currentSize, taskBytes_[taskIndex]);
    }
  }
  return view;
}

bool TBatchRun::OnTerminate(std::vector<TJobRow>& rows, int taskIndex, bool finished,
                            bool exception, const std::string& message, IAfterRunActions* actions,
                            bool openFolder, bool powerOff, const std::string& outputFolder) {
  if (taskIndex < 0) {
    // Whatever had not ended by now was stopped with the run, or never began.
    for (int task : taskReports_) {
      TJobReport& report = reports_[task];
      if (report.Outcome == TJobOutcome::Pending) report.Outcome = TJobOutcome::NotStarted;
      if (report.Outcome == TJobOutcome::Running) report.Outcome = TJobOutcome::Stopped;
    }
    engine_.ClearTasks();
    return true;
  }
  TJobReport* report = ReportOfTask(taskIndex);
  if (!report) return false;
  ++endedTasks_;
  if (finished && !exception) {
    report->Outcome = TJobOutcome::Finished;
    report->Message = message;
    rows[report->Row].Progress = "100%";
    if (taskIndex + 1 == static_cast<int>(taskRows_.size())) lastTaskFinished_ = true;
  } else if (exception) {
    report->Outcome = TJobOutcome::Failed;
    report->Message = message;
  } else {
    report->Outcome = TJobOutcome::Stopped;
  }
  // Jobs at once end in any order: the actions wait for the last of them to end.
  if (endedTasks_ == static_cast<int>(taskRows_.size()) && lastTaskFinished_ && !cancelled_ &&
      actions) {
    if (openFolder) actions->OpenFolder(outputFolder);
    if (powerOff) actions->PowerOff();
  }
  return false;
}

std::vector<TRunningJob> TBatchRun::RunningJobs(const std::vector<TJobRow>& rows) const {
  std::vector<TRunningJob> running;
  for (int task = 0; task < static_cast<int>(taskReports_.size()); ++task) {
    const TJobReport& report = reports_[taskReports_[task]];
    if (report.Outcome != TJobOutcome::Running) continue;
    const std::string caption =
        report.Row < static_cast<int>(rows.size()) ? rows[report.Row].Caption : report.Source;
    running.push_back({task, ShortenCaption(caption),
                       task < static_cast<int>(taskPercent_.size()) ? taskPercent_[task] : 0});
  }
  return running;
}

TRunFigures TBatchRun::Figures() const {
  TRunFigures figures;
  figures.Tasks = static_cast<int>(taskReports_.size());
  if (taskReports_.empty() || taskShare_.size() != taskReports_.size()) return figures;
  int64_t known = 0;
  int knownCount = 0;
  for (int64_t length : taskLengths_)
    if (length > 0) {
      known += length;
      ++knownCount;
    }
  figures.LengthKnown = knownCount == figures.Tasks;
  // Without any known length every job weighs the same.
  const int64_t unknownWeight = knownCount > 0 ? known / knownCount : 1000000;
  double done = 0;
  for (int task = 0; task < figures.Tasks; ++task) {
    const int64_t weight = task < static_cast<int>(taskLengths_.size()) && taskLengths_[task] > 0
                               ? taskLengths_[task]
                               : unknownWeight;
    figures.TotalUs += weight;
    figures.Bytes += taskBytes_[task];
    const TJobOutcome outcome = reports_[taskReports_[task]].Outcome;
    if (outcome == TJobOutcome::Running) {
      done += static_cast<double>(weight) * taskShare_[task];
    } else if (outcome != TJobOutcome::Pending) {
      done += static_cast<double>(weight);
      ++figures.Ended;
    }
  }
  figures.DoneUs = static_cast<int64_t>(done);
  return figures;
}

TProgressView TBatchRun::RunView(const std::vector<TJobRow>& rows, int taskIndex) const {
  const TRunFigures figures = Figures();
  TProgressView view;
  if (figures.TotalUs > 0) view.Percent = figures.Percent();
  view.Time = std::to_string(figures.DoneUs / 1000000) + " Second";
  if (figures.LengthKnown) view.Length = std::to_string(figures.TotalUs / 1000000) + " Second";
  view.Size = std::to_string(figures.Bytes / 1000) + " kb";
  view.Progress = std::to_string(figures.Ended) + " of " + std::to_string(figures.Tasks) + " done";
  if (taskIndex >= 0 && taskIndex < static_cast<int>(taskRows_.size()) &&
      taskRows_[taskIndex] < static_cast<int>(rows.size()))
    view.Output = ShortenCaption(rows[taskRows_[taskIndex]].Caption);
  return view;
}

void TBatchRun::OnOutputWritten(int taskIndex, const std::string& fileName) {
  TJobReport* report = ReportOfTask(taskIndex);
  if (report && !fileName.empty()) report->Output = fileName;
}

void TBatchRun::OnNotStarted(int taskIndex) {
  if (TJobReport* report = ReportOfTask(taskIndex)) {
    report->Outcome = TJobOutcome::NotStarted;
    ++endedTasks_;
  }
}

void TBatchRun::Cancel() {
  cancelled_ = true;
  engine_.Stop(true);
}

bool TBatchRun::AllFinished() const {
  return !reports_.empty() &&
         std::all_of(reports_.begin(), reports_.end(),
                     [](const TJobReport& r) { return r.Outcome == TJobOutcome::Finished; });
}

}  // namespace qarvo
