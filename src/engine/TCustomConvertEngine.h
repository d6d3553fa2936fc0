// The conversion engine as the application sees it: an ordered list of tasks, the run policy
// (one worker thread per running task, or every task in the caller's thread), and the four
// events. TConvertEngine is the class applications use.
//
// Threads: every operation is called on the main thread. Events arrive on the threads the
// run uses (see the event setters); each event kind has its own lock, so handlers of one kind
// never run at once and the component's record of that kind is not overwritten while a
// handler reads it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/EngineRecords.h"
#include "base/TMediaComponent.h"
#include "probe/TMediaProbe.h"
#include "engine/TDoTerminateThread.h"
#include "engine/TTranscoderList.h"

namespace qarvo {

class TConvertEngine;

using TCustomHookEvent = std::function<void(TConvertEngine& sender, PHookInfo info)>;
using TPreviewBitmapEvent = std::function<void(TConvertEngine& sender, const TPreviewInfo& info)>;
using TProgressEvent = std::function<void(TConvertEngine& sender, PProgressInfo info)>;
using TTerminateEvent = std::function<void(TConvertEngine& sender, const TTerminateInfo& info)>;

class TCustomConvertEngine : public TMediaComponent {
 public:
  ~TCustomConvertEngine() override;

  // ---- Operations (main thread) -------------------------------------------------------------
  bool LoadAVLib(const std::string& folder);
  // Index of the new task, or -1 with LastErrMsg set. A record whose FileName is empty gets
  // the file name written back. With openAtStart the task opens its input and outputs when it
  // starts (a failure to open then ends the task with its message), so a long queue holds no
  // files, and until then the task is only its names and records (it has no task object and
  // no probe; the object is freed again once the task ended); otherwise both are opened here
  // and a failure is the result.
  int AddTask(const std::string& fileName, TInputOptions* options = nullptr,
              bool openAtStart = false);
  bool SetOutputFile(int taskIndex, const std::string& fileName, TOutputOptions* options = nullptr);
  void RemoveTask(int taskIndex);
  void ClearTasks();
  // threadCount > 0: up to that many tasks at once, each on its own worker, returning at once;
  // otherwise every task runs to its end inside this call.
  void StartTask(int threadCount);
  void Pause();
  void Resume();
  // After Pause: every running task has stopped at its gate and writes nothing more.
  bool PauseHeld() const { return tasks_.ThreadsHeld(); }
  // From inside an OnProgress or OnPreviewBitmap handler running on the main thread, a stop
  // does not wait (the handler's worker is waiting for the handler).
  void Stop(bool waitForStop);
  int TasksCount() const { return tasks_.Count(); }
  // Any thread: while on, an input being opened (AddTask's, or a task's at its start) gives
  // up at its next read with "<file>: stopped"; for a component used as a probe, whose owner
  // stops a probe waiting on a slow source.
  void InterruptOpening(bool on) { openingInterrupted_ = on; }
  // Null when the task or the input does not exist.
  TMediaProbe* TaskProbe(int taskIndex, int inputIndex) const;
  TMediaProbe& MediaProbe() { return mediaProbe_; }
  std::string LastErrMsg() const;
  // The task at an index, for front ends that need more than events: null when out of range,
  // and for a task opened at start while it waits and after it ended.
  TTranscoder* Task(int taskIndex) const { return tasks_.Get(taskIndex); }

  // ---- Run state -----------------------------------------------------------------------------
  bool Working() const;
  bool AllTerminated() const;

 protected:
  explicit TCustomConvertEngine(void* owner = nullptr);

  // Makes the object of a new task (a TTranscoder; derived engines may make derived tasks).
  virtual std::unique_ptr<TTranscoder> CreateTask();

  // The four event dispatchers, called by the tasks on the threads that run them.
  virtual void DoCustomHook(TTranscoder& task, TBitmap& bitmap, int frameNumber, int64_t pts,
                            bool& update, bool& stopHook);
  virtual void DoPreviewBitmap(TTranscoder& task, TBitmap& bitmap, int frameNumber, int64_t pts);
  virtual void DoProgress(TTranscoder& task, const TProgressInfo& info);
  virtual void DoTerminate(TTranscoder& task);

