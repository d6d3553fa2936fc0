#include "player/TVideoClock.h"

#include <algorithm>
#include <cmath>

#include "player/TPlayerState.h"

namespace qarvo {

namespace {
// Past this distance between the clocks the timestamps are taken as broken, not as drift.
constexpr double kNoSyncThreshold = 10.0;
constexpr double kMinSyncThreshold = 0.01;
}  // namespace

void TVideoClock::Restart(double now) {
  std::lock_guard lock(mutex_);
  lastPtsSet_ = false;
  lastDelay_ = 0;
  frameTimer_ = now;
}

double TVideoClock::Advance(double pts, double duration) {
  std::lock_guard lock(mutex_);
  if (pts >= 0)
    predicted_ = pts;
  else
    pts = predicted_;
  predicted_ += duration;
  return pts;
}

double TVideoClock::Schedule(double pts, const std::function<double()>& audioClock) {
  std::lock_guard lock(mutex_);
  double delay = pts - lastPts_;
  if (!lastPtsSet_ || delay <= 0 || delay >= kNoSyncThreshold)
    delay = lastDelay_;
  else
    lastDelay_ = delay;
  lastPts_ = pts;
  lastPtsSet_ = true;
  if (audioClock) {
    const double diff = NowLocked() - audioClock();
    const double threshold = std::max(kMinSyncThreshold, delay);
    if (std::fabs(diff) < kNoSyncThreshold) {
      if (diff <= -threshold)
        delay = 0;
      else if (diff >= threshold)
        delay = 2 * delay;
    }
  }
  frameTimer_ += delay;
  return frameTimer_;
}

void TVideoClock::Shown(double pts, double now) {
  std::lock_guard lock(mutex_);
  currentPts_ = pts;
  currentDrift_ = pts - now;
}

double TVideoClock::Predicted() const {
  std::lock_guard lock(mutex_);
  return predicted_;
}

void TVideoClock::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void TVideoClock::Resume(double now, bool readPauseSupported) {
  std::lock_guard lock(mutex_);
  // The pictures still to come are due later by the time since the one on screen went up.
  frameTimer_ += now + currentDrift_ - currentPts_;
  if (readPauseSupported) currentPts_ = currentDrift_ + now;
  currentDrift_ = currentPts_ - now;
  paused_ = false;
}

double TVideoClock::Now() const {
  std::lock_guard lock(mutex_);
  return NowLocked();
}

double TVideoClock::NowLocked() const {
  if (paused_) return currentPts_;
  return currentDrift_ + PlayerNow();
}

}  // namespace qarvo
