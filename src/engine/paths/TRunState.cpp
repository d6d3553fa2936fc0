#include "engine/paths/TRunState.h"

#include "engine/paths/TAudioOutput.h"
#include "engine/task/TTaskContext.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/paths/TSubtitleOutput.h"
#include "engine/paths/TVideoOutput.h"

namespace qarvo {

TOutputStreamState::TOutputStreamState() = default;
TOutputStreamState::~TOutputStreamState() = default;
TOutputStreamState::TOutputStreamState(TOutputStreamState&&) noexcept = default;
TOutputStreamState& TOutputStreamState::operator=(TOutputStreamState&&) noexcept = default;

TRunState::TRunState(TTaskContext& task)
    : Task(task), Options(task.Options), Scratch(MakePacket()) {}
TRunState::~TRunState() = default;

}  // namespace qarvo
