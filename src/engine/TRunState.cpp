#include "engine/TRunState.h"

#include "engine/TAudioOutput.h"
#include "engine/TCustomTranscoder.h"
#include "engine/TPacketWriter.h"
#include "engine/TSubtitleOutput.h"
#include "engine/TVideoOutput.h"

namespace qarvo {

TOutputStreamState::TOutputStreamState() = default;
TOutputStreamState::~TOutputStreamState() = default;
TOutputStreamState::TOutputStreamState(TOutputStreamState&&) noexcept = default;
TOutputStreamState& TOutputStreamState::operator=(TOutputStreamState&&) noexcept = default;

TRunState::TRunState(TCustomTranscoder& task)
    : Task(task), Options(task.Options), Scratch(MakePacket()) {}
TRunState::~TRunState() = default;

}  // namespace qarvo
