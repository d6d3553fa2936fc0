// A task as the component runs it: the transcoder plus the probes and record copies of its
// files, its run flags, its worker thread and the callbacks through which it reports to the
// component.
//
// Threads: set-up calls come from the main thread while the task is not running; Execute
// runs on the task's worker thread (or the caller's in an unthreaded run); the flags and the
// stop request are read from any thread.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/EngineRecords.h"
#include "probe/TMediaProbe.h"
#include "engine/TConvertThread.h"
#include "engine/TCustomTranscoder.h"
#include "engine/hook/TFrameHook.h"

namespace qarvo {

class TTranscoder : public TCustomTranscoder {
 public:
  using THookCallback = std::function<void(TTranscoder& task, TBitmap& bitmap, int frameNumber,
                                           int64_t pts, bool& update, bool& stopHook)>;
  using TPreviewCallback =
      std::function<void(TTranscoder& task, TBitmap& bitmap, int frameNumber, int64_t pts)>;
  using TProgressCallback = std::function<void(TTranscoder& task, const TProgressInfo& info)>;
  using TTerminateCallback = std::function<void(TTranscoder& task)>;
  // Whether the component has a progress handler now.
  using TProgressHandlerQuery = std::function<bool()>;

  TTranscoder();
  // Requests a stop, waits for the worker thread and releases the files.
  ~TTranscoder() override;

  // ---- Per-file slots ---------------------------------------------------------------------
  // Created on first use; the probe of an input is attached to it by the component.
  TMediaProbe& Probe(int index);
  // Null when the slot was never used.
  TMediaProbe* ExistingProbe(int index) const;
  TInputOptions& InputOptions(int index);
  TOutputOptions& OutputOptions(int index);
  void ResetOutputOptions(int index);

  // ---- Files --------------------------------------------------------------------------------
  // Applies the input record (when given) and opens the input with its probe; false with
  // ErrorText() set when the file cannot be opened.
  bool SetUpInput(const std::string& fileName, const TInputOptions* options);
  // Applies an output record (when given) and opens the next output with its stream groups;
  // false with ErrorText() set.
  bool SetUpOutput(const std::string& fileName, const TOutputOptions* options);
  // A task that opens its files when it starts (built by the component from a queued task's
  // description): the set-up only keeps the names, and the records stay in their slots.
  void PlanInput(const std::string& fileName, bool withOptions);
  void PlanOutput(const std::string& fileName, bool withOptions);
  // Outputs given so far, opened or planned: the slot the next output takes.
  int OutputSlots() const;

  // ---- Runs of several passes (TMultiPassRun, on the task's thread) -----------------------
  // True when the first output's record asks for two passes or a size.
  bool WantsPasses();
  const std::string& FirstOutputName() const;
  // Closes the files (removing what the outputs hold when `discard`) and sets the option
  // state as new.
  void ResetForPass(bool discard);
  // Opens the input as set up, dispatches `passOptions`, then opens output 0 as `firstName`
  // with the record `first`, and the other outputs as set up unless `firstOnly`. Raises
  // EEngineError with the opening's text.
  void OpenForPass(const TOutputOptions& first, const std::string& firstName, bool firstOnly,
                   const std::vector<std::pair<std::string, std::string>>& passOptions);
  // Reports map into [start, end) of the job's length, so passes add up to one job.
  void SetProgressSpan(double start, double end);
  // The frame hook and vhook modules made ready for a run over the opened files.
  void PrepareHooks();

  // ---- Run --------------------------------------------------------------------------------
  // Runs the task to its end on the calling thread and reports its termination. Does nothing
  // when the task is working or terminated.
  void Execute();
  // Runs Execute on a new worker thread.
  void StartThread(TThreadPriority priority);
  // Ends a task that never started (Finished and Exception false) and reports it.
  void TerminateUnstarted();
  // True exactly once: the caller may start or end the task (it was neither started nor
  // terminated before).
  bool Claim() { return !claimed_.exchange(true); }
  // Sets the stop request and opens the pause gate.
  void RequestStop();
  // Waits for the worker thread, if any, to end (pumping on the main thread).
  void WaitForThread() const;
  // Joins the worker thread once its body has returned (any thread but that one); true when
  // there is nothing left to join.
  bool JoinEndedThread();
  // True when called on the thread that runs the task.
  bool IsRunningThread() const;

