#include "engine/paths/TRunState.h"

#include <cstdint>

#include "media/Timestamps.h"
#include "engine/paths/TAudioOutput.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/paths/TSubtitleOutput.h"
#include "engine/paths/TVideoOutput.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

TOutputStreamState::TOutputStreamState() = default;
TOutputStreamState::~TOutputStreamState() = default;
TOutputStreamState::TOutputStreamState(TOutputStreamState&&) noexcept = default;
TOutputStreamState& TOutputStreamState::operator=(TOutputStreamState&&) noexcept = default;

TRunState::TRunState(TTaskContext& task)
    : Task(task), Options(task.Options), Scratch(MakePacket()) {}
TRunState::~TRunState() = default;

int64_t TRunState::FillLimit(AVRational timeBase) const {
  // Enough for a last picture or a last audio frame, never hours of copies.
  constexpr int64_t kFillMargin = 1000000;
  if (Options.ExpectedTotalLength <= 0) return INT64_MAX;
  return FromMicroseconds(Options.ExpectedTotalLength + kFillMargin, timeBase);
}

}  // namespace qarvo
