#include "jobs/RunEstimate.h"

#include <cstdio>
#include <utility>

namespace qarvo {
namespace {

// Below this the speed of a task is mostly the time its set-up took.
constexpr int64_t kMinMeasuredUs = 500000;

}  // namespace

void TRunEstimate::Start(std::vector<int64_t> taskLengths, int64_t nowUs) {
  *this = TRunEstimate();
  lengths_ = std::move(taskLengths);
  taskStartUs_ = nowUs;
  nowUs_ = nowUs;
}

void TRunEstimate::Progress(int task, int64_t currentUs, int64_t totalUs, int frameCount,
                            int64_t nowUs) {
  if (task != task_) {
    // The task began after the last sign of the one before (or the start of the run).
    task_ = task;
    taskStartUs_ = nowUs_;
    pausedUs_ = 0;
    if (pauseStartUs_ >= 0) pauseStartUs_ = nowUs_;
  }
  nowUs_ = nowUs;
  currentUs_ = currentUs;
  totalUs_ = totalUs;
  frames_ = frameCount;
}

void TRunEstimate::Pause(int64_t nowUs) {
  if (pauseStartUs_ < 0) pauseStartUs_ = nowUs;
}

void TRunEstimate::Resume(int64_t nowUs) {
  if (pauseStartUs_ < 0) return;
  pausedUs_ += nowUs - pauseStartUs_;
  pauseStartUs_ = -1;
}

int64_t TRunEstimate::Elapsed() const {
  int64_t paused = pausedUs_;
  if (pauseStartUs_ >= 0 && nowUs_ > pauseStartUs_) paused += nowUs_ - pauseStartUs_;
  return nowUs_ - taskStartUs_ - paused;
}

std::optional<double> TRunEstimate::FramesPerSecond() const {
  if (task_ < 0 || frames_ < 0 || Elapsed() < kMinMeasuredUs) return std::nullopt;
  return frames_ * 1e6 / static_cast<double>(Elapsed());
}

std::optional<double> TRunEstimate::RealTimeFactor() const {
  if (task_ < 0 || currentUs_ <= 0 || Elapsed() < kMinMeasuredUs) return std::nullopt;
  return static_cast<double>(currentUs_) / static_cast<double>(Elapsed());
}

std::optional<int64_t> TRunEstimate::TaskTimeLeftUs() const {
  const auto factor = RealTimeFactor();
  if (!factor || totalUs_ <= 0) return std::nullopt;
  const int64_t left = totalUs_ > currentUs_ ? totalUs_ - currentUs_ : 0;
  return static_cast<int64_t>(static_cast<double>(left) / *factor);
}

std::optional<int64_t> TRunEstimate::RunTimeLeftUs() const {
  auto left = TaskTimeLeftUs();
  if (!left) return std::nullopt;
  int64_t later = 0;
  for (size_t i = static_cast<size_t>(task_) + 1; i < lengths_.size(); ++i) {
    if (lengths_[i] <= 0) return std::nullopt;
    later += lengths_[i];
  }
  return *left + static_cast<int64_t>(static_cast<double>(later) / *RealTimeFactor());
}

std::string SpeedText(std::optional<double> framesPerSecond, std::optional<double> realTime) {
  char fps[32] = "";
  char times[32] = "";
  if (framesPerSecond) std::snprintf(fps, sizeof fps, "%.1f fps", *framesPerSecond);
  if (realTime) std::snprintf(times, sizeof times, "%.1f\u00d7 real time", *realTime);
  if (framesPerSecond && realTime) return std::string(fps) + ", " + times;
  return std::string(fps) + times;
}

std::string TimeLeftText(std::optional<int64_t> us) {
  if (!us) return {};
  const int64_t seconds = (*us + 999999) / 1000000;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace qarvo
