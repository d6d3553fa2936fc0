// Two passes against one: a generated 640x480 25 fps 30 s clip with sensor grain (mpeg4 + mp3
// in AVI) converted through the engine component at the same average rate in one pass, in
// two passes, and to a target size, for the old MPEG-4 encoder and x264. Prints the processor
// seconds of each run (on a shared machine the wall time follows the load; the processor time
// stays put), the ratio of two passes to one, the wall seconds, the size written against what
// was asked and the passes the target size needed.
//
//   twopass_bench [--seconds N]   (clip length; default 30)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "base/TargetRate.h"
#include "engine/TConvertEngine.h"

#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace {

namespace fs = std::filesystem;
using qarvo::TConvertEngine;
using qarvo::TOutputOptions;

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct TResult {
  double Seconds = 0;
  double Processor = 0;
  int64_t Bytes = 0;
  int Passes = 0;
};

TResult Convert(const std::string& input, const std::string& output, TOutputOptions options) {
  TConvertEngine engine;
  TResult result;
  engine.SetOnCustomHook([&](TConvertEngine&, qarvo::PHookInfo info) {
    if (info->FrameNumber == 1) ++result.Passes;
    info->Update = false;
  });
  bool finished = false;
  std::string error;
  engine.SetOnTerminate([&](TConvertEngine&, const qarvo::TTerminateInfo& info) {
    if (info.TaskIndex < 0) return;
    finished = info.Finished;
    error = info.ExceptionMsg;
  });
  if (engine.AddTask(input) < 0) throw std::runtime_error(engine.LastErrMsg());
  options.CustomHook = true;
  options.ExtOptions = "threads=auto";
  if (!engine.SetOutputFile(0, output, &options)) throw std::runtime_error(engine.LastErrMsg());
  const auto start = std::chrono::steady_clock::now();
  const double processor = ProcessorSeconds();
  engine.StartTask(0);
  result.Processor = ProcessorSeconds() - processor;
  result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!finished) throw std::runtime_error("conversion failed: " + error);
  result.Bytes = static_cast<int64_t>(fs::file_size(output));
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 30;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atof(argv[i + 1]);
  qarvo::LoadMediaLibraries();
  qarvo::TClipSpec spec;
  spec.Width = 640;
  spec.Height = 480;
  spec.Duration = seconds;
  spec.Grain = true;
  spec.VideoBitRate = 4000000;
  const std::string clip =
      qarvo::EnsureClipFile(spec, "twopass_bench_" + std::to_string(int(seconds)) + "s.avi");
  const fs::path folder = fs::temp_directory_path() / "qarvo-twopass-bench";
  fs::create_directories(folder);
  std::printf("%.0f s 640x480 clip with grain, video at 1,000 kbit/s, sound 128 kbit/s\n", seconds);
  std::printf("%-8s %14s %14s %6s %15s  %s\n", "encoder", "1 pass cpu/wall", "2 pass cpu/wall",
              "ratio", "target cpu/wall", "target: asked/written");
  const struct {
    const char* Encoder;
    const char* Extension;
  } encoders[] = {{"mpeg4", "avi"}, {"libx264", "mp4"}};
  for (const auto& encoder : encoders) {
    TOutputOptions options;
    options.VideoCodec = encoder.Encoder;
    options.VideoBitrate = 1000000;
    options.AudioBitrate = 128000;
    const std::string base = (folder / encoder.Encoder).string();
    const TResult one = Convert(clip, base + "-1." + encoder.Extension, options);
    options.VideoPasses = 2;
    const TResult two = Convert(clip, base + "-2." + encoder.Extension, options);
    options.VideoPasses = 1;
    options.TargetSizeBytes = static_cast<int64_t>(seconds * 1128000 / 8);
    const TResult sized = Convert(clip, base + "-t." + encoder.Extension, options);
    std::printf(
        "%-8s %7.1f/%6.1f %7.1f/%6.1f %6.2f %8.1f/%6.1f  %s/%s (%.1f %%, %d passes)\n",
        encoder.Encoder, one.Processor, one.Seconds, two.Processor, two.Seconds,
        two.Processor / one.Processor, sized.Processor, sized.Seconds,
        qarvo::MegabyteText(options.TargetSizeBytes).c_str(),
        qarvo::MegabyteText(sized.Bytes).c_str(),
        100.0 * static_cast<double>(sized.Bytes) / static_cast<double>(options.TargetSizeBytes),
        sized.Passes);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
