#include "engine/TCustomConvertEngine.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "base/EngineError.h"
#include "base/MainThread.h"
#include "base/PumpingLock.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/LibraryLoader.h"
#include "engine/TConvertEngine.h"
#include "engine/TTaskRecords.h"

namespace qarvo {

namespace {

// Holds the terminate lock and remembers its holder, so a wait on that thread does not wait
// for terminations that need the lock.
class TTerminateGuard {
 public:
  TTerminateGuard(std::timed_mutex& mutex, std::atomic<std::thread::id>& owner)
      : lock_(mutex), owner_(owner), previous_(owner.exchange(std::this_thread::get_id())) {}
  ~TTerminateGuard() { owner_ = previous_; }
  TTerminateGuard(const TTerminateGuard&) = delete;
  TTerminateGuard& operator=(const TTerminateGuard&) = delete;

 private:
  TPumpingLock lock_;
  std::atomic<std::thread::id>& owner_;
  std::thread::id previous_;
};

void LogHandlerError(const void* sender, const char* event, const std::string& what) {
  TEngineLogger::GetLogger().Log(sender, TLogLevel::llError,
                                 std::string("Error occurs ") + event + ": " + what);
}

}  // namespace

TCustomConvertEngine::TCustomConvertEngine(void* owner) : TMediaComponent(owner) {
  ResetRunState();
}

TCustomConvertEngine::~TCustomConvertEngine() {
  {
    std::lock_guard lock(stateMutex_);
    pendingCount_ = 0;
  }
  // An event in progress completes before the tasks go.
  for (std::timed_mutex* m : {&previewLock_, &progressLock_, &terminateLock_}) {
    TPumpingLock lock(*m);
  }
  {
    std::lock_guard ended(endedMutex_);
    ended_.clear();
  }
  tasks_.Clear();
  WaitTerminateThreads();
  std::lock_guard lock(threadsMutex_);
  terminateThreads_.clear();
}

TConvertEngine& TCustomConvertEngine::Self() { return static_cast<TConvertEngine&>(*this); }

void TCustomConvertEngine::ResetRunState() {
  std::lock_guard lock(stateMutex_);
  finishedCount_ = 0;
  nextTaskIndex_ = -1;
  pendingCount_ = 0;
  allTerminated_ = false;
  threaded_ = false;
  working_ = false;
  endOfRunFired_ = false;
}

bool TCustomConvertEngine::Working() const {
  std::lock_guard lock(stateMutex_);
  return working_;
}

bool TCustomConvertEngine::AllTerminated() const {
  std::lock_guard lock(stateMutex_);
  return allTerminated_;
}

std::string TCustomConvertEngine::LastErrMsg() const {
  std::lock_guard lock(stateMutex_);
  return lastErrMsg_;
}

void TCustomConvertEngine::SetLastErrMsg(const std::string& message) {
  {
    std::lock_guard lock(stateMutex_);
    lastErrMsg_ = message;
  }
  // Front ends show their plain words for it; the engine's own text stays in the log.
  if (!message.empty()) TEngineLogger::GetLogger().Log(this, TLogLevel::llError, message);
}

void TCustomConvertEngine::CheckNotWorking(const char* operation) const {
  if (Working()) throw EEngineError(Format("Cannot %s while working.", operation));
}

bool TCustomConvertEngine::LoadAVLib(const std::string& folder) {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  loader.SetLibPath(folder);
  if (loader.Load(kEngineLibraries)) return true;
  SetLastErrMsg(loader.LastError());
  return false;
}

// ---- Tasks --------------------------------------------------------------------------------

std::unique_ptr<TTranscoder> TCustomConvertEngine::CreateTask() {
  return std::make_unique<TTranscoder>();
}

void TCustomConvertEngine::BindTask(TTranscoder& task, bool events) {
  if (!events) {
    task.InputInterrupt.OtherStop = &openingInterrupted_;
    task.Options.Verbose = 1;
    task.SetPreview(preview_);
    task.SetPreviewBitmap(previewBitmap_);
    task.SetPreviewCallback([this](TTranscoder& t, TBitmap& bitmap, int frame, int64_t pts) {
      DoPreviewBitmap(t, bitmap, frame, pts);
    });
    return;
  }
  task.SetProgressCallback(
      [this](TTranscoder& t, const TProgressInfo& info) { DoProgress(t, info); },
      [this] {
        std::lock_guard events(eventsMutex_);
        return static_cast<bool>(onProgress_);
      });
  task.SetTerminateCallback([this](TTranscoder& t) { DoTerminate(t); });
}

int TCustomConvertEngine::AddTask(const std::string& fileName, TInputOptions* options,
                                  bool openAtStart) {
  CheckNotWorking("AddTask");
  try {
    std::string name = fileName;
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      name = options->FileName;
    }
    if (openAtStart) {
      auto queued = std::make_unique<TQueuedTask>();
      queued->InputName = name;
      if (options) queued->Input = *options;
      return tasks_.AddQueued(std::move(queued));
    }
    std::unique_ptr<TTranscoder> task = CreateTask();
    BindTask(*task, false);
    if (options) task->InputOptions(0) = *options;
    if (!task->SetUpInput(name, options)) {
      SetLastErrMsg(task->ErrorText());
      return -1;
    }
    BindTask(*task, true);
    return tasks_.Add(std::move(task));
  } catch (const std::exception& e) {
    SetLastErrMsg(e.what());
    return -1;
  }
}

