#include "jobs/TConversionRun.h"

#include <QDebug>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "base/MonotonicClock.h"
#include "engine/TConvertEngine.h"
#include "core/AppPaths.h"
#include "core/ErrorMessage.h"
#include "core/IniFile.h"
#include "core/JobList.h"
#include "core/OutputNaming.h"
#include "core/SettingsKeys.h"
#include "core/SnapshotFiles.h"
#include "jobs/IConversionHook.h"
#include "jobs/TDesktopActions.h"
#include "jobs/TPumpingEngineTasks.h"
#include "jobs/TRunMessageBoxes.h"
#include "jobs/TfrmProgress.h"

namespace qarvo {
namespace {

int64_t NowUs() { return MonotonicMicroseconds(); }

void CopyBitmap(const TBitmap& from, TBitmap& to) {
  to.SetSize(from.Width(), from.Height());
  std::memcpy(to.Bits(), from.Bits(), from.SizeInBytes());
}

void CopyImage(const QImage& image, TBitmap& bitmap) {
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  bitmap.SetSize(bgr.width(), bgr.height());
  for (int y = 0; y < bgr.height(); ++y)
    std::memcpy(bitmap.ScanLine(y), bgr.constScanLine(y), static_cast<size_t>(bgr.width()) * 3);
}

bool Failed(TJobOutcome outcome) {
  return outcome == TJobOutcome::Failed || outcome == TJobOutcome::Skipped;
}

// "1 of 3 jobs failed:" and one line per failed job; empty when none failed.
std::string FailureSummary(const std::vector<TJobReport>& reports) {
  const auto failed = std::count_if(reports.begin(), reports.end(),
                                    [](const TJobReport& r) { return Failed(r.Outcome); });
  if (failed == 0) return {};
  std::string text = std::to_string(failed) + " of " + std::to_string(reports.size()) +
                     (reports.size() == 1 ? " job failed:\n" : " jobs failed:\n");
  for (const TJobReport& report : reports) {
    if (!Failed(report.Outcome)) continue;
    text +=
        "\n" + std::filesystem::path(report.Source).filename().string() + ": " +
        (report.Message.empty() ? std::string("the conversion did not finish")
                                : PlainJobMessage(report.Message, report.Source, report.Output));
  }
  return text;
}

// A setting that cannot be kept during a run (a read-only settings file) is noted; the run
// goes on with the value it has.
void NoteUnkeptSetting(const std::string& message) {
  qWarning().noquote() << QString::fromStdString(message);
}

}  // namespace

TConversionRun::TConversionRun(TConvertEngine& engine, const TGlobalObject& global,
                               QWidget* mainWindow)
    : engine_(engine),
      global_(global),
      mainWindow_(mainWindow),
      desktopActions_(std::make_unique<TDesktopActions>()),
      messageBoxes_(std::make_unique<TRunMessageBoxes>(mainWindow)),
      news_(BuiltInNewsRows()) {}

// The engine's handlers were detached when the last run ended; the engine may be gone by now.
TConversionRun::~TConversionRun() = default;

void TConversionRun::SetNews(std::vector<TAdInfo> rows, std::string newestVersion) {
  news_ = std::move(rows);
  newestVersion_ = std::move(newestVersion);
}

IRunMessages& TConversionRun::Messages() { return messages_ ? *messages_ : *messageBoxes_; }

IAfterRunActions& TConversionRun::Actions() { return actions_ ? *actions_ : *desktopActions_; }

bool TConversionRun::Start(std::vector<TJobRow>& rows, TRowChanged rowChanged) {
  if (batch_) return false;
  TIniFile settings(global_.SettingsFile());
  settings.SetWriteFailureHandler(NoteUnkeptSetting);
  TIniFile definitions(global_.FormatFile());
  TPumpingEngineTasks tasks(engine_);
  TBatchRun batch(tasks, settings, definitions);
  TOutputNamer namer(settings,
                     [this](const std::string& message) { Messages().ShowWarning(message); });

  // Whatever happens below, the run's state does not outlive this call.
  struct TRunScope {
    TConversionRun& Run;
    ~TRunScope() {
      Run.DetachEngine();
      Run.batch_ = nullptr;
      Run.rows_ = nullptr;
      Run.rowChanged_ = {};
    }
  } scope{*this};
  batch_ = &batch;
  rows_ = &rows;
  rowChanged_ = std::move(rowChanged);
  lastProgressTask_ = -1;
  stopping_ = ended_ = paused_ = draining_ = false;
  {
    std::lock_guard lock(terminationsMutex_);
    terminations_.clear();
  }
  preview_.SetSize(0, 0);
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    if (!rows[row].Checked) continue;
    SetRowProgress(row, {}, {});
    rows[row].Adjustments.clear();
  }
  engine_.SetPreviewBitmap(true);
  if (hook_) hook_->RunStarting();
  // Before the engine can report: a hand-over may run inside the start's own waits.
  MakeProgressWindow();
  AttachEngine();

