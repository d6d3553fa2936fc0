#include "player/TPlayerState.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "player/TPlayerAudio.h"

namespace qarvo {

namespace {
// Past this distance between the clocks the timestamps are taken as broken, not as drift.
constexpr double kNoSyncThreshold = 10.0;
constexpr double kMinSyncThreshold = 0.01;
}  // namespace

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

double TPlayerState::VideoClockNow() const {
  if (Paused) return VideoCurrentPts;
  return VideoCurrentPtsDrift + PlayerNow();
}

double TPlayerState::MasterClock() const {
  return HasAudio() && Audio ? AudioClockNow() : VideoClockNow();
}

double TPlayerState::ComputeTargetClock(double pts) {
  double delay = pts - FrameLastPts;
  if (!FrameLastPtsSet || delay <= 0 || delay >= kNoSyncThreshold)
    delay = FrameLastDelay;
  else
    FrameLastDelay = delay;
  FrameLastPts = pts;
  FrameLastPtsSet = true;
  if (HasAudio() && Audio) {
    const double diff = VideoClockNow() - AudioClockNow();
    const double threshold = std::max(kMinSyncThreshold, delay);
    if (std::fabs(diff) < kNoSyncThreshold) {
      if (diff <= -threshold)
        delay = 0;
      else if (diff >= threshold)
        delay = 2 * delay;
    }
  }
  FrameTimer = FrameTimer + delay;
  return FrameTimer;
}

}  // namespace qarvo
