#include "engine/TTranscoder.h"

#include <algorithm>
#include <exception>

#include "base/EngineError.h"
#include "base/PumpingLock.h"
#include "media/EngineLogger.h"
#include "engine/TMultiPassRun.h"
#include "engine/TTaskRecords.h"

namespace qarvo {

namespace {

constexpr const char* kNoOutput = "At least one output file must be specified";
constexpr const char* kNoInput = "At least one input file must be specified";

template <typename T>
T& Slot(std::array<std::unique_ptr<T>, TCustomTranscoder::kFileLimit>& slots, int index) {
  auto& slot = slots.at(static_cast<size_t>(index));
  if (!slot) slot = std::make_unique<T>();
  return *slot;
}

}  // namespace

TTranscoder::TTranscoder() : frameHook_(this) {}

TTranscoder::~TTranscoder() {
  RequestStop();
  std::unique_ptr<TConvertThread> thread;
  {
    std::lock_guard lock(stateMutex_);
    thread = std::move(thread_);
  }
  thread.reset();  // waits for the body to return
  try {
    ReleaseFiles(false);
  } catch (...) {
    // Nothing sensible is left to do with a file that cannot be closed while destroying.
  }
}

TMediaProbe& TTranscoder::Probe(int index) { return Slot(probes_, index); }

TMediaProbe* TTranscoder::ExistingProbe(int index) const {
  if (index < 0 || index >= kFileLimit) return nullptr;
  return probes_[static_cast<size_t>(index)].get();
}

TInputOptions& TTranscoder::InputOptions(int index) { return Slot(inputOptions_, index); }
TOutputOptions& TTranscoder::OutputOptions(int index) { return Slot(outputOptions_, index); }
void TTranscoder::ResetOutputOptions(int index) { OutputOptions(index) = TOutputOptions(); }

bool TTranscoder::SetUpInput(const std::string& fileName, const TInputOptions* options) {
  plannedInput_ = {fileName, options != nullptr};
  return OpenInputFile(fileName, options);
}

bool TTranscoder::SetUpOutput(const std::string& fileName, const TOutputOptions* options) {
  if (!OpenOutputFile(fileName, options)) return false;
  plannedOutputs_.push_back({fileName, options != nullptr});
  return true;
}

bool TTranscoder::OpenInputFile(const std::string& fileName, const TInputOptions* options) {
  if (options) TTaskRecords(*this).ApplyInput(*options);
  if (!OpenInput(fileName)) return false;
  Probe(InputCount() - 1).Attach(Files.Inputs.back().Context.get());
  return true;
}

bool TTranscoder::OpenOutputFile(const std::string& fileName, const TOutputOptions* options) {
  TTaskRecords records(*this);
  if (options) records.ApplyOutputBeforeOpen(*options);
  if (OpenOutput(fileName, options && options->Join) < 0) return false;
  if (options) records.ApplyStreamGroups(*options);
  return true;
}

void TTranscoder::PlanInput(const std::string& fileName, bool withOptions) {
  opensAtStart_ = true;
  Generic.Release();  // made again when the files open
  plannedInput_ = {fileName, withOptions};
}

void TTranscoder::PlanOutput(const std::string& fileName, bool withOptions) {
  plannedOutputs_.push_back({fileName, withOptions});
}

int TTranscoder::OutputSlots() const {
  return opensAtStart_ ? static_cast<int>(plannedOutputs_.size()) : OutputCount();
}

void TTranscoder::OpenPlannedFiles() {
  opensAtStart_ = false;
  Generic.Create();
  if (!OpenInputFile(plannedInput_.FileName,
                     plannedInput_.WithOptions ? &InputOptions(0) : nullptr))
    throw EEngineError(ErrorText());
  for (size_t i = 0; i < plannedOutputs_.size(); ++i) {
    const TPlannedFile& output = plannedOutputs_[i];
    if (!OpenOutputFile(output.FileName,
                        output.WithOptions ? &OutputOptions(static_cast<int>(i)) : nullptr))
      throw EEngineError(ErrorText());
  }
}

bool TTranscoder::WantsPasses() {
  if (plannedOutputs_.empty() || !plannedOutputs_[0].WithOptions) return false;
  const TOutputOptions& first = OutputOptions(0);
  return !first.DisableVideo && (first.VideoPasses == 2 || first.TargetSizeBytes > 0);
}

const std::string& TTranscoder::FirstOutputName() const { return plannedOutputs_.at(0).FileName; }

void TTranscoder::ResetForPass(bool discard) {
  ReleaseFiles(discard);
  opensAtStart_ = false;
  Options.Reset();
  Generic.Clear();
  Generic.Create();
  VideoHooks.Clear();
}

void TTranscoder::OpenForPass(const TOutputOptions& first, const std::string& firstName,
                              bool firstOnly,
                              const std::vector<std::pair<std::string, std::string>>& passOptions) {
  if (!OpenInputFile(plannedInput_.FileName,
                     plannedInput_.WithOptions ? &InputOptions(0) : nullptr))
    throw EEngineError(ErrorText());
  for (const auto& [name, value] : passOptions) DispatchOption(name, value);
  if (!OpenOutputFile(firstName, &first)) throw EEngineError(ErrorText());
  for (size_t i = 1; !firstOnly && i < plannedOutputs_.size(); ++i) {
    const TPlannedFile& output = plannedOutputs_[i];
    if (!OpenOutputFile(output.FileName,
                        output.WithOptions ? &OutputOptions(static_cast<int>(i)) : nullptr))
      throw EEngineError(ErrorText());
  }
}

void TTranscoder::SetProgressSpan(double start, double end) {
  spanStart_ = start;
  spanEnd_ = end;
}

void TTranscoder::PrepareHooks() {
  frameHook_.Reset();
  if (VideoHooks.InUse())
    frameHook_.SetModules([this](AVFrame& picture, int64_t pts) {
      TVhookPicture planes{};
      for (int i = 0; i < 4; ++i) {
        planes.data[i] = picture.data[i];
        planes.linesize[i] = picture.linesize[i];
      }
      VideoHooks.Process(planes, picture.format, picture.width, picture.height, pts);
    });
}

std::string TTranscoder::ExceptionMsg() const {
  std::lock_guard lock(stateMutex_);
  return exceptionMsg_;
}

std::vector<std::string> TTranscoder::OutputFiles() const {
  std::lock_guard lock(stateMutex_);
  return outputFiles_;
}

std::string TTranscoder::Warning() const {
  std::lock_guard lock(stateMutex_);
  return warning_;
}

void TTranscoder::SetHookCallback(THookCallback callback) {
  onHook_ = std::move(callback);
  if (!onHook_) {
    frameHook_.SetCustomHook(nullptr);
    return;
  }
  frameHook_.SetCustomHook(
      [this](TBitmap& bitmap, int frameNumber, int64_t pts, bool& update, bool& stopHook) {
        onHook_(*this, bitmap, frameNumber, pts, update, stopHook);
      });
}

void TTranscoder::SetPreviewCallback(TPreviewCallback callback) {
  onPreview_ = std::move(callback);
  if (!onPreview_) {
    frameHook_.SetPreviewBitmapHandler(nullptr);
    return;
  }
  frameHook_.SetPreviewBitmapHandler([this](TBitmap& bitmap, int frameNumber, int64_t pts) {
    onPreview_(*this, bitmap, frameNumber, pts);
  });
}

void TTranscoder::PreprocessPicture(AVFrame& picture, const AVCodecContext&, int64_t pts,
                                    TUprightTurn& turn) {
  frameHook_.Preprocess(picture, Options.DoDeinterlace, pts, &turn);
}

void TTranscoder::PreviewPicture(const AVFrame& picture, const AVCodecContext& encoder) {
  const int64_t pts =
      picture.pts == AV_NOPTS_VALUE
          ? kNoTimestamp
          : api().av_rescale_q(picture.pts, encoder.time_base, AVRational{1, AV_TIME_BASE});
  frameHook_.Preview(picture, pts);
}

void TTranscoder::ReportProgress(const TProgressInfo& info) {
  if (!onProgress_) return;
  const double start = spanStart_, end = spanEnd_;
  if ((start == 0.0 && end == 1.0) || info.TotalDuration <= 0) {
    onProgress_(*this, info);
    return;
  }
  // One pass of several: its share of the job, so the bar goes on from where it stood.
  TProgressInfo mapped = info;
  const double total = static_cast<double>(info.TotalDuration);
  const double done = std::clamp(static_cast<double>(info.CurrentDuration) / total, 0.0, 1.0);
  mapped.CurrentDuration = static_cast<int64_t>(total * (start + (end - start) * done));
  onProgress_(*this, mapped);
}

bool TTranscoder::IsRunningThread() const {
  std::lock_guard lock(stateMutex_);
  return working_ && runner_ == std::this_thread::get_id();
}

void TTranscoder::RequestStop() {
  StopRequested = true;
  PauseGate.Open();
}

void TTranscoder::StartThread(TThreadPriority priority) {
  std::lock_guard lock(stateMutex_);
  if (thread_ || working_ || terminated_) return;
  thread_ = std::make_unique<TConvertThread>([this] { Execute(); }, priority);
}

void TTranscoder::WaitForThread() const {
  const TConvertThread* thread;
  {
    std::lock_guard lock(stateMutex_);
    thread = thread_.get();
  }
  if (thread) thread->WaitFor();
}

bool TTranscoder::JoinEndedThread() {
  std::lock_guard lock(stateMutex_);
  if (!thread_) return true;
  thread_->JoinFinished();
  return thread_->Finished() && !thread_->IsCurrentThread();
}

void TTranscoder::Execute() {
  {
    std::lock_guard lock(stateMutex_);
    if (working_ || terminated_) return;
    working_ = true;
    started_ = true;
    runner_ = std::this_thread::get_id();
  }
  SetRunWarning({});
  bool failed = false;
  std::string message;
  try {
    if (WantsPasses()) {
      CommitAfterRun = false;
      TMultiPassRun(*this).Run();
    } else {
      if (opensAtStart_ && !plannedOutputs_.empty()) OpenPlannedFiles();
      if (OutputCount() == 0 || InputCount() == 0) {
        message = OutputCount() == 0 ? kNoOutput : kNoInput;
        TEngineLogger::GetLogger().Log(this, TLogLevel::llQuiet, message);
        throw EEngineError(message);
      }
      PrepareHooks();
      Transcode();
    }
  } catch (const std::exception& e) {
    failed = true;
    message = e.what();
  } catch (...) {
    failed = true;
    message = "Unknown error";
  }
  Finish(failed, message);
}

void TTranscoder::TerminateUnstarted() {
  {
    std::lock_guard lock(stateMutex_);
    if (working_ || terminated_) return;
    working_ = true;
    runner_ = std::this_thread::get_id();
  }
  StopRequested = true;
  Finish(false, {});
}

void TTranscoder::Finish(bool failed, std::string message) {
  // A complete output gets its final name only now; so does a stopped task's output, closed
  // properly by the loop, where the caller allows one (see TOutputOptions::NameIfTaken).
  std::vector<std::string> written;
  std::string commitWarning;
  if (!failed) {
    try {
      written = CommitOutputs(StopRequested, commitWarning);
    } catch (const std::exception& e) {
      failed = true;
      message = e.what();
    }
  }
  // A failed task's partial output cannot be told from a good one: it goes.
  try {
    ReleaseFiles(failed);
  } catch (const std::exception& e) {
    TEngineLogger::GetLogger().Log(this, TLogLevel::llError, e.what());
  }
  // Buffers and the preview window go with the task's end; a later task opens its own. So do
  // the option contexts (scratch encoders among them): a long batch keeps no job's weight.
  frameHook_.Reset();
  Generic.Clear();
  // The front ends show the failure in plain words; the engine's own text stays in the log.
  if (failed && message != kNoOutput && message != kNoInput)
    TEngineLogger::GetLogger().Log(this, TLogLevel::llError, message);
  {
    std::lock_guard lock(stateMutex_);
    exceptionMsg_ = failed ? message : std::string();
    warning_ = failed ? std::string() : RunWarning();
    if (!failed && !commitWarning.empty())
      warning_ = RunWarning().empty() ? commitWarning : RunWarning() + "\n" + commitWarning;
    outputFiles_ = failed ? std::vector<std::string>() : written;
    exception_ = failed;
    finished_ = !failed && !StopRequested;
    terminated_ = true;
    working_ = false;
  }
  if (onTerminate_) onTerminate_(*this);
}

}  // namespace qarvo