  // Published state, read and written through TConvertEngine.
  std::string about_;
  bool preview_ = false;
  bool previewBitmap_ = false;
  std::atomic<int> progressInterval_{500};
  std::atomic<TThreadPriority> threadPriority_{TThreadPriority::tpNormal};
  std::atomic<bool> triggerEventInMainThread_{true};

  mutable std::mutex eventsMutex_;  // guards the four handlers (copied out before a call)
  TCustomHookEvent onCustomHook_;
  TPreviewBitmapEvent onPreviewBitmap_;
  TProgressEvent onProgress_;
  TTerminateEvent onTerminate_;

  TTranscoderList tasks_;

 private:
  TConvertEngine& Self();
  void CheckNotWorking(const char* operation) const;
  void SetLastErrMsg(const std::string& message);
  void BindTask(TTranscoder& task, bool events);
  void BindHook(TTranscoder& task);
  // The task object of a queued task, as AddTask and SetOutputFile would have made it.
  std::unique_ptr<TTranscoder> BuildQueued(const TQueuedTask& queued);
  // Reports the end of a queued task that was never built: stopped before its turn, or (with
  // a failure) one that could not be built.
  void EndQueued(int index, const std::string& failure);
  // Claims and starts the next pending task; false when none was pending.
  bool StartNext();
  // Joins the threads of tasks that have ended, so a long run holds only the running ones.
  void JoinEndedThreads();
  void FireTerminate(const TTerminateInfo& info, bool threaded);
  // With the terminate lock held: counts a termination, then ends the run or starts the next.
  void AfterTermination();
  // With the terminate lock held: fires the end-of-run record once every task has ended.
  void EndRunIfDone();
  // Runs a handler on the main thread when the component asks for it.
  void Deliver(const std::function<void()>& call);
  void SpawnTerminateThread(const std::function<void()>& body);
  // Waits (pumping) for every terminate thread; returns at once on one of them (earlier ones
  // have ended, later ones wait for it).
  void WaitTerminateThreads();
  void ReapTerminateThreads();
  void ResetRunState();

  TMediaProbe mediaProbe_;
  std::atomic<bool> openingInterrupted_{false};

  mutable std::mutex stateMutex_;  // guards the run state below and lastErrMsg_
  std::string lastErrMsg_;
  int finishedCount_ = 0;
  int nextTaskIndex_ = -1;
  int pendingCount_ = 0;
  bool allTerminated_ = false;
  bool threaded_ = false;
  bool working_ = false;
  bool endOfRunFired_ = false;
  std::chrono::system_clock::time_point runStart_{};

  // The component's one record per event kind, each guarded by its event lock. The hook's
  // record is each call's own: its handler runs on the task's thread, and tasks side by side
  // do not wait for each other's pictures.
  TPreviewInfo previewInfo_;
  TProgressInfo progressInfo_;

  std::timed_mutex previewLock_;
  std::timed_mutex progressLock_;
  std::timed_mutex terminateLock_;
  std::atomic<std::thread::id> terminateLockOwner_{};
  // Handed-over handlers running on the main thread right now (main thread only).
  int mainHandlerDepth_ = 0;

  std::mutex endedMutex_;            // guards ended_
  std::vector<TTranscoder*> ended_;  // ended tasks whose threads may not be joined yet

  std::mutex threadsMutex_;  // guards terminateThreads_, nextTicket_
  std::list<std::unique_ptr<TDoTerminateThread>> terminateThreads_;
  // Terminate threads deliver in the order they were made (a task's termination before the
  // end of the run): each waits for its ticket.
  uint64_t nextTicket_ = 0;
  std::mutex orderMutex_;  // guards serving_
  std::condition_variable orderChanged_;
  uint64_t serving_ = 0;
};

}  // namespace qarvo
