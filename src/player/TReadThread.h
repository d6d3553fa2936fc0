// The read thread: opens the file, chooses and opens its streams, then demultiplexes it into
// the packet queues, carrying out seeks and pauses, until the file is closed.
#pragma once

#include <chrono>
#include <memory>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TPlayerState;

class TReadThread {
 public:
  static void Run(std::shared_ptr<TPlayerState> state);
  // Waits (running main-thread calls on the main thread) until no read thread runs, those
  // left behind in a read that never returned included; false when some still run after
  // `timeout`. Before the libraries are unloaded or the process ends, so that none is still
  // inside them.
  static bool WaitAllEnded(std::chrono::milliseconds timeout);

 private:
  explicit TReadThread(std::shared_ptr<TPlayerState> state);
  // False with the state's OpenError set.
  bool Open();
  bool OpenInput();
  void ChooseStreams(int chosen[3]) const;
  void Loop();
  void Seek();
  bool QueuesFull() const;
  void AtEnd();
  void ReadError(int code);
  void Finish(bool opened);
  void Sleep(int milliseconds) const;
  static int Interrupt(void* opaque);

  std::shared_ptr<TPlayerState> shared_;
  TPlayerState& state_;
  TPacketPtr packet_;
  bool ended_ = false;
};

}  // namespace qarvo