void TCustomConvertEngine::BindHook(TTranscoder& task) {
  task.SetHookCallback([this](TTranscoder& t, TBitmap& bitmap, int frame, int64_t pts, bool& update,
                              bool& stop) { DoCustomHook(t, bitmap, frame, pts, update, stop); });
}

std::unique_ptr<TTranscoder> TCustomConvertEngine::BuildQueued(const TQueuedTask& queued) {
  std::unique_ptr<TTranscoder> task = CreateTask();
  BindTask(*task, false);
  if (queued.Input) task->InputOptions(0) = *queued.Input;
  task->PlanInput(queued.InputName, queued.Input.has_value());
  for (size_t i = 0; i < queued.Outputs.size(); ++i) {
    const TQueuedTask::TOutput& output = queued.Outputs[i];
    if (output.Options) task->OutputOptions(static_cast<int>(i)) = *output.Options;
    task->PlanOutput(output.FileName, output.Options.has_value());
  }
  if (queued.CustomHook) BindHook(*task);
  BindTask(*task, true);
  return task;
}

bool TCustomConvertEngine::SetOutputFile(int taskIndex, const std::string& fileName,
                                         TOutputOptions* options) {
  CheckNotWorking("SetOutputFile");
  TQueuedTask* queued = tasks_.Queued(taskIndex);
  TTranscoder* task = queued ? nullptr : tasks_.Get(taskIndex);
  if (!task && !queued) {
    SetLastErrMsg(Format("Task index out of range (%d)", taskIndex));
    return false;
  }
  const int slot = queued ? static_cast<int>(queued->Outputs.size()) : task->OutputSlots();
  if (slot >= TCustomTranscoder::kFileLimit) {
    SetLastErrMsg(Format("max output files %d reached", TCustomTranscoder::kFileLimit));
    return false;
  }
  try {
    std::string name = fileName;
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      name = options->FileName;
    }
    if (queued) {
      queued->Outputs.push_back({name, options ? std::optional(*options) : std::nullopt});
      if (options && options->CustomHook) queued->CustomHook = true;
      return true;
    }
    if (options) {
      task->OutputOptions(slot) = *options;
      if (options->CustomHook) BindHook(*task);
    } else {
      task->ResetOutputOptions(slot);
    }
    if (!task->SetUpOutput(name, options)) {
      SetLastErrMsg(task->ErrorText());
      task->ResetOutputOptions(slot);
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    SetLastErrMsg(e.what());
    return false;
  }
}

