// One conversion task: its option state, the files it opened and its run. The operations are
// thin; each responsibility lives in its own class (option dispatch, input and output
// opening, transcode set-up and loop, output paths).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/EngineRecords.h"
#include "engine/TGenericOptions.h"
#include "engine/TPauseGate.h"
#include "engine/TTaskFiles.h"
#include "engine/TTaskOptions.h"
#include "engine/TVideoHookModules.h"

namespace qarvo {

class TCustomTranscoder {
 public:
  static constexpr int kFileLimit = kMaxFiles;

  TCustomTranscoder();
  virtual ~TCustomTranscoder();
  TCustomTranscoder(const TCustomTranscoder&) = delete;
  TCustomTranscoder& operator=(const TCustomTranscoder&) = delete;

  TTaskOptions Options;
  TTaskFiles Files;
  // Named library options set so far; ApplyTo / EncoderOptions / MuxerOptions copy them onto
  // each real context (see TGenericOptions).
  TGenericOptions Generic;
  // Frame-processing modules of the vhook option.
  TVideoHookModules VideoHooks;

  // ---- Options ----------------------------------------------------------------------------
  // Runs the handler of one option; raises EEngineError when the value is rejected.
  void DispatchOption(const std::string& name, const std::string& value);
  // Which lines of a record's option text this pass dispatches.
  enum class TOptionTextUse { Input, Output, All };
  void ApplyOptionText(const std::string& text, TOptionTextUse use);
  // The generic setter: true when a library option took the value.
  bool GenericSet(const std::string& name, const std::string& value);
  // type "vcd", "svcd", "dvd", "dv", "dv50"; norm "pal", "ntsc", "film" or anything (automatic).
  void ApplyTarget(const std::string& type, const std::string& norm,
                   const std::string& fallbackNorm);
  // Options apre, vpre, spre, fpre.
  void ApplyPreset(const std::string& optionName, const std::string& value);

  // ---- Files ------------------------------------------------------------------------------
  // False with ErrorText() set when the file cannot be opened.
  bool OpenInput(const std::string& fileName);
  // Number of outputs after adding, or -1 with ErrorText() set.
  int OpenOutput(const std::string& fileName, bool join);
  void NewVideoStream(int outputIndex);
  void NewAudioStream(int outputIndex);
  void NewSubtitleStream(int outputIndex);
  int InputCount() const { return static_cast<int>(Files.Inputs.size()); }
  int OutputCount() const { return static_cast<int>(Files.Outputs.size()); }
  // Closes every file; deletes outputs of length zero, and every output when removeOutputs.
  void ReleaseFiles(bool removeOutputs);

  // Sets the remembered generic option names on a real library context whose option flags
  // contain all of `flags` (AV_OPT_FLAG_*).
  void ApplyGenericOptions(void* object, int flags);

  const std::string& ErrorText() const { return errorText_; }
  void SetErrorText(const std::string& text) { errorText_ = text; }

  // ---- Run ----------------------------------------------------------------------------------
  // Set-up, loop and end steps on the calling thread. A stop request ends the loop normally:
  // the outputs get their trailers and stay playable up to where they stopped. On failure the
  // codecs are closed, the outputs being written are closed and removed (OutputCount() is 0
  // afterwards), and EEngineError is raised with the run's message.
  virtual void Transcode();

  // Written by other threads, read by the loop without a lock.
  std::atomic<bool> StopRequested{false};
  // The loop waits here at the top of every iteration and between duplicated frames.
  TPauseGate PauseGate;
  // Minimum time between two progress reports, µs.
  std::atomic<int64_t> ProgressIntervalUs{500000};

  // ---- Hook, previews, progress: called by the loop on the worker thread --------------------
  // True when a custom frame hook handler is assigned.
  virtual bool HasCustomHook() const { return false; }
  // Bit 0: Preview window, bit 1: PreviewBitmap.
  virtual int PreviewFlags() const { return 0; }
  // Every decoded picture before scaling and encoding; pts in µs.
  virtual void PreprocessPicture(AVFrame& /*picture*/, const AVCodecContext& /*decoder*/,
                                 int64_t /*pts*/) {}
  // Every picture sent to the encoder (encoder size and pixel format) while a flag is on.
  virtual void PreviewPicture(const AVFrame& /*picture*/, const AVCodecContext& /*encoder*/) {}
  // A progress report; TaskIndex is left for the component to fill.
  virtual void ReportProgress(const TProgressInfo& /*info*/) {}

 private:
  std::string errorText_;
};

}  // namespace qarvo
