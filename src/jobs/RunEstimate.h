// Speed of a run and the time left, from its progress reports and a clock the caller reads.
// The figures are the whole run's: media converted by every job (several may convert at
// once) against the run's own time, pauses left out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qarvo {

class TRunEstimate {
 public:
  // Expected lengths of the run's tasks in task order (µs; 0 or less when unknown).
  void Start(const std::vector<int64_t>& taskLengths, int64_t nowUs);
  // A progress report of `task`.
  void Progress(int task, int64_t currentUs, int64_t totalUs, int frameCount, int64_t nowUs);
  // A task ended; a finished one has converted its whole length.
  void TaskEnded(int task, bool finished, int64_t nowUs);
  // Time spent paused counts for neither speed nor time left.
  void Pause(int64_t nowUs);
  void Resume(int64_t nowUs);

  // Nothing until the run has been measured for a moment.
  std::optional<double> FramesPerSecond() const;
  // Seconds of media converted per second of the clock, by all jobs together.
  std::optional<double> RealTimeFactor() const;
  // Of the task reported last (its share of the run's speed), and of every job not ended.
  std::optional<int64_t> TaskTimeLeftUs() const;
  std::optional<int64_t> RunTimeLeftUs() const;

 private:
  struct TTaskState {
    int64_t LengthUs = -1;  // expected; from the reports when the caller did not know it
    int64_t DoneUs = 0;
    int Frames = 0;
    bool Reported = false;
    bool Ended = false;
  };
  int64_t Elapsed() const;
  TTaskState* State(int task);
  int64_t DoneUs() const;
  int RunningCount() const;

  std::vector<TTaskState> tasks_;
  int lastTask_ = -1;
  int64_t startUs_ = 0;
  int64_t pausedUs_ = 0;       // paused time of the run so far
  int64_t pauseStartUs_ = -1;  // when paused, since when
  int64_t nowUs_ = 0;
  bool framesKnown_ = false;
};

// "25.0 fps, 3.1× real time"; either part alone when the other is unknown; empty when both are.
std::string SpeedText(std::optional<double> framesPerSecond, std::optional<double> realTime);
// "0:01:05" (hours without leading zeros), rounded up to whole seconds; empty when unknown.
std::string TimeLeftText(std::optional<int64_t> us);

}  // namespace qarvo
