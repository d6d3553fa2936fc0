#include "engine/TTranscoderList.h"

#include <algorithm>

namespace qarvo {

int TTranscoderList::Add(std::unique_ptr<TTranscoder> task) {
  std::lock_guard lock(mutex_);
  items_.push_back(std::move(task));
  return static_cast<int>(items_.size()) - 1;
}

TTranscoder* TTranscoderList::Get(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

int TTranscoderList::IndexOf(const TTranscoder* task) const {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == task) return static_cast<int>(i);
  return -1;
}

int TTranscoderList::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(items_.size());
}

void TTranscoderList::Delete(int index) {
  std::unique_ptr<TTranscoder> task;
  {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    task = std::move(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
  }
  // Destroyed outside the lock: its thread may still look the list up while ending.
  task.reset();
}

void TTranscoderList::Clear() {
  std::vector<std::unique_ptr<TTranscoder>> tasks;
  {
    std::lock_guard lock(mutex_);
    tasks.swap(items_);
  }
  tasks.clear();
}

std::vector<TTranscoder*> TTranscoderList::Snapshot() const {
  std::lock_guard lock(mutex_);
  std::vector<TTranscoder*> tasks;
  for (const auto& item : items_) tasks.push_back(item.get());
  return tasks;
}

void TTranscoderList::ForEach(const std::function<void(TTranscoder&)>& fn) const {
  for (TTranscoder* task : Snapshot()) fn(*task);
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

void TTranscoderList::Stop(bool wait) {
  ForEach([wait](TTranscoder& task) {
    task.RequestStop();
    if (wait) task.WaitForThread();
  });
}

void TTranscoderList::SetPreview(bool on) {
  ForEach([on](TTranscoder& task) { task.SetPreview(on); });
}

void TTranscoderList::SetPreviewBitmap(bool on) {
  ForEach([on](TTranscoder& task) { task.SetPreviewBitmap(on); });
}

}  // namespace qarvo
