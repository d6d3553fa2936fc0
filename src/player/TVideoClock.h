// The video clock of one playback and the timer that schedules its pictures.
//
// One lock (mutex_) guards every field, and the pause flag is changed under it too, so a
// reader never mixes a paused value with a running one. Who calls what: the video thread
// schedules pictures (Restart, Advance, Schedule); the play thread records the picture it
// puts on screen (Shown) and reads the prediction (Predicted); the main thread pauses and
// resumes (Pause, Resume); any thread reads the clock (Now). The lock is taken last: callers
// may hold the picture queue's lock, nothing is called while holding this one except the
// audio clock, which takes no lock.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

namespace qarvo {

class TVideoClock {
 public:
  explicit TVideoClock(std::atomic<bool>& paused) : paused_(paused) {}

  // After opening or a seek: the next picture is due now, with no previous one to time from.
  void Restart(double now);
  // The pts of a decoded picture (the predicted one when pts < 0); the prediction moves on by
  // the picture's duration.
  double Advance(double pts, double duration);
  // The wall time the picture with this pts is due. audioClock, when set, is the master the
  // pictures follow.
  double Schedule(double pts, const std::function<double()>& audioClock);

  // The picture with this pts went on screen at now.
  void Shown(double pts, double now);
  // The predicted pts of the next picture.
  double Predicted() const;

  void Pause();
  // readPauseSupported: the input knows pausing (its read pause did not answer ENOSYS).
  void Resume(double now, bool readPauseSupported);

  // Seconds: the pts on screen while paused, else it moved on with the wall clock.
  double Now() const;

 private:
  double NowLocked() const;

  mutable std::mutex mutex_;
  std::atomic<bool>& paused_;
  double frameTimer_ = 0.0;  // wall time the last scheduled picture is due
  double lastPts_ = 0.0;
  bool lastPtsSet_ = false;
  double lastDelay_ = 0.0;
  double predicted_ = 0.0;
  double currentPts_ = 0.0;
  double currentDrift_ = 0.0;  // pts on screen minus the wall time it went up
};

}  // namespace qarvo
