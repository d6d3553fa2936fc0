#include "player/TPlayerState.h"

#include <chrono>

#include "player/TPlayerAudio.h"

namespace qarvo {

double PlayerNow() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

TPlayerState::TPlayerState() = default;

TPlayerState::~TPlayerState() {
  // The threads are joined (or were never started) by whoever closed the state; a thread
  // still attached here would terminate the program, so detach defensively.
  for (std::thread* t : {&VideoThread, &SubtitleThread, &ReadThread, &RefreshThread})
    if (t->joinable()) t->detach();
}

double TPlayerState::AudioClockNow() const { return Audio ? Audio->Clock() : 0.0; }

double TPlayerState::VideoClockNow() const { return Clock.Now(); }

double TPlayerState::MasterClock() const {
  return HasAudio() && Audio ? AudioClockNow() : VideoClockNow();
}

double TPlayerState::ComputeTargetClock(double pts) {
  if (!HasAudio() || !Audio) return Clock.Schedule(pts, nullptr);
  return Clock.Schedule(pts, [this] { return AudioClockNow(); });
}

}  // namespace qarvo
