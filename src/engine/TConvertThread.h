// A worker thread of the conversion engine: runs one body at the given priority. The object
// outlives the thread; destroying it waits for the body to return.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "base/EngineRecords.h"

namespace qarvo {

// Applies a priority to the calling thread: idle is SCHED_IDLE, the others nice values 19,
// 10, 0, -5, -10, -15. A value that needs privileges falls back to 0 without a word.
void SetCurrentThreadPriority(TThreadPriority priority);

class TConvertThread {
 public:
  TConvertThread(std::function<void()> body, TThreadPriority priority);
  virtual ~TConvertThread();
  TConvertThread(const TConvertThread&) = delete;
  TConvertThread& operator=(const TConvertThread&) = delete;

  bool Finished() const { return finished_.load(); }
  bool IsCurrentThread() const { return std::this_thread::get_id() == id_; }
  // Waits until the body has returned; on the main thread, main-thread hand-overs keep
  // running meanwhile. Returns at once when called on this thread itself.
  void WaitFor() const;
  // Joins a thread whose body has returned, giving back its stack at once rather than when
  // the object goes (a long batch would otherwise keep every ended job's stack). Not
  // thread-safe: the owner serialises it with the destructor.
  void JoinFinished();

 private:
  std::atomic<bool> finished_{false};
  std::thread thread_;
  std::thread::id id_;
};

}  // namespace qarvo
