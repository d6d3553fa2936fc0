// Conversion speed and memory: converts generated SD clips of two lengths into two outputs
// and prints frames per second, real-time factor and peak resident memory per conversion.
// Peak memory must not grow with the length of the clip.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "BareConvert.h"
#include "engine/TCustomTranscoder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

long StatusKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
  return -1;
}

// Starts a new peak-memory measurement (the kernel's high-water mark is reset).
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::string SdClip(double seconds) {
  qarvo::TClipSpec spec;  // avi, mpeg4 + mp3
  spec.Width = 720;
  spec.Height = 576;
  spec.VideoBitRate = 2500000;
  spec.SampleRate = 48000;
  spec.Duration = seconds;
  const fs::path path = fs::path(qarvo::TestMediaDir()) / ("bench-sd-" + std::to_string(int(seconds)) + "s.avi");
  if (!fs::exists(path)) {
    std::printf("generating %s ...\n", path.c_str());
    std::fflush(stdout);
    qarvo::GenerateClip(spec, path.string());
  }
  return path.string();
}

struct TProfile {
  const char* Name;
  const char* Extension;
  std::function<void(qarvo::TTaskOptions&)> Configure;
  qarvo::bare::TSettings Bare;  // the same conversion for the plain loop
};

struct TResult {
  int Frames = 0;
  double Seconds = 0;
  long PeakKiB = 0;
};

TResult Convert(const std::string& input, const TProfile& profile, const std::string& output) {
  ResetPeak();
  TResult result;
  const auto start = Clock::now();
  {
    qarvo::TCustomTranscoder task;
    if (!task.OpenInput(input)) throw std::runtime_error(task.ErrorText());
    profile.Configure(task.Options);
    if (task.OpenOutput(output, false) < 0) throw std::runtime_error(task.ErrorText());
    task.Transcode();
    task.ReleaseFiles(false);
  }
  result.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.PeakKiB = StatusKiB("VmHWM:");
  return result;
}

}  // namespace

int main() {
  using namespace qarvo;
  LoadMediaLibraries();
  const TProfile profiles[] = {
      {"3gp h263 176x144 + aac", "3gp",
       [](TTaskOptions& o) {
         o.VideoCodecName = "h263";
         o.FrameWidth = 176;
         o.FrameHeight = 144;
         o.AudioCodecName = "aac";
         o.AudioSampleRate = 44100;
       },
       {"h263", 176, 144, "aac", 44100}},
      {"mp4 mpeg4 720x576 + aac", "mp4",
       [](TTaskOptions& o) {
         o.VideoCodecName = "mpeg4";
         o.AudioCodecName = "aac";
       },
       {"mpeg4", 0, 0, "aac", 0}},
  };
  const fs::path out = fs::temp_directory_path() / "qarvo-convert-bench";
  fs::create_directories(out);
  std::printf("%-26s %8s %10s %10s %12s %12s\n", "output", "length", "fps", "x realtime", "peak RSS KiB",
              "engine/bare");
  for (double length : {30.0, 120.0}) {
    const std::string input = SdClip(length);
    for (const TProfile& profile : profiles) {
      const TResult r = Convert(input, profile, (out / (std::string("bench.") + profile.Extension)).string());
      const int frames = static_cast<int>(length * 25);
      const auto bareStart = Clock::now();
      bare::Convert(input, (out / (std::string("bare.") + profile.Extension)).string(), profile.Bare);
      const double bareSeconds = std::chrono::duration<double>(Clock::now() - bareStart).count();
      std::printf("%-26s %7.0fs %10.1f %10.2f %12ld %12.3f\n", profile.Name, length, frames / r.Seconds,
                  length / r.Seconds, r.PeakKiB, r.Seconds / bareSeconds);
      std::fflush(stdout);
    }
  }
  // Memory against length: the 3-second and the 10-minute standard clips, same output.
  std::printf("\n%-26s %8s %10s %12s\n", "3gp from clip", "length", "fps", "peak RSS KiB");
  long peaks[2] = {};
  int i = 0;
  for (const char* name : {"short3s", "long10min"}) {
    const TClipSpec& spec = StandardClip(name);
    const TResult r = Convert(EnsureClip(name), profiles[0], (out / "memory.3gp").string());
    const double frames = spec.Duration * av_q2d(spec.FrameRate);
    std::printf("%-26s %7.0fs %10.1f %12ld\n", name, spec.Duration, frames / r.Seconds, r.PeakKiB);
    peaks[i++] = r.PeakKiB;
  }
  std::printf("peak RSS growth from 3 s to 10 min: %ld KiB\n", peaks[1] - peaks[0]);
  fs::remove_all(out);
  return 0;
}
