// An engine whose tasks run a scripted loop in place of the conversion, with a recorder of
// what the application would see, for the run policy and event delivery tests.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/MainThread.h"
#include "engine/TConvertEngine.h"

#include "support/ScratchFolder.h"

namespace qarvo {

// How the scripted tasks behave, and what they observed while running.
struct TScript {
  int Iterations = 5;
  std::chrono::milliseconds Step{2};
  bool Fail = false;        // throw at the end of the loop
  std::string OutputBytes;  // written into the first output before the loop ends
  std::function<void(TTranscoder&, int iteration)> EachIteration;

  std::mutex Mutex;
  int Running = 0;
  int MostRunning = 0;
  std::vector<std::thread::id> Threads;
  std::atomic<int> Iterated{0};
  // Task objects alive now, and the most alive at once.
  std::atomic<int> Alive{0};
  std::atomic<int> MostAlive{0};
};

class TScriptedTask : public TTranscoder {
 public:
  explicit TScriptedTask(TScript& script);
  ~TScriptedTask() override { --script_.Alive; }
  void Transcode() override;

 private:
  TScript& script_;
};

class TScriptedEngine : public TConvertEngine {
 public:
  explicit TScriptedEngine(TScript& script) : script_(script) {}
  std::unique_ptr<TTranscoder> CreateTask() override {
    return std::make_unique<TScriptedTask>(script_);
  }

 private:
  TScript& script_;
};

// Everything the application's handlers received.
struct TEventRecorder {
  struct TTerminated {
    TTerminateInfo Info;
    std::thread::id Thread;
  };
  std::mutex Mutex;
  std::condition_variable Terminated;  // notified on every termination
  std::vector<TTerminated> Terminations;
  std::vector<TProgressInfo> Progress;
  std::vector<std::thread::id> ProgressThreads;

  void Attach(TConvertEngine& engine);
  bool RunEnded();
  int EndOfRunCount();
  int ProgressCount();
  // Waits, running main-thread hand-overs, until the end-of-run event arrived.
  bool WaitRunEnded(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // The same without running them: for runs that must not need the main thread.
  bool WaitRunEndedWithoutPumping(std::chrono::milliseconds timeout = std::chrono::seconds(20));
};

using test::TScratchFolder;

}  // namespace qarvo
