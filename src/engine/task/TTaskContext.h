// What one conversion task is made of: its option state, the files it opened, the run's
// controls, and the calls the run makes back into the task on the worker thread. Every stage
// of the engine (options, opening, the run and its output paths) works on this; the task
// itself (TCustomTranscoder) sits above the stages and only delegates to them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "base/EngineRecords.h"
#include "media/InterruptCheck.h"
#include "engine/hook/TUprightTurn.h"
#include "engine/hook/TVideoHookModules.h"
#include "engine/task/TGenericOptions.h"
#include "engine/task/TPauseGate.h"
#include "engine/task/TTaskFiles.h"
#include "engine/task/TTaskOptions.h"

struct AVCodecContext;
struct AVFrame;

namespace qarvo {

// Which lines of a record's option text a pass dispatches.
enum class TOptionTextUse { Input, Output, All };

class TTaskContext {
 public:
  static constexpr int kFileLimit = kMaxFiles;

  TTaskContext();
  virtual ~TTaskContext();
  TTaskContext(const TTaskContext&) = delete;
  TTaskContext& operator=(const TTaskContext&) = delete;

  TTaskOptions Options;
  TTaskFiles Files;
  // Named library options set so far; ApplyTo / EncoderOptions / MuxerOptions copy them onto
  // each real context (see TGenericOptions).
  TGenericOptions Generic;
  // Frame-processing modules of the vhook option.
  TVideoHookModules VideoHooks;

  int InputCount() const { return static_cast<int>(Files.Inputs.size()); }
  int OutputCount() const { return static_cast<int>(Files.Outputs.size()); }

  // Sets the remembered generic option names on a real library context whose option flags
  // contain all of `flags` (AV_OPT_FLAG_*).
  void ApplyGenericOptions(void* object, int flags) { Generic.ApplyTo(object, flags); }

  const std::string& ErrorText() const { return errorText_; }
  void SetErrorText(const std::string& text) { errorText_ = text; }

  // What a run that finished still has to report (a source that ended early); written by the
  // run on the worker thread, read by the task after the run.
  const std::string& RunWarning() const { return runWarning_; }
  void SetRunWarning(const std::string& text) { runWarning_ = text; }
  // The video payload the last run wrote (worker thread).
  int64_t RunVideoBytes() const { return runVideoBytes_; }
  void SetRunVideoBytes(int64_t bytes) { runVideoBytes_ = bytes; }

  // Written by other threads, read by the loop without a lock.
  std::atomic<bool> StopRequested{false};
  // The inputs' interrupt check: a stop request (or the component's, while it opens files for
  // a probe) ends an open, analysis or read that waits on a slow source.
  TInterruptCheck InputInterrupt{&StopRequested, nullptr, false};
  // The loop waits here at the top of every iteration and between duplicated frames.
  TPauseGate PauseGate;
  // Minimum time between two progress reports, µs.
  std::atomic<int64_t> ProgressIntervalUs{500000};
  // When the run of this task began (set before it starts): part files older than this that
  // nobody holds are a killed run's leftovers. None: the task's own start.
  std::chrono::system_clock::time_point RunStart{};

  // ---- Hook, previews, progress: called by the loop on the worker thread --------------------
  // True when a custom frame hook handler is assigned.
  virtual bool HasCustomHook() const { return false; }
  // Bit 0: Preview window, bit 1: PreviewBitmap.
  virtual int PreviewFlags() const { return 0; }
  // Every decoded picture before scaling and encoding; pts in µs. `turn` makes it upright,
  // which everything after this step expects.
  virtual void PreprocessPicture(AVFrame& picture, const AVCodecContext& /*decoder*/,
                                 int64_t /*pts*/, TUprightTurn& turn) {
    turn.Apply(picture);
  }
  // Every decoded picture as it reaches the encoding side, after PreprocessPicture (which a
  // pipelined run calls on its decoding thread): the number previews carry.
  virtual void NotePicture() {}
  // Every picture sent to the encoder (encoder size and pixel format) while a flag is on.
  virtual void PreviewPicture(const AVFrame& /*picture*/, const AVCodecContext& /*encoder*/) {}
  // A progress report; TaskIndex is left for the component to fill.
  virtual void ReportProgress(const TProgressInfo& /*info*/) {}
  // True when the application receives the reports; without it the reports go to the log.
  virtual bool HasProgressHandler() const { return false; }

 private:
  std::string errorText_;
  std::string runWarning_;
  int64_t runVideoBytes_ = 0;
};

}  // namespace qarvo