void TCustomConvertEngine::RemoveTask(int taskIndex) {
  CheckNotWorking("RemoveTask");
  WaitTerminateThreads();
  {
    std::lock_guard ended(endedMutex_);
    ended_.erase(std::remove(ended_.begin(), ended_.end(), tasks_.Get(taskIndex)), ended_.end());
  }
  tasks_.Delete(taskIndex);
}

void TCustomConvertEngine::ClearTasks() {
  {
    std::lock_guard lock(stateMutex_);
    if (working_ && !allTerminated_) throw EEngineError("Cannot ClearTasks while working.");
  }
  WaitTerminateThreads();
  {
    std::lock_guard ended(endedMutex_);
    ended_.clear();
  }
  tasks_.Clear();
  ResetRunState();
  SetLastErrMsg({});
}

TMediaProbe* TCustomConvertEngine::TaskProbe(int taskIndex, int inputIndex) const {
  TTranscoder* task = tasks_.Get(taskIndex);
  if (!task || inputIndex < 0 || inputIndex >= task->InputCount()) return nullptr;
  return task->ExistingProbe(inputIndex);
}

// ---- Run ----------------------------------------------------------------------------------

void TCustomConvertEngine::StartTask(int threadCount) {
  CheckNotWorking("StartTask");
  // Terminations of a stop before the start must have ended before counting anew.
  WaitTerminateThreads();
  const int alreadyTerminated = tasks_.TerminatedCount();
  {
    std::lock_guard lock(stateMutex_);
    // Tasks ended before this run cannot start again; they count as finished so the run ends.
    finishedCount_ = alreadyTerminated;
    nextTaskIndex_ = 0;
    pendingCount_ = tasks_.Count();
    allTerminated_ = false;
    threaded_ = threadCount > 0;
    working_ = true;
    endOfRunFired_ = false;
    runStart_ = std::chrono::system_clock::now();
  }
  if (threadCount > 0) {
    for (int i = 0; i < threadCount && StartNext(); ++i) {
    }
  } else {
    while (StartNext()) {
    }
  }
  TTerminateGuard lock(terminateLock_, terminateLockOwner_);
  EndRunIfDone();
}

// Holds the lock while it joins: ClearTasks, RemoveTask and the destructor empty the list
// under it before any task goes.
void TCustomConvertEngine::JoinEndedThreads() {
  std::lock_guard lock(endedMutex_);
  ended_.erase(std::remove_if(ended_.begin(), ended_.end(),
                              [this](TTranscoder* task) {
                                if (!task->JoinEndedThread()) return false;
                                // One that never started has no thread to tell when its
                                // termination is over: it stays until the list is cleared.
                                if (task->Started()) tasks_.Retire(task);
                                return true;
                              }),
               ended_.end());
}

bool TCustomConvertEngine::StartNext() {
  for (;;) {
    int index;
    bool threaded;
    std::chrono::system_clock::time_point runStart;
    {
      std::lock_guard lock(stateMutex_);
      if (pendingCount_ <= 0) return false;
      --pendingCount_;
      index = nextTaskIndex_++;
      threaded = threaded_;
      runStart = runStart_;
    }
    TTranscoder* task = nullptr;
    try {
      task = tasks_.Build(index, [this](const TQueuedTask& queued) { return BuildQueued(queued); });
    } catch (const std::exception& e) {
      // Only an allocation can fail here; the task ends with it and the run goes on.
      if (tasks_.ClaimQueued(index)) EndQueued(index, e.what());
      continue;
    }
    if (!task || !task->Claim()) continue;
    task->ProgressIntervalUs = static_cast<int64_t>(progressInterval_) * 1000;
    task->RunStart = runStart;
    if (threaded) {
      JoinEndedThreads();
      task->StartThread(threadPriority_);
    } else {
      task->Execute();
      JoinEndedThreads();
    }
    return true;
  }
}

void TCustomConvertEngine::Pause() { tasks_.SuspendThreads(); }

void TCustomConvertEngine::Resume() { tasks_.ResumeThreads(); }

