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
    std::unique_ptr<TTranscoder> task = CreateTask();
    BindTask(*task, false);
    std::string name = fileName;
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      name = options->FileName;
      task->InputOptions(0) = *options;
    }
    if (openAtStart) {
      task->PlanInput(name, options != nullptr);
    } else if (!task->SetUpInput(name, options)) {
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

bool TCustomConvertEngine::SetOutputFile(int taskIndex, const std::string& fileName,
                                         TOutputOptions* options) {
  CheckNotWorking("SetOutputFile");
  TTranscoder* task = tasks_.Get(taskIndex);
  if (!task) {
    SetLastErrMsg(Format("Task index out of range (%d)", taskIndex));
    return false;
  }
  const int slot = task->OutputSlots();
  if (slot >= TCustomTranscoder::kFileLimit) {
    SetLastErrMsg(Format("max output files %d reached", TCustomTranscoder::kFileLimit));
    return false;
  }
  try {
    std::string name = fileName;
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      name = options->FileName;
      task->OutputOptions(slot) = *options;
      if (options->CustomHook)
        task->SetHookCallback(
            [this](TTranscoder& t, TBitmap& bitmap, int frame, int64_t pts, bool& update,
                   bool& stop) { DoCustomHook(t, bitmap, frame, pts, update, stop); });
    } else {
      task->ResetOutputOptions(slot);
    }
    if (task->OpensAtStart()) {
      task->PlanOutput(name, options != nullptr);
      return true;
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
  int alreadyTerminated = 0;
  tasks_.ForEach([&](TTranscoder& task) { alreadyTerminated += task.Terminated() ? 1 : 0; });
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
                              [](TTranscoder* task) { return task->JoinEndedThread(); }),
               ended_.end());
}

bool TCustomConvertEngine::StartNext() {
  for (;;) {
    TTranscoder* task;
    bool threaded;
    std::chrono::system_clock::time_point runStart;
    {
      std::lock_guard lock(stateMutex_);
      if (pendingCount_ <= 0) return false;
      --pendingCount_;
      task = tasks_.Get(nextTaskIndex_++);
      threaded = threaded_;
      runStart = runStart_;
    }
    if (!task || !task->Claim()) continue;
    task->ProgressIntervalUs = static_cast<int64_t>(progressInterval_) * 1000;
    task->RunStart = runStart;
    if (threaded) {
      JoinEndedThreads();
      task->StartThread(threadPriority_);
    } else {
      task->Execute();
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
  tasks_.ForEach([&](TTranscoder& task) {
    if (task.Claim()) {
      SpawnTerminateThread([&task] { task.TerminateUnstarted(); });
      return;
    }
    if (task.Terminated()) return;
    task.RequestStop();
    if (waitForStop && !task.IsRunningThread()) task.WaitForThread();
  });
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
