#include "ConvertEngineSupport.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "base/EngineError.h"

namespace qarvo {

TScriptedTask::TScriptedTask(TScript& script) : script_(script) {
  const int alive = ++script_.Alive;
  int most = script_.MostAlive.load();
  while (alive > most && !script_.MostAlive.compare_exchange_weak(most, alive)) {
  }
}

void TScriptedTask::Transcode() {
  {
    std::lock_guard lock(script_.Mutex);
    script_.MostRunning = std::max(script_.MostRunning, ++script_.Running);
    script_.Threads.push_back(std::this_thread::get_id());
  }
  for (int i = 0; i < script_.Iterations; ++i) {
    PauseGate.Wait();
    if (StopRequested) break;
    ++script_.Iterated;
    if (script_.EachIteration) script_.EachIteration(*this, i);
    TProgressInfo info;
    info.FrameCount = i;
    ReportProgress(info);
    std::this_thread::sleep_for(script_.Step);  // the iteration's work, as long as scripted
  }
  if (!script_.OutputBytes.empty()) {
    AVIOContext* pb = Files.Outputs.at(0).Context->pb;
    api().avio_write(pb, reinterpret_cast<const unsigned char*>(script_.OutputBytes.data()),
                     static_cast<int>(script_.OutputBytes.size()));
    api().avio_flush(pb);
  }
  {
    std::lock_guard lock(script_.Mutex);
    --script_.Running;
  }
  if (script_.Fail) throw EEngineError("scripted failure");
}

void TEventRecorder::Attach(TConvertEngine& engine) {
  engine.SetOnTerminate([this](TConvertEngine&, const TTerminateInfo& info) {
    {
      std::lock_guard lock(Mutex);
      Terminations.push_back({info, std::this_thread::get_id()});
    }
    Terminated.notify_all();
  });
  engine.SetOnProgress([this](TConvertEngine&, PProgressInfo info) {
    std::lock_guard lock(Mutex);
    Progress.push_back(*info);
    ProgressThreads.push_back(std::this_thread::get_id());
  });
}

int TEventRecorder::EndOfRunCount() {
  std::lock_guard lock(Mutex);
  return static_cast<int>(
      std::count_if(Terminations.begin(), Terminations.end(),
                    [](const TTerminated& t) { return t.Info.TaskIndex == -1; }));
}

bool TEventRecorder::RunEnded() { return EndOfRunCount() > 0; }

int TEventRecorder::ProgressCount() {
  std::lock_guard lock(Mutex);
  return static_cast<int>(Progress.size());
}

bool TEventRecorder::WaitRunEnded(std::chrono::milliseconds timeout) {
  return TMainThread::WaitPumping([this] { return RunEnded(); }, timeout);
}

bool TEventRecorder::WaitRunEndedWithoutPumping(std::chrono::milliseconds timeout) {
  std::unique_lock lock(Mutex);
  return Terminated.wait_for(lock, timeout, [this] {
    return std::any_of(Terminations.begin(), Terminations.end(),
                       [](const TTerminated& t) { return t.Info.TaskIndex == -1; });
  });
}

}  // namespace qarvo
