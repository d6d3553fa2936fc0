#include "jobs/TEngineJobProber.h"

#include "engine/TConvertEngine.h"
#include "core/ErrorMessage.h"

namespace qarvo {

TEngineJobProber::TEngineJobProber(TConvertEngine& engine, std::string libraryFolder)
    : engine_(engine),
      probeEngine_(std::make_unique<TConvertEngine>()),
      libraryFolder_(std::move(libraryFolder)) {}

TEngineJobProber::~TEngineJobProber() = default;

bool TEngineJobProber::LoadLibraries() { return engine_.LoadAVLib(libraryFolder_); }

std::optional<int64_t> TEngineJobProber::ProbeDuration(const std::string& fileName,
                                                       std::string& error) {
  const int task = probeEngine_->AddTask(fileName);
  if (task < 0) {
    error = probeEngine_->LastErrMsg();
    return std::nullopt;
  }
  std::optional<int64_t> duration = -1;
  if (TMediaProbe* probe = probeEngine_->TaskProbe(task, 0)) {
    if (probe->VideoStreamCount() < 1 && probe->AudioStreamCount() < 1) {
      error = kNoAudioOrVideoStream;
      duration.reset();
    } else {
      duration = probe->FileStreamInfo().Duration;
    }
  }
  probeEngine_->ClearTasks();
  return duration;
}

void TEngineJobProber::ClearTasks() { engine_.ClearTasks(); }

void TEngineJobProber::Interrupt(bool on) { probeEngine_->InterruptOpening(on); }

}  // namespace qarvo