void TCustomConvertEngine::Stop(bool waitForStop) {
  // Called from a handler we handed to the main thread, its worker waits for the call to
  // return, and other workers may wait behind that worker's event lock: waiting would hang.
  if (TMainThread::IsMainThread() && mainHandlerDepth_ > 0) waitForStop = false;
  {
    std::lock_guard lock(stateMutex_);
    pendingCount_ = 0;
  }
  const int count = tasks_.Count();
  for (int index = 0; index < count; ++index) {
    if (tasks_.ClaimQueued(index)) {
      SpawnTerminateThread([this, index] { EndQueued(index, {}); });
      continue;
    }
    const std::shared_ptr<TTranscoder> task = tasks_.Share(index);
    if (!task) continue;
    if (task->Claim()) {
      // Unstarted, it stays in its slot until the terminate thread has run.
      SpawnTerminateThread([raw = task.get()] { raw->TerminateUnstarted(); });
      continue;
    }
    if (task->Terminated()) continue;
    task->RequestStop();
    if (waitForStop && !task->IsRunningThread()) task->WaitForThread();
  }
  if (waitForStop) WaitTerminateThreads();
}

// ---- Terminate threads --------------------------------------------------------------------

void TCustomConvertEngine::ReapTerminateThreads() {
  terminateThreads_.remove_if([](const std::unique_ptr<TDoTerminateThread>& thread) {
    return thread->Finished() && !thread->IsCurrentThread();
  });
}

void TCustomConvertEngine::SpawnTerminateThread(const std::function<void()>& body) {
  std::lock_guard lock(threadsMutex_);
  ReapTerminateThreads();
  const uint64_t ticket = nextTicket_++;
  terminateThreads_.push_back(std::make_unique<TDoTerminateThread>([this, ticket, body] {
    {
      std::unique_lock order(orderMutex_);
      orderChanged_.wait(order, [&] { return serving_ == ticket; });
    }
    try {
      body();
    } catch (const std::exception& e) {
      LogHandlerError(this, "OnTerminate", e.what());
    }
    {
      std::lock_guard order(orderMutex_);
      ++serving_;
    }
    orderChanged_.notify_all();
  }));
}

void TCustomConvertEngine::WaitTerminateThreads() {
  // Terminations wait for the terminate lock: a holder would wait for itself.
  if (terminateLockOwner_.load() == std::this_thread::get_id()) return;
  {
    std::lock_guard lock(threadsMutex_);
    for (const auto& thread : terminateThreads_)
      if (thread->IsCurrentThread()) return;
  }
  auto done = [this] {
    std::lock_guard lock(threadsMutex_);
    for (const auto& thread : terminateThreads_)
      if (!thread->Finished() && !thread->IsCurrentThread()) return false;
    return true;
  };
  while (!TMainThread::WaitPumping(done, std::chrono::seconds(1))) {
  }
  std::lock_guard lock(threadsMutex_);
  ReapTerminateThreads();
}

// ---- Events -------------------------------------------------------------------------------

void TCustomConvertEngine::Deliver(const std::function<void()>& call) {
  if (!triggerEventInMainThread_ || TMainThread::IsMainThread()) {
    call();
    return;
  }
  TMainThread::RunInMainThread([&] {
    // The worker is blocked until the handler returns (see Stop).
    ++mainHandlerDepth_;
    try {
      call();
    } catch (...) {
      --mainHandlerDepth_;
      throw;
    }
    --mainHandlerDepth_;
  });
}

void TCustomConvertEngine::DoCustomHook(TTranscoder& task, TBitmap& bitmap, int frameNumber,
                                        int64_t pts, bool& update, bool& stopHook) {
  // Runs on the task's own thread with a record of its own: simultaneous tasks process their
  // pictures side by side.
  TCustomHookEvent handler;
  {
    std::lock_guard events(eventsMutex_);
    handler = onCustomHook_;
  }
  if (!handler) return;
  THookInfo info{tasks_.IndexOf(&task), &bitmap, frameNumber, pts, update, stopHook};
  {
    TCanvasLock canvas(bitmap);
    handler(Self(), &info);
  }
  update = info.Update;
  stopHook = info.StopHook;
}