  const bool started = batch.Start(rows, namer, Messages());
  ShowOutcomes();
  if (!started) {
    const std::string summary = FailureSummary(batch.Reports());
    Messages().ShowWarning(summary.empty() ? batch.Warning() : summary);
    return false;
  }

  progress_->SetPreviewSource(&preview_);
  if (linkOpener_) progress_->SetLinkOpener(linkOpener_);
  progress_->Prepare(news_, global_.AppTitle(), newestVersion_);
  progress_->ShowWholeRun(batch.JobsAtOnce());
  estimate_.Start(batch.TaskLengths(), NowUs());
  progress_->exec();

  ShowOutcomes();
  const std::string summary = FailureSummary(batch.Reports());
  if (!summary.empty()) Messages().ShowWarning(summary);
  return true;
}

void TConversionRun::MakeProgressWindow() {
  if (progress_) return;
  auto window = std::make_unique<TfrmProgress>(mainWindow_);
  if (mainWindow_) {
    progress_ = window.release();  // the main window frees its child
  } else {
    ownProgress_ = std::move(window);
    progress_ = ownProgress_.get();
  }
  connect(progress_, &TfrmProgress::PauseRequested, this, &TConversionRun::Pause);
  connect(progress_, &TfrmProgress::ResumeRequested, this, &TConversionRun::Resume);
  connect(progress_, &TfrmProgress::CancelRequested, this, &TConversionRun::Cancel);
  connect(progress_, &TfrmProgress::SnapshotRequested, this, &TConversionRun::SaveSnapshot);
}

void TConversionRun::AttachEngine() {
  // Set for every run, so a run without a hook never sees a handler of an earlier one.
  TCustomHookEvent onHook;
  if (hook_) onHook = [this](TConvertEngine&, PHookInfo info) { CCAVCCustomHook(*info); };
  engine_.SetOnCustomHook(std::move(onHook));
  engine_.SetOnProgress([this](TConvertEngine&, PProgressInfo info) { OnProgress(*info); });
  engine_.SetOnPreviewBitmap(
      [this](TConvertEngine&, const TPreviewInfo& info) { OnPreviewBitmap(info); });
  engine_.SetOnTerminate([this](TConvertEngine&, const TTerminateInfo& info) {
    // On an engine thread: the window work belongs to the main thread, and this thread must
    // not wait for it (the end of the run clears the tasks, which waits for this thread).
    {
      std::lock_guard lock(terminationsMutex_);
      terminations_.push_back(info);
    }
    QMetaObject::invokeMethod(
        this, [this] { DrainTerminations(); }, Qt::QueuedConnection);
  });
}

void TConversionRun::DetachEngine() {
  engine_.SetOnCustomHook(nullptr);
  engine_.SetOnProgress(nullptr);
  engine_.SetOnPreviewBitmap(nullptr);
  engine_.SetOnTerminate(nullptr);
}

