// The window side of a batch run: starts the checked jobs on the engine, shows the progress
// window until the run ends and keeps each row's "Progress" column current.
#pragma once

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/EngineRecords.h"
#include "base/TBitmap.h"
#include "core/BatchRun.h"
#include "core/GlobalObject.h"
#include "jobs/NewsRows.h"
#include "jobs/RunEstimate.h"

class QWidget;

namespace qarvo {

class IConversionHook;
class IRunMessages;
class TConvertEngine;
class TDesktopActions;
class TfrmProgress;
class TRunMessageBoxes;

class TConversionRun : public QObject {
  Q_OBJECT

 public:
  using TRowChanged = std::function<void(int row)>;

  TConversionRun(TConvertEngine& engine, const TGlobalObject& global, QWidget* mainWindow);
  ~TConversionRun() override;

  // Shows the modal progress window and returns once the run has ended and the window has
  // closed; false, after its message, when nothing could be started. A job that fails shows
  // "Failed" (the reason in ProgressTip), a stopped one "Stopped"; a run with failures ends
  // with a message that counts and explains them. A composition or output-folder error
  // propagates with nothing started.
  bool Start(std::vector<TJobRow>& rows, TRowChanged rowChanged);
  // Replaces opening the folder and powering off (tests).
  void SetAfterRunActions(IAfterRunActions* actions) { actions_ = actions; }
  // Replaces the message boxes (tests).
  void SetMessages(IRunMessages* messages) { messages_ = messages; }
  // Applies each job's effects and watermarks to its pictures; null converts them unchanged.
  void SetConversionHook(IConversionHook* hook) { hook_ = hook; }
  // News rows for the progress window (the built-in ones until a news file is read).
  void SetNews(std::vector<TAdInfo> rows, std::string newestVersion);
  // Opens a clicked news row's address (the web browser unless replaced).
  void SetLinkOpener(std::function<void(const std::string& url)> opener) {
    linkOpener_ = std::move(opener);
  }

  // Created on the first Start and kept for later runs.
  TfrmProgress* ProgressWindow() const;
  bool Running() const { return batch_ != nullptr; }

 signals:
  // The progress window is shown for a run.
  void RunShown();
  // A progress report of a task was shown.
  void TaskProgressed(int task);
  // A task ended (its row shows the outcome).
  void TaskEnded(int task);

 private:
  // Created on the first Start, before anything of the run can reach it.
  void MakeProgressWindow();
  void AttachEngine();
  void DetachEngine();
  void OnProgress(const TProgressInfo& info);
  void OnPreviewBitmap(const TPreviewInfo& info);
  // Worker thread: the job's record through the row map, into the hook.
  void CCAVCCustomHook(THookInfo& info);
  // Runs the terminations that engine threads queued, unless a stop is waiting for them.
  void DrainTerminations();
  void OnTerminate(const TTerminateInfo& info);
  void Pause();
  void Resume();
  void Cancel();
  void SaveSnapshot();
  // Shows each reported job's outcome in its row.
  void ShowOutcomes();
  void SetRowProgress(int row, const std::string& text, const std::string& tip);
  IRunMessages& Messages();
  IAfterRunActions& Actions();

  TConvertEngine& engine_;
  const TGlobalObject& global_;
  QWidget* mainWindow_;
  IAfterRunActions* actions_ = nullptr;
  IRunMessages* messages_ = nullptr;
  IConversionHook* hook_ = nullptr;
  std::unique_ptr<TDesktopActions> desktopActions_;
  std::unique_ptr<TRunMessageBoxes> messageBoxes_;
  // A child of the main window, which frees it; without a main window ownProgress_ holds it.
  QPointer<TfrmProgress> progress_;
  std::unique_ptr<TfrmProgress> ownProgress_;
  std::vector<TAdInfo> news_;
  std::string newestVersion_;
  std::function<void(const std::string&)> linkOpener_;

  // The last preview picture of the run; painted by the progress window.
  TBitmap preview_;
  TRunEstimate estimate_;

  // The run in progress (main thread only); null between runs.
  TBatchRun* batch_ = nullptr;
  std::vector<TJobRow>* rows_ = nullptr;
  TRowChanged rowChanged_;
  int lastProgressTask_ = -1;
  bool stopping_ = false;
  bool ended_ = false;
  bool paused_ = false;
  bool draining_ = false;

  std::mutex terminationsMutex_;  // guards terminations_: engine threads queue, main drains
  std::deque<TTerminateInfo> terminations_;
};

}  // namespace qarvo
