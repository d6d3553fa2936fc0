// The component's ordered list of tasks; owns them. Changed on the main thread only while no
// run is in progress; looked up from worker threads, hence the lock.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/TTranscoder.h"

namespace qarvo {

class TTranscoderList {
 public:
  TTranscoderList() = default;
  ~TTranscoderList() { Clear(); }
  TTranscoderList(const TTranscoderList&) = delete;
  TTranscoderList& operator=(const TTranscoderList&) = delete;

  int Add(std::unique_ptr<TTranscoder> task);
  // Null for an index out of range.
  TTranscoder* Get(int index) const;
  int IndexOf(const TTranscoder* task) const;
  int Count() const;
  // Frees the task (after its thread ended); later indices move down by one.
  void Delete(int index);
  void Clear();

  void SuspendThreads();
  void ResumeThreads();
  // Every working task's writer waits at its closed gate.
  bool ThreadsHeld() const;
  void Stop(bool wait);
  void SetPreview(bool on);
  void SetPreviewBitmap(bool on);

  // Calls fn for every task in list order (the list may not change meanwhile).
  void ForEach(const std::function<void(TTranscoder&)>& fn) const;

 private:
  std::vector<TTranscoder*> Snapshot() const;

  mutable std::mutex mutex_;  // guards items_
  std::vector<std::unique_ptr<TTranscoder>> items_;
};

}  // namespace qarvo