void TConversionRun::OnProgress(const TProgressInfo& info) {
  if (!batch_ || info.TaskIndex < 0) return;
  const TProgressView view = batch_->OnProgress(*rows_, info.TaskIndex, info.CurrentDuration,
                                                info.TotalDuration, info.CurrentSize);
  const std::vector<int>& taskRows = batch_->TaskRows();
  if (info.TaskIndex < static_cast<int>(taskRows.size()) && rowChanged_)
    rowChanged_(taskRows[info.TaskIndex]);
  estimate_.Progress(info.TaskIndex, info.CurrentDuration, info.TotalDuration, info.FrameCount,
                     NowUs());
  if (info.TaskIndex > lastProgressTask_ && paused_) engine_.Pause();  // the next job waits too
  if (batch_->JobsAtOnce()) {
    // Jobs at once: the figures are the whole run's; the file is the latest job's.
    lastProgressTask_ = std::max(lastProgressTask_, info.TaskIndex);
    progress_->ShowProgress(batch_->RunView(*rows_, lastProgressTask_));
  } else if (info.TaskIndex >= lastProgressTask_) {
    // A late report of an earlier task does not take the window back.
    lastProgressTask_ = info.TaskIndex;
    progress_->ShowProgress(view);
  }
  progress_->ShowEstimate(estimate_);
  progress_->ShowRunning(batch_->RunningJobs(*rows_), static_cast<int>(taskRows.size()),
                         batch_->RunPercent());
  emit TaskProgressed(info.TaskIndex);
}

void TConversionRun::OnPreviewBitmap(const TPreviewInfo& info) {
  if (!batch_ || !info.Bitmap || info.Bitmap->Width() <= 0 || info.Bitmap->Height() <= 0) return;
  // Jobs at once: the picture is the job whose figures the window shows.
  if (info.TaskIndex < lastProgressTask_) return;
  CopyBitmap(*info.Bitmap, preview_);
  progress_->PreviewChanged();
}

// The row map and the rows are fixed before the first task starts and stay so until the run
// has ended; the record is only read here.
void TConversionRun::CCAVCCustomHook(THookInfo& info) {
  if (!hook_ || !batch_ || !rows_ || !info.Bitmap) return;
  const std::vector<int>& taskRows = batch_->TaskRows();
  if (info.TaskIndex < 0 || info.TaskIndex >= static_cast<int>(taskRows.size())) return;
  const int row = taskRows[info.TaskIndex];
  if (row < 0 || row >= static_cast<int>(rows_->size())) return;
  TCanvasLock canvas(*info.Bitmap);
  info.Update = hook_->ProcessPicture(info.TaskIndex, *info.Bitmap, (*rows_)[row].Record);
}

void TConversionRun::DrainTerminations() {
  // A waiting stop drains once it returns; a drain already running takes the rest.
  if (!batch_ || stopping_ || draining_) return;
  draining_ = true;
  for (;;) {
    TTerminateInfo next;
    {
      std::lock_guard lock(terminationsMutex_);
      if (terminations_.empty()) break;
      next = terminations_.front();
      terminations_.pop_front();
    }
    OnTerminate(next);
  }
  draining_ = false;
}

