#include "jobs/TEngineJobProber.h"

#include "engine/TConvertEngine.h"

namespace qarvo {

TEngineJobProber::TEngineJobProber(TConvertEngine& engine, std::string libraryFolder)
    : engine_(engine), libraryFolder_(std::move(libraryFolder)) {}

bool TEngineJobProber::LoadLibraries() { return engine_.LoadAVLib(libraryFolder_); }

std::optional<int64_t> TEngineJobProber::ProbeDuration(const std::string& fileName,
                                                       std::string& error) {
  const int task = engine_.AddTask(fileName);
  if (task < 0) {
    error = engine_.LastErrMsg();
    return std::nullopt;
  }
  int64_t duration = -1;
  if (TMediaProbe* probe = engine_.TaskProbe(task, 0)) duration = probe->FileStreamInfo().Duration;
  engine_.RemoveTask(task);
  return duration;
}

void TEngineJobProber::ClearTasks() { engine_.ClearTasks(); }

}  // namespace qarvo