void TCustomConvertEngine::DoPreviewBitmap(TTranscoder& task, TBitmap& bitmap, int frameNumber,
                                           int64_t pts) {
  TPumpingLock lock(previewLock_);
  TPreviewBitmapEvent handler;
  {
    std::lock_guard events(eventsMutex_);
    handler = onPreviewBitmap_;
  }
  if (!handler) return;
  previewInfo_ = TPreviewInfo{tasks_.IndexOf(&task), &bitmap, frameNumber, pts};
  Deliver([&] { handler(Self(), previewInfo_); });
}

void TCustomConvertEngine::DoProgress(TTranscoder& task, const TProgressInfo& info) {
  TPumpingLock lock(progressLock_);
  TProgressEvent handler;
  {
    std::lock_guard events(eventsMutex_);
    handler = onProgress_;
  }
  if (!handler) return;
  progressInfo_ = info;
  progressInfo_.TaskIndex = tasks_.IndexOf(&task);
  Deliver([&] { handler(Self(), &progressInfo_); });
}

void TCustomConvertEngine::FireTerminate(const TTerminateInfo& info, bool threaded) {
  TTerminateEvent handler;
  {
    std::lock_guard events(eventsMutex_);
    handler = onTerminate_;
  }
  if (!handler) return;
  auto call = [this, handler, info] {
    try {
      handler(Self(), info);
    } catch (const std::exception& e) {
      LogHandlerError(this, "OnTerminate", e.what());
    } catch (...) {
      LogHandlerError(this, "OnTerminate", "unknown exception");
    }
  };
  if (threaded)
    SpawnTerminateThread(call);
  else
    call();
}

void TCustomConvertEngine::DoTerminate(TTranscoder& task) {
  {
    std::lock_guard ended(endedMutex_);
    ended_.push_back(&task);
  }
  TTerminateGuard lock(terminateLock_, terminateLockOwner_);
  bool threaded;
  {
    std::lock_guard state(stateMutex_);
    threaded = threaded_;
  }
  TTerminateInfo info{tasks_.IndexOf(&task), task.Finished(), task.Exception(),
                      task.ExceptionMsg(),   task.Warning(),  task.Started()};
  const std::vector<std::string> outputs = task.OutputFiles();
  if (!outputs.empty()) info.OutputFile = outputs.front();
  FireTerminate(info, threaded);
  AfterTermination();
}

void TCustomConvertEngine::EndQueued(int index, const std::string& failure) {
  TTerminateGuard lock(terminateLock_, terminateLockOwner_);
  bool threaded;
  {
    std::lock_guard state(stateMutex_);
    threaded = threaded_;
  }
  if (!failure.empty()) TEngineLogger::GetLogger().Log(this, TLogLevel::llError, failure);
  FireTerminate(TTerminateInfo{index, false, !failure.empty(), failure, {}, false}, threaded);
  AfterTermination();
}

void TCustomConvertEngine::AfterTermination() {
  bool startNext;
  {
    std::lock_guard state(stateMutex_);
    ++finishedCount_;
    startNext = pendingCount_ >= 1 && threaded_;
  }
  // A finished task's thread starts the next task.
  if (startNext && StartNext()) return;
  EndRunIfDone();
}

void TCustomConvertEngine::EndRunIfDone() {
  bool threaded;
  {
    std::lock_guard state(stateMutex_);
    if (pendingCount_ >= 1 || finishedCount_ < tasks_.Count() || endOfRunFired_) return;
    endOfRunFired_ = true;
    threaded = threaded_;
    // Set before the event leaves this thread, so a handler on its own thread may clear.
    if (threaded) allTerminated_ = true;
  }
  FireTerminate(TTerminateInfo{-1, true, false, {}}, threaded);
  std::lock_guard state(stateMutex_);
  allTerminated_ = true;
}

}  // namespace qarvo
