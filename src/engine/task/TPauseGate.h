// Stands in for suspending a task thread: a Linux thread cannot be suspended from outside, so
// the transcode loop waits at this gate (top of every iteration, between duplicated frames).
// A stop request opens the gate.
#pragma once

#include <condition_variable>
#include <mutex>

namespace qarvo {

class TPauseGate {
 public:
  void Close();  // suspend
  void Open();   // resume (also used by a stop request)
  bool IsClosed() const;
  // Blocks while the gate is closed. Returns true when it had to wait. The thread that writes
  // the output and reports progress waits as the writer; helper threads do not.
  bool Wait(bool writer = true);
  // The gate is closed and the writer waits at it: nothing more is written until it opens.
  bool WriterHeld() const;

 private:
  mutable std::mutex mutex_;  // guards closed_ and writerWaiting_
  std::condition_variable opened_;
  bool closed_ = false;
  bool writerWaiting_ = false;
};

}  // namespace qarvo
