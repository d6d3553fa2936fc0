// The component's ordered list of tasks; owns them. Changed on the main thread only while no
// run is in progress; looked up from worker threads, hence the lock.
//
// A task that opens its files at start is kept as its plain description (TQueuedTask) until
// it starts; the task object is built then, and freed again once it has ended and its thread
// was joined, so the list's weight does not grow with the tasks waiting or done.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/TQueuedTask.h"
#include "engine/TTranscoder.h"

namespace qarvo {

class TTranscoderList {
 public:
  using TBuild = std::function<std::unique_ptr<TTranscoder>(const TQueuedTask&)>;

  TTranscoderList() = default;
  ~TTranscoderList() { Clear(); }
  TTranscoderList(const TTranscoderList&) = delete;
  TTranscoderList& operator=(const TTranscoderList&) = delete;

  int Add(std::unique_ptr<TTranscoder> task);
  int AddQueued(std::unique_ptr<TQueuedTask> task);
  // Null for an index out of range and for a task that is not built (queued or freed).
  TTranscoder* Get(int index) const;
  // The same, kept alive while the caller holds it (a task built from a description may be
  // freed on another thread once it ended).
  std::shared_ptr<TTranscoder> Share(int index) const;
  // The description of a task still queued (set-up on the main thread), else null.
  TQueuedTask* Queued(int index) const;
  // Builds a queued task for its start and returns it; a built task as it is; null when the
  // task was freed or ended unstarted (also by a stop while it was being built). `build` runs
  // without the list's lock.
  TTranscoder* Build(int index, const TBuild& build);
  // Ends a queued task that was never built, for a stop: true exactly once per such task.
  bool ClaimQueued(int index);
  // Frees a task built from a description once it has ended and its thread was joined; its
  // slot then counts as terminated. Tasks added built stay, with their files' records.
  void Retire(const TTranscoder* task);
  int IndexOf(const TTranscoder* task) const;
  int Count() const;
  // Tasks ended, built or not.
  int TerminatedCount() const;
  // Frees the task (after its thread ended); later indices move down by one.
  void Delete(int index);
  void Clear();

  void SuspendThreads();
  void ResumeThreads();
  // Every working task's writer waits at its closed gate.
  bool ThreadsHeld() const;
  void SetPreview(bool on);
  void SetPreviewBitmap(bool on);

  // Calls fn for every built task in list order (the list may not change meanwhile); each
  // stays alive during its call.
  void ForEach(const std::function<void(TTranscoder&)>& fn) const;

 private:
  struct TSlot {
    std::shared_ptr<TTranscoder> Task;
    std::unique_ptr<TQueuedTask> Queued;  // until built or ended
    bool FromQueue = false;               // built from a description: freed when ended
    bool Ended = false;                   // freed, or ended without being built
    bool Building = false;                // Queued is being read by Build
  };
  std::vector<std::shared_ptr<TTranscoder>> Snapshot() const;
  TSlot* Slot(int index);
  const TSlot* Slot(int index) const;

  mutable std::mutex mutex_;  // guards items_
  std::vector<TSlot> items_;
};

}  // namespace qarvo
