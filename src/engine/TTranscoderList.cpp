#include "engine/TTranscoderList.h"

#include <algorithm>

namespace qarvo {

TTranscoderList::TSlot* TTranscoderList::Slot(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
  return &items_[static_cast<size_t>(index)];
}

const TTranscoderList::TSlot* TTranscoderList::Slot(int index) const {
  if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
  return &items_[static_cast<size_t>(index)];
}

int TTranscoderList::Add(std::unique_ptr<TTranscoder> task) {
  std::lock_guard lock(mutex_);
  TSlot slot;
  slot.Task = std::move(task);
  items_.push_back(std::move(slot));
  return static_cast<int>(items_.size()) - 1;
}

int TTranscoderList::AddQueued(std::unique_ptr<TQueuedTask> task) {
  std::lock_guard lock(mutex_);
  TSlot slot;
  slot.Queued = std::move(task);
  items_.push_back(std::move(slot));
  return static_cast<int>(items_.size()) - 1;
}

TTranscoder* TTranscoderList::Get(int index) const {
  std::lock_guard lock(mutex_);
  const TSlot* slot = Slot(index);
  return slot ? slot->Task.get() : nullptr;
}

std::shared_ptr<TTranscoder> TTranscoderList::Share(int index) const {
  std::lock_guard lock(mutex_);
  const TSlot* slot = Slot(index);
  return slot ? slot->Task : nullptr;
}

TQueuedTask* TTranscoderList::Queued(int index) const {
  std::lock_guard lock(mutex_);
  const TSlot* slot = Slot(index);
  return slot ? slot->Queued.get() : nullptr;
}

TTranscoder* TTranscoderList::Build(int index, const TBuild& build) {
  const TQueuedTask* queued;
  {
    std::lock_guard lock(mutex_);
    TSlot* slot = Slot(index);
    if (!slot) return nullptr;
    if (!slot->Queued || slot->Ended || slot->Building) return slot->Task.get();
    slot->Building = true;
    queued = slot->Queued.get();  // kept while building, even by a stop meanwhile
  }
  // Built without the lock: building takes the preview lock, which a running task holds while
  // it looks its index up here.
  std::unique_ptr<TTranscoder> built;
  try {
    built = build(*queued);
  } catch (...) {
    std::lock_guard lock(mutex_);
    Slot(index)->Building = false;
    throw;
  }
  std::lock_guard lock(mutex_);
  TSlot* slot = Slot(index);
  slot->Building = false;
  slot->Queued.reset();
  if (slot->Ended) return nullptr;  // a stop ended it meanwhile; `built` goes unused
  slot->Task = std::move(built);
  slot->FromQueue = true;
  return slot->Task.get();
}

bool TTranscoderList::ClaimQueued(int index) {
  std::lock_guard lock(mutex_);
  TSlot* slot = Slot(index);
  if (!slot || !slot->Queued || slot->Ended) return false;
  slot->Ended = true;
  if (!slot->Building) slot->Queued.reset();
  return true;
}

void TTranscoderList::Retire(const TTranscoder* task) {
  std::shared_ptr<TTranscoder> freed;
  {
    std::lock_guard lock(mutex_);
    for (TSlot& slot : items_) {
      if (slot.Task.get() != task || !slot.FromQueue) continue;
      freed = std::move(slot.Task);
      slot.Ended = true;
    }
  }
  // Destroyed outside the lock (or later, by a caller still holding it from a snapshot).
  freed.reset();
}

int TTranscoderList::IndexOf(const TTranscoder* task) const {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].Task.get() == task) return static_cast<int>(i);
  return -1;
}

int TTranscoderList::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(items_.size());
}

int TTranscoderList::TerminatedCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](const TSlot& slot) {
    return slot.Ended || (slot.Task && slot.Task->Terminated());
  }));
}

void TTranscoderList::Delete(int index) {
  std::shared_ptr<TTranscoder> task;
  {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    task = std::move(items_[static_cast<size_t>(index)].Task);
    items_.erase(items_.begin() + index);
  }
  // Destroyed outside the lock: its thread may still look the list up while ending.
  task.reset();
}

void TTranscoderList::Clear() {
  std::vector<TSlot> tasks;
  {
    std::lock_guard lock(mutex_);
    tasks.swap(items_);
  }
  tasks.clear();
}

std::vector<std::shared_ptr<TTranscoder>> TTranscoderList::Snapshot() const {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<TTranscoder>> tasks;
  for (const TSlot& slot : items_)
    if (slot.Task) tasks.push_back(slot.Task);
  return tasks;
}

void TTranscoderList::ForEach(const std::function<void(TTranscoder&)>& fn) const {
  for (const std::shared_ptr<TTranscoder>& task : Snapshot()) fn(*task);
}

void TTranscoderList::SuspendThreads() {
  ForEach([](TTranscoder& task) {
    // A task running on the calling thread would never reach its gate's opening.
    if (task.Working() && !task.IsRunningThread()) task.PauseGate.Close();
  });
}

bool TTranscoderList::ThreadsHeld() const {
  bool held = true;
  ForEach([&](TTranscoder& task) {
    if (task.Working() && !task.IsRunningThread() && !task.PauseGate.WriterHeld()) held = false;
  });
  return held;
}

void TTranscoderList::ResumeThreads() {
  ForEach([](TTranscoder& task) { task.PauseGate.Open(); });
}

void TTranscoderList::SetPreview(bool on) {
  ForEach([on](TTranscoder& task) { task.SetPreview(on); });
}

void TTranscoderList::SetPreviewBitmap(bool on) {
  ForEach([on](TTranscoder& task) { task.SetPreviewBitmap(on); });
}

}  // namespace qarvo
