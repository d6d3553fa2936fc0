#include "jobs/RunEstimate.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace qarvo {
namespace {

// Below this the speed of a run is mostly the time its set-up took.
constexpr int64_t kMinMeasuredUs = 500000;

}  // namespace

void TRunEstimate::Start(const std::vector<int64_t>& taskLengths, int64_t nowUs) {
  *this = TRunEstimate();
  for (int64_t length : taskLengths) tasks_.push_back({length > 0 ? length : -1});
  startUs_ = nowUs;
  nowUs_ = nowUs;
}

TRunEstimate::TTaskState* TRunEstimate::State(int task) {
  if (task < 0) return nullptr;
  if (task >= static_cast<int>(tasks_.size())) tasks_.resize(static_cast<size_t>(task) + 1);
  return &tasks_[static_cast<size_t>(task)];
}

void TRunEstimate::Progress(int task, int64_t currentUs, int64_t totalUs, int frameCount,
                            int64_t nowUs) {
  nowUs_ = nowUs;
  TTaskState* state = State(task);
  if (!state || state->Ended) return;
  lastTask_ = task;
  state->Reported = true;
  if (state->LengthUs <= 0 && totalUs > 0) state->LengthUs = totalUs;
  state->DoneUs = std::max<int64_t>(currentUs, 0);
  if (state->LengthUs > 0) state->DoneUs = std::min(state->DoneUs, state->LengthUs);
  if (frameCount >= 0) {
    state->Frames = frameCount;
    framesKnown_ = true;
  }
}

void TRunEstimate::TaskEnded(int task, bool finished, int64_t nowUs) {
  nowUs_ = nowUs;
  TTaskState* state = State(task);
  if (!state) return;
  state->Ended = true;
  if (finished && state->LengthUs > 0) state->DoneUs = state->LengthUs;
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
  return nowUs_ - startUs_ - paused;
}

int64_t TRunEstimate::DoneUs() const {
  int64_t done = 0;
  for (const TTaskState& task : tasks_) done += task.DoneUs;
  return done;
}

int TRunEstimate::RunningCount() const {
  int running = 0;
  for (const TTaskState& task : tasks_) running += task.Reported && !task.Ended ? 1 : 0;
  return running;
}

std::optional<double> TRunEstimate::FramesPerSecond() const {
  if (!framesKnown_ || Elapsed() < kMinMeasuredUs) return std::nullopt;
  int64_t frames = 0;
  for (const TTaskState& task : tasks_) frames += task.Frames;
  return static_cast<double>(frames) * 1e6 / static_cast<double>(Elapsed());
}

std::optional<double> TRunEstimate::RealTimeFactor() const {
  const int64_t done = DoneUs();
  if (done <= 0 || Elapsed() < kMinMeasuredUs) return std::nullopt;
  return static_cast<double>(done) / static_cast<double>(Elapsed());
}

std::optional<int64_t> TRunEstimate::TaskTimeLeftUs() const {
  const auto factor = RealTimeFactor();
  if (!factor || lastTask_ < 0) return std::nullopt;
  const TTaskState& task = tasks_[static_cast<size_t>(lastTask_)];
  if (task.LengthUs <= 0) return std::nullopt;
  if (task.Ended) return 0;
  // Jobs at once share the run's speed.
  const double share = *factor / std::max(RunningCount(), 1);
  return static_cast<int64_t>(static_cast<double>(task.LengthUs - task.DoneUs) / share);
}

std::optional<int64_t> TRunEstimate::RunTimeLeftUs() const {
  const auto factor = RealTimeFactor();
  if (!factor) return std::nullopt;
  int64_t left = 0;
  for (const TTaskState& task : tasks_) {
    if (task.Ended) continue;
    if (task.LengthUs <= 0) return std::nullopt;
    left += task.LengthUs - task.DoneUs;
  }
  return static_cast<int64_t>(static_cast<double>(left) / *factor);
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
