// The player's play thread: runs the engine's event loop for one open file and reports the
// playback's end (psStop); its start (psPlay) is reported by the player before the engine opens.
// The play-thread-running event is reset while the thread runs and set as its very last step, so a
// waiting stop knows when it is done.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "player/PlayerTypes.h"
#include "player/TPlayerControls.h"

namespace qarvo {

class TPlayerEngine;

class TPlayThread {
 public:
  using TReport = std::function<void(TPlayState state)>;

  // Resets running, then starts the thread. The thread keeps the engine alive until it ends.
  TPlayThread(std::shared_ptr<TPlayerEngine> engine, TManualEvent& running, TReport report);
  ~TPlayThread();  // joins
  TPlayThread(const TPlayThread&) = delete;
  TPlayThread& operator=(const TPlayThread&) = delete;

  bool Finished() const { return finished_; }
  // Asks the engine it plays to leave its event loop.
  void Quit();
  void Join();

 private:
  void Execute();

  std::shared_ptr<TPlayerEngine> engine_;
  TManualEvent& running_;
  TReport report_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace qarvo
