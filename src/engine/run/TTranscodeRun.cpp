#include "engine/run/TTranscodeRun.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "media/CodecLock.h"
#include "engine/paths/TRunState.h"
#include "engine/run/TTranscodeLoop.h"
#include "engine/run/TTranscodeSetup.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

void TTranscodeRun::Run() {
  auto run = std::make_unique<TRunState>(task_);
  try {
    TTranscodeSetup(*run).Run();
    TTranscodeLoop(*run).Run();
    task_.SetRunVideoBytes(run->VideoBytes);
  } catch (...) {
    run.reset();
    CloseCodecs();
    DiscardOutputs();
    throw;
  }
  run.reset();
  CloseCodecs();
}

void TTranscodeRun::CloseCodecs() {
  for (TOpenedOutput& output : task_.Files.Outputs)
    for (TCreatedOutputStream& stream : output.Streams) {
      if (!stream.Encoder) continue;
      stream.Encoder->stats_in = nullptr;  // the run's buffer, already gone
      TCodecLockGuard lock;
      stream.Encoder.reset();
    }
  for (TOpenedInput& input : task_.Files.Inputs)
    for (TCodecContextPtr& decoder : input.Decoders) {
      if (!decoder) continue;
      TCodecLockGuard lock;
      decoder.reset();
    }
}

void TTranscodeRun::DiscardOutputs() {
  for (TOpenedOutput& output : task_.Files.Outputs) {
    // A part file goes with its owner; the final name was never written.
    const bool ownFile = !output.Part && !(output.Context->oformat->flags & AVFMT_NOFILE);
    output.Context.reset();
    output.Unicode.reset();
    // Only a regular file is ours to remove: never a device such as /dev/null.
    const std::filesystem::path path = std::filesystem::u8path(output.FileName);
    std::error_code error;
    if (ownFile && std::filesystem::is_regular_file(path, error))
      std::filesystem::remove(path, error);
  }
  task_.Files.Outputs.clear();
}

}  // namespace qarvo