void TConversionRun::OnTerminate(const TTerminateInfo& info) {
  if (ended_ || !progress_) return;
  TIniFile settings(global_.SettingsFile());
  const std::string folder =
      settings.ReadString(settings::kSection, settings::kOutPutDir, DefaultOutputFolder());
  if (info.TaskIndex < 0) ended_ = true;
  if (info.TaskIndex >= 0 && !info.Started) {
    // Ended by a stop before it began: its row says so at the end of the run.
    batch_->OnNotStarted(info.TaskIndex);
    return;
  }
  if (info.TaskIndex >= 0) batch_->OnOutputWritten(info.TaskIndex, info.OutputFile);
  // Open (as the main window's button does) only a folder of more than two characters.
  batch_->OnTerminate(*rows_, info.TaskIndex, info.Finished, info.Exception,
                      info.Exception ? info.ExceptionMsg : info.Warning, &Actions(),
                      progress_->OpenFolderChecked() && folder.size() > 2,
                      progress_->ShutDownChecked(), folder);
  if (info.TaskIndex >= 0)
    estimate_.TaskEnded(info.TaskIndex, info.Finished && !info.Exception, NowUs());
  const std::vector<int>& taskRows = batch_->TaskRows();
  if (info.TaskIndex >= 0 && info.TaskIndex < static_cast<int>(taskRows.size()) && rowChanged_)
    rowChanged_(taskRows[info.TaskIndex]);
  ShowOutcomes();
  if (info.TaskIndex < 0) {
    progress_->Finish();
    return;
  }
  progress_->ShowRunning(batch_->RunningJobs(*rows_), static_cast<int>(taskRows.size()),
                         batch_->RunPercent());
  if (batch_->JobsAtOnce())
    progress_->ShowProgress(batch_->RunView(*rows_, std::max(lastProgressTask_, 0)));
  else if (info.Finished && !info.Exception && info.TaskIndex >= lastProgressTask_)
    progress_->ShowTaskFinished();
  progress_->ShowEstimate(estimate_);
  emit TaskEnded(info.TaskIndex);
}

void TConversionRun::Pause() {
  if (!batch_ || ended_) return;
  paused_ = true;
  batch_->Pause();
  estimate_.Pause(NowUs());
}

void TConversionRun::Resume() {
  if (!batch_ || ended_) return;
  paused_ = false;
  batch_->Resume();
  estimate_.Resume(NowUs());
}

void TConversionRun::Cancel() {
  if (!batch_ || ended_ || stopping_) return;
  stopping_ = true;
  paused_ = false;
  batch_->Cancel();  // waits, keeping the windows painted, until every task has ended
  stopping_ = false;
  DrainTerminations();
}

void TConversionRun::SaveSnapshot() {
  if (preview_.Width() <= 0 || preview_.Height() <= 0 || !progress_) return;
  TBitmap full;
  CopyBitmap(preview_, full);
  TBitmap small;
  CopyImage(progress_->ShownPreview(), small);
  TIniFile settings(global_.SettingsFile());
  settings.SetWriteFailureHandler(NoteUnkeptSetting);
  SaveSnapshots(settings, full, small,
                [this](const std::string& message) { Messages().ShowWarning(message); });
}

TfrmProgress* TConversionRun::ProgressWindow() const { return progress_.data(); }

void TConversionRun::ShowOutcomes() {
  if (!batch_ || !rows_) return;
  for (TJobReport report : batch_->Reports()) {
    if (report.Row < 0 || report.Row >= static_cast<int>(rows_->size())) continue;
    if (!report.Message.empty())
      report.Message = PlainJobMessage(report.Message, report.Source, report.Output);
    TJobRow& job = (*rows_)[report.Row];
    const TJobRow before = job;
    ShowJobOutcome(job, report.Outcome, report.Message);
    job.Adjustments.clear();
    for (const std::string& adjustment : report.Adjustments)
      job.Adjustments += (job.Adjustments.empty() ? "" : "\n") + adjustment;
    if ((job.Progress != before.Progress || job.ProgressTip != before.ProgressTip ||
         job.Adjustments != before.Adjustments) &&
        rowChanged_)
      rowChanged_(report.Row);
  }
}

void TConversionRun::SetRowProgress(int row, const std::string& text, const std::string& tip) {
  if (!rows_ || row < 0 || row >= static_cast<int>(rows_->size())) return;
  TJobRow& job = (*rows_)[row];
  if (job.Progress == text && job.ProgressTip == tip) return;
  job.Progress = text;
  job.ProgressTip = tip;
  if (rowChanged_) rowChanged_(row);
}

}  // namespace qarvo