  bool Working() const { return working_.load(); }
  bool Terminated() const { return terminated_.load(); }
  bool Finished() const { return finished_.load(); }
  bool Exception() const { return exception_.load(); }
  std::string ExceptionMsg() const;
  // The finished run's warning (empty when there is none).
  std::string Warning() const;
  // The names the outputs got when the task ended (empty for a failed task).
  std::vector<std::string> OutputFiles() const;
  // False for a task that ended without running (stopped before its turn).
  bool Started() const { return started_.load(); }

  // ---- Callbacks and previews (bound by the component while the task is idle) -------------
  void SetHookCallback(THookCallback callback);
  void SetPreviewCallback(TPreviewCallback callback);
  void SetProgressCallback(TProgressCallback callback, TProgressHandlerQuery query) {
    onProgress_ = std::move(callback);
    hasProgressHandler_ = std::move(query);
  }
  void SetTerminateCallback(TTerminateCallback callback) { onTerminate_ = std::move(callback); }
  void SetPreview(bool on) { frameHook_.SetPreviewFlag(pfPreview, on); }
  void SetPreviewBitmap(bool on) { frameHook_.SetPreviewFlag(pfPreviewBitmap, on); }
  TFrameHook& FrameHook() { return frameHook_; }

  bool HasCustomHook() const override { return frameHook_.HasCustomHook(); }
  int PreviewFlags() const override { return frameHook_.PreviewFlags(); }
  void PreprocessPicture(AVFrame& picture, const AVCodecContext& decoder, int64_t pts,
                         TUprightTurn& turn) override;
  void NotePicture() override { frameHook_.NotePicture(); }
  void PreviewPicture(const AVFrame& picture, const AVCodecContext& encoder) override;
  void ReportProgress(const TProgressInfo& info) override;
  bool HasProgressHandler() const override {
    return onProgress_ && hasProgressHandler_ && hasProgressHandler_();
  }

 private:
  void Finish(bool failed, std::string message);
  // Opens the planned files on the worker thread; raises EEngineError with the opening's text.
  void OpenPlannedFiles();
  bool OpenInputFile(const std::string& fileName, const TInputOptions* options);
  bool OpenOutputFile(const std::string& fileName, const TOutputOptions* options);

  struct TPlannedFile {
    std::string FileName;
    bool WithOptions = false;
  };
  // Written during set-up (main thread), read by Execute on the worker thread. Tasks opened
  // at set-up keep their files here too: a run of several passes opens them again.
  bool opensAtStart_ = false;
  TPlannedFile plannedInput_;
  std::vector<TPlannedFile> plannedOutputs_;
  // Share of the job's length the running pass covers (the progress mapping).
  std::atomic<double> spanStart_{0.0};
  std::atomic<double> spanEnd_{1.0};

  std::array<std::unique_ptr<TMediaProbe>, kFileLimit> probes_;
  std::array<std::unique_ptr<TInputOptions>, kFileLimit> inputOptions_;
  std::array<std::unique_ptr<TOutputOptions>, kFileLimit> outputOptions_;

  TFrameHook frameHook_;
  THookCallback onHook_;
  TPreviewCallback onPreview_;
  TProgressCallback onProgress_;
  TProgressHandlerQuery hasProgressHandler_;
  TTerminateCallback onTerminate_;

  mutable std::mutex stateMutex_;  // guards thread_, runner_, exceptionMsg_, warning_
  std::unique_ptr<TConvertThread> thread_;
  std::thread::id runner_;
  std::string exceptionMsg_;
  std::string warning_;
  std::vector<std::string> outputFiles_;
  std::atomic<bool> claimed_{false};
  std::atomic<bool> working_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> exception_{false};
  std::atomic<bool> started_{false};
};

}  // namespace qarvo
