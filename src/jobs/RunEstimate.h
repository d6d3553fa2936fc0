// Speed of a run and the time left, from its progress reports and a clock the caller reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qarvo {

class TRunEstimate {
 public:
  // Expected lengths of the run's tasks in task order (µs; 0 or less when unknown).
  void Start(std::vector<int64_t> taskLengths, int64_t nowUs);
  // A progress report of `task`; the first report of a task starts its clock.
  void Progress(int task, int64_t currentUs, int64_t totalUs, int frameCount, int64_t nowUs);
  // Time spent paused counts for neither speed nor time left.
  void Pause(int64_t nowUs);
  void Resume(int64_t nowUs);

  // Nothing until the current task has been measured for a moment.
  std::optional<double> FramesPerSecond() const;
  // Seconds of media converted per second of the clock.
  std::optional<double> RealTimeFactor() const;
  // Of the current task, and of it together with the tasks after it.
  std::optional<int64_t> TaskTimeLeftUs() const;
  std::optional<int64_t> RunTimeLeftUs() const;

 private:
  int64_t Elapsed() const;

  std::vector<int64_t> lengths_;
  int task_ = -1;
  int64_t taskStartUs_ = 0;
  int64_t pausedUs_ = 0;       // paused time inside the current task
  int64_t pauseStartUs_ = -1;  // when paused, since when
  int64_t nowUs_ = 0;
  int64_t currentUs_ = 0;
  int64_t totalUs_ = -1;
  int frames_ = -1;
};

// "25.0 fps, 3.1× real time"; either part alone when the other is unknown; empty when both are.
std::string SpeedText(std::optional<double> framesPerSecond, std::optional<double> realTime);
// "0:01:05" (hours without leading zeros), rounded up to whole seconds; empty when unknown.
std::string TimeLeftText(std::optional<int64_t> us);

}  // namespace qarvo
